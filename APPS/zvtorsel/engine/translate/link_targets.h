// What the job's trees know about the files links lead to. A query's file
// carries the extension of its cache file, which only the trees know, and a
// style sheet's reference is rewritten only where its file exists.
#pragma once
#include <stddef.h>

class ILinkTargets {
public:
    virtual ~ILinkTargets() {}
    // The extension, "." included, of the file of url (an absolute URL with
    // a query); false when no entry holds it.
    virtual bool QueryExtension(const char* url, char* ext, size_t size) = 0;
    // Whether an entry (cached or rebuilt) holds url, an absolute URL.
    virtual bool Holds(const char* url) = 0;
};
