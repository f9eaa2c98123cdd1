// Memory from the system: whole pages mapped and unmapped, and the limits of
// the process heap that serves the smaller blocks.
#pragma once
#include <cstddef>

// `bytes` rounded up to whole pages: the length a mapping of them takes.
size_t PlatformPageRound(size_t bytes);
// Zeroed pages of PlatformPageRound(bytes), or null.
void* PlatformMapPages(size_t bytes);
// Gives pages mapped by PlatformMapPages back to the system at once.
void PlatformUnmapPages(void* pages, size_t bytes);
// Heap requests from `mapFrom` bytes get pages of their own, and the heap
// gives memory back only once `trimFrom` bytes lie free at its top; both stay
// fixed whatever the process frees.
void PlatformSetHeapLimits(size_t mapFrom, size_t trimFrom);
