// The system's part of the archive writer: SHA-1 through CryptoAPI.
#pragma once
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include "archive/digest.h"

class CCryptSha1Maker : public ISha1Maker {
public:
    CCryptSha1Maker();
    ~CCryptSha1Maker() override;
    CCryptSha1Maker(const CCryptSha1Maker&) = delete;
    CCryptSha1Maker& operator=(const CCryptSha1Maker&) = delete;
    // Null when the provider could not be opened.
    std::unique_ptr<ISha1> Make() override;

private:
    HCRYPTPROV provider_ = 0;
};
