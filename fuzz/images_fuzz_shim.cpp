// Stand-ins for the library allocator in the image fuzz and sanitizer builds,
// which link the decoders alone: plain malloc so the sanitizers see every block.
#include <cstdlib>
#include <cstring>

#include "core/alloc.h"

void* ZvAlloc(size_t size, const char*, int) { return std::malloc(size ? size : 1); }
void* ZvCalloc(size_t size, const char*, int) { return std::calloc(size ? size : 1, 1); }
int ZvFree(void* block) {
    std::free(block);
    return 0;
}
