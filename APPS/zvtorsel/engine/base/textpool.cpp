#include "base/textpool.h"

#include <string.h>

namespace {

const size_t kBlockSize = 64u << 10;

}  // namespace

const char* CTextPool::Add(const char* text, size_t n) {
    if (n == 0) return "";
    if (n + 1 > left_) {
        // A text longer than a quarter block gets a block of its own, so the
        // rest of the current one is not wasted.
        if (n + 1 > kBlockSize / 4) {
            blocks_.emplace_back(new char[n + 1]);
            reserved_ += n + 1;
            char* own = blocks_.back().get();
            memcpy(own, text, n);
            own[n] = 0;
            return own;
        }
        blocks_.emplace_back(new char[kBlockSize]);
        reserved_ += kBlockSize;
        next_ = blocks_.back().get();
        left_ = kBlockSize;
    }
    char* at = next_;
    memcpy(at, text, n);
    at[n] = 0;
    next_ += n + 1;
    left_ -= n + 1;
    return at;
}

void CTextPool::Adopt(CTextPool& other) {
    for (std::unique_ptr<char[]>& block : other.blocks_) blocks_.push_back(std::move(block));
    reserved_ += other.reserved_;
    other.blocks_.clear();
    other.interned_.clear();
    for (Recent& recent : other.recent_) recent = Recent();
    other.left_ = other.reserved_ = 0;
    other.next_ = nullptr;
}

const char* CTextPool::Intern(std::string_view text) {
    if (text.empty()) return "";
    Recent& recent = recent_[(text.size() + (unsigned char)text[0] * 7u + (unsigned char)text.back() * 13u) & 15];
    if (recent.copy && recent.text == text) return recent.copy;
    auto found = interned_.find(text);
    const char* copy;
    if (found != interned_.end()) {
        copy = found->second;
    } else {
        copy = Add(text.data(), text.size());
        interned_.emplace(std::string_view(copy, text.size()), copy);
    }
    recent.text = std::string_view(copy, text.size());
    recent.copy = copy;
    return copy;
}
