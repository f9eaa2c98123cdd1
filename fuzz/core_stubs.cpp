// The allocator reduced for the fuzz builds of the file, sound and network
// layers: plain malloc, so that the address sanitizer sees every block.
#include <cstdlib>

#include "core/alloc.h"

void* ZvAlloc(size_t size, const char*, int) { return std::malloc(size ? size : 1); }
void* ZvCalloc(size_t size, const char*, int) { return std::calloc(1, size ? size : 1); }
int ZvFree(void* block) {
    std::free(block);
    return 0;
}
