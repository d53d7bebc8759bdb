// Link targets as the trees of a job hold them; a query's entry is named
// after the query with the extension of its cache file behind it.
#pragma once
#include "translate/link_targets.h"
#include "tree/treepane.h"

class CTreeLinkTargets : public ILinkTargets {
public:
    // Looks in first, then in second (either may be null).
    CTreeLinkTargets(CTreePane* first, CTreePane* second) : m_panes{first, second} {}
    bool QueryExtension(const char* url, char* ext, size_t size) override;
    bool Holds(const char* url) override;

private:
    CTreePane* m_panes[2];
};
