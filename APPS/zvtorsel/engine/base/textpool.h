// Texts that live as long as their owner, packed into large blocks: a store
// or tree of 100,000 entries keeps its URLs and paths without one heap block
// (and its overhead) per text. Nothing is freed before the pool goes.
#pragma once
#include <stddef.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CTextPool {
public:
    CTextPool() {}
    CTextPool(const CTextPool&) = delete;
    CTextPool& operator=(const CTextPool&) = delete;

    // A terminated copy of n bytes of text (which may hold zero bytes); ""
    // for an empty one. Stays valid while the pool lives.
    const char* Add(const char* text, size_t n);
    const char* Add(const std::string& text) { return Add(text.data(), text.size()); }
    // One copy for every equal text: for the few values many entries share
    // (content types, codings, folders).
    const char* Intern(std::string_view text);
    // Takes the blocks of other, whose texts then live as long as this pool
    // (a reader's texts kept by the store it filled, without copies).
    void Adopt(CTextPool& other);
    // Bytes held in blocks, for measurements.
    size_t Reserved() const { return reserved_; }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t left_ = 0;
    char* next_ = nullptr;
    size_t reserved_ = 0;
    std::unordered_map<std::string_view, const char*> interned_;
    // The same few texts come entry after entry: a small cache in front of
    // the table spares hashing them each time.
    struct Recent {
        std::string_view text;
        const char* copy = nullptr;
    };
    Recent recent_[16];
};
