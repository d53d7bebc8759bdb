// The names the mapping gave the files of query URLs. Such a file carries
// the extension of its cache file, which only the job's trees know; a link
// must name that file, not a guess.
#pragma once
#include <stddef.h>

class IQueryNames {
public:
    virtual ~IQueryNames() {}
    // The extension, "." included, of the file of url (an absolute URL with
    // a query); false when no entry holds it.
    virtual bool QueryExtension(const char* url, char* ext, size_t size) = 0;
};
