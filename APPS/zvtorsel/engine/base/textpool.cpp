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

const char* CTextPool::Intern(std::string_view text) {
    auto found = interned_.find(text);
    if (found != interned_.end()) return found->second;
    const char* copy = Add(text.data(), text.size());
    interned_.emplace(std::string_view(copy, text.size()), copy);
    return copy;
}
