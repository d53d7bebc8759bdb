// Query names as the trees of a job hold them: an entry named after the
// query with the extension of its cache file behind it.
#pragma once
#include "translate/query_names.h"
#include "tree/treepane.h"

class CTreeQueryNames : public IQueryNames {
public:
    // Looks in first, then in second (either may be null).
    CTreeQueryNames(CTreePane* first, CTreePane* second) : m_panes{first, second} {}
    bool QueryExtension(const char* url, char* ext, size_t size) override;

private:
    CTreePane* m_panes[2];
};
