#include "archive/win32/win32archive.h"

namespace {

class CCryptSha1 : public ISha1 {
public:
    explicit CCryptSha1(HCRYPTHASH hash) : hash_(hash) {}
    ~CCryptSha1() override { CryptDestroyHash(hash_); }
    CCryptSha1(const CCryptSha1&) = delete;
    CCryptSha1& operator=(const CCryptSha1&) = delete;

    void Update(const BYTE* data, size_t size) override {
        while (size && !failed_) {
            DWORD slice = size > (1u << 30) ? (1u << 30) : (DWORD)size;
            failed_ = !CryptHashData(hash_, data, slice, 0);
            data += slice;
            size -= slice;
        }
    }
    bool Final(BYTE out[kSha1Size]) override {
        DWORD size = kSha1Size;
        return !failed_ && CryptGetHashParam(hash_, HP_HASHVAL, out, &size, 0) && size == kSha1Size;
    }

private:
    HCRYPTHASH hash_;
    bool failed_ = false;
};

}  // namespace

CCryptSha1Maker::CCryptSha1Maker() {
    if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) provider_ = 0;
}

CCryptSha1Maker::~CCryptSha1Maker() {
    if (provider_) CryptReleaseContext(provider_, 0);
}

std::unique_ptr<ISha1> CCryptSha1Maker::Make() {
    HCRYPTHASH hash = 0;
    if (!provider_ || !CryptCreateHash(provider_, CALG_SHA1, 0, 0, &hash)) return nullptr;
    return std::unique_ptr<ISha1>(new CCryptSha1(hash));
}
