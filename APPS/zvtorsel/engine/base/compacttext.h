// A text held in one heap block of its own size, one pointer wide: an entry
// of a tree of 100,000 keeps its URL, local file and type in these instead of
// strings that each take six pointers' room before their text.
#pragma once
#include <string.h>

#include <string>

class CompactText {
public:
    CompactText() {}
    CompactText(const char* text) { Assign(text, text ? strlen(text) : 0); }
    CompactText(const std::string& text) { Assign(text.data(), text.size()); }
    CompactText(const CompactText& other) { Assign(other.c_str(), other.size()); }
    CompactText(CompactText&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    ~CompactText() { delete[] block_; }
    CompactText& operator=(const CompactText& other) {
        if (this != &other) Assign(other.c_str(), other.size());
        return *this;
    }
    CompactText& operator=(CompactText&& other) noexcept {
        if (this != &other) {
            delete[] block_;
            block_ = other.block_;
            other.block_ = nullptr;
        }
        return *this;
    }
    CompactText& operator=(const char* text) { return *this = CompactText(text); }
    CompactText& operator=(const std::string& text) { return *this = CompactText(text); }

    const char* c_str() const { return block_ ? block_ + sizeof(size_t) : ""; }
    size_t size() const {
        size_t n = 0;
        if (block_) memcpy(&n, block_, sizeof n);
        return n;
    }
    bool empty() const { return block_ == nullptr; }
    std::string str() const { return std::string(c_str(), size()); }

    friend bool operator==(const CompactText& a, const char* b) { return strcmp(a.c_str(), b ? b : "") == 0; }
    friend bool operator==(const char* a, const CompactText& b) { return b == a; }
    friend bool operator==(const CompactText& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const std::string& a, const CompactText& b) { return b == a; }
    friend bool operator!=(const CompactText& a, const char* b) { return !(a == b); }

private:
    // The length first, then the text and its terminator; no block when empty.
    void Assign(const char* text, size_t n) {
        char* block = nullptr;
        if (n) {
            block = new char[sizeof(size_t) + n + 1];
            memcpy(block, &n, sizeof n);
            memcpy(block + sizeof n, text, n);
            block[sizeof n + n] = 0;
        }
        delete[] block_;
        block_ = block;
    }

    char* block_ = nullptr;
};
