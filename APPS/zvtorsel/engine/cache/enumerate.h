// The walk over the URL cache that fills the cache pane.
#pragma once

class CCachePane;

// Creates the cache root (and the history root when the history tree is
// shown) and inserts every content and history entry. Returns 1 when the
// walk completed or found nothing, 0 when it was cancelled.
int EnumerateUrlCache(CCachePane& pane);
