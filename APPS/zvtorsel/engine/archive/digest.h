// SHA-1 of the archive's digests, from the platform's own crypto library
// (CryptoAPI on Windows); the engine sees only this.
#pragma once
#include <stddef.h>

#include <memory>
#include <string>

#include "zvtypes.h"

enum { kSha1Size = 20 };

class ISha1 {
public:
    virtual ~ISha1() {}
    virtual void Update(const BYTE* data, size_t size) = 0;
    // The digest of everything given since the object was made; false when
    // the platform failed.
    virtual bool Final(BYTE out[kSha1Size]) = 0;
};

class ISha1Maker {
public:
    virtual ~ISha1Maker() {}
    virtual std::unique_ptr<ISha1> Make() = 0;
};

// "sha1:" and the digest in base32 (RFC 4648, upper case, 32 characters).
std::string Sha1Label(const BYTE digest[kSha1Size]);
