// Memory from the system: whole pages mapped and unmapped.
#pragma once
#include <cstddef>

// `bytes` rounded up to whole pages: the length a mapping of them takes.
size_t PlatformPageRound(size_t bytes);
// Zeroed pages of PlatformPageRound(bytes), or null.
void* PlatformMapPages(size_t bytes);
// Gives pages mapped by PlatformMapPages back to the system at once.
void PlatformUnmapPages(void* pages, size_t bytes);
