// The walk over the URL cache that fills the cache pane.
#pragma once
#include <string>

#include "zvtypes.h"

class CCachePane;
class IUrlCache;

// Creates the cache root (and the history root when the history tree is
// shown) and inserts every content and history entry. Returns 1 when the
// walk completed or found nothing, 0 when it was cancelled.
int EnumerateUrlCache(CCachePane& pane);

// The caption of the cache root: rootText (string 28) for the live cache; for
// a cache folder, captionFormat (string 1182, one %s) filled with the folder.
std::string CacheRootCaption(const IUrlCache& cache, const char* rootText, const char* captionFormat);
