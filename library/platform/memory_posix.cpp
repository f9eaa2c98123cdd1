// Memory from the system over POSIX mappings.
#include "platform/memory_posix.h"

#include <sys/mman.h>
#include <unistd.h>

size_t PlatformPageRound(size_t bytes) {
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

void* PlatformMapPages(size_t bytes) {
    void* pages = mmap(nullptr, PlatformPageRound(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}

void PlatformUnmapPages(void* pages, size_t bytes) {
    if (pages != nullptr) munmap(pages, PlatformPageRound(bytes));
}
