// The few core services the file layer calls, reduced for the fuzz build:
// plain malloc (so the address sanitizer sees every block) and a silent log.
#include <cstdlib>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"

void* ZvAlloc(size_t size, const char*, int) { return std::malloc(size ? size : 1); }
void* ZvCalloc(size_t size, const char*, int) { return std::calloc(1, size ? size : 1); }
int ZvFree(void* block) {
    std::free(block);
    return 0;
}
int ErrorLogAdd(const char*) { return -1; }
int ErrorLogFmtAdd(const char*, ...) { return -1; }
