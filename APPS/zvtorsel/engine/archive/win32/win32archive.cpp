#include "archive/win32/win32archive.h"

#include "jobs/win32/temporaryfile.h"

namespace {

const size_t kBufferSize = 256 * 1024;

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

CArchiveFile::~CArchiveFile() { Discard(); }

void CArchiveFile::Discard() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        DeleteFileA(temporary_.c_str());
    }
}

bool CArchiveFile::Open(const std::string& target) {
    Discard();
    char temporary[MAX_PATH];
    file_ = CreateTemporaryBeside(target.c_str(), temporary, sizeof temporary);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    target_ = target;
    temporary_ = temporary;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    failed_ = false;
    return true;
}

bool CArchiveFile::Flush() {
    size_t at = 0;
    while (!failed_ && at < buffer_.size()) {
        DWORD done = 0;
        DWORD slice = (DWORD)(buffer_.size() - at);
        if (!WriteFile(file_, buffer_.data() + at, slice, &done, nullptr) || done == 0) failed_ = true;
        at += done;
    }
    buffer_.clear();
    return !failed_;
}

bool CArchiveFile::Write(const BYTE* data, size_t size) {
    if (file_ == INVALID_HANDLE_VALUE || failed_) return false;
    while (size) {
        size_t room = kBufferSize - buffer_.size();
        size_t slice = size < room ? size : room;
        buffer_.insert(buffer_.end(), data, data + slice);
        data += slice;
        size -= slice;
        if (buffer_.size() == kBufferSize && !Flush()) return false;
    }
    return true;
}

bool CArchiveFile::Commit() {
    if (file_ == INVALID_HANDLE_VALUE) return false;
    bool ok = Flush();
    ok = CloseHandle(file_) && ok;
    file_ = INVALID_HANDLE_VALUE;
    if (ok) ok = MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileA(temporary_.c_str());
    return ok;
}
