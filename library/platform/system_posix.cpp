// Clocks, threads, memory and machine facts over POSIX and the processor.
#include "platform/system_posix.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace {
uint64_t MonotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}
int g_instanceLockFd = -1;
}  // namespace

uint32_t PlatformTimeMs() { return uint32_t(MonotonicNs() / 1000000ull); }
uint64_t PlatformPerfCounter() { return MonotonicNs(); }
uint64_t PlatformPerfFrequency() { return 1000000000ull; }

uint32_t PlatformThreadId() {
    thread_local uint32_t id = uint32_t(syscall(SYS_gettid));
    return id;
}

void PlatformSleepMs(uint32_t milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

bool PlatformMemoryStatus(uint64_t* totalBytes, uint64_t* availableBytes) {
    FILE* f = fopen("/proc/meminfo", "r");
    if (!f) return false;
    char line[256];
    uint64_t total = 0, avail = 0;
    while (fgets(line, sizeof line, f)) {
        unsigned long long kb;
        if (sscanf(line, "MemTotal: %llu kB", &kb) == 1) total = kb * 1024;
        if (sscanf(line, "MemAvailable: %llu kB", &kb) == 1) avail = kb * 1024;
    }
    fclose(f);
    *totalBytes = total;
    *availableBytes = avail;
    return total != 0;
}

PlatformOsInfo PlatformGetOsInfo() {
    PlatformOsInfo info{"Linux", 0, ""};
    utsname u;
    if (uname(&u) != 0) return info;
    info.name = std::string(u.sysname) + " " + u.release;
    // The version text starts "#<build> ..." on Linux.
    const char* v = u.version;
    if (*v == '#') {
        char* end = nullptr;
        info.build = int(strtol(v + 1, &end, 10));
        v = end;
        while (*v == ' ') ++v;
    }
    info.service = v;
    return info;
}

PlatformCpuInfo PlatformGetCpuInfo() {
    PlatformCpuInfo info;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a, b, c, d;
    if (!__get_cpuid(0, &a, &b, &c, &d)) return info;
    info.hasCpuid = true;
    memcpy(info.vendor + 0, &b, 4);
    memcpy(info.vendor + 4, &d, 4);
    memcpy(info.vendor + 8, &c, 4);
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        info.hasTsc = (d >> 4) & 1;
        info.hasMmx = (d >> 23) & 1;
    }
    if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
        unsigned regs[12];
        for (unsigned i = 0; i < 3; ++i)
            __get_cpuid(0x80000002 + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
        memcpy(info.name, regs, 48);
        info.name[48] = 0;
    }
#endif
    return info;
}

uint64_t PlatformReadTsc() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return 0;
#endif
}

bool PlatformGetCurrentDir(std::string& out) {
    char* dir = getcwd(nullptr, 0);
    if (!dir) return false;
    out = dir;
    free(dir);
    return true;
}

bool PlatformSetCurrentDir(const std::string& path) { return chdir(path.c_str()) == 0; }

bool PlatformAcquireInstanceLock(const std::string& fileName) {
    PlatformReleaseInstanceLock();
    int fd = open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return true;  // a folder we cannot write to cannot hold a second copy's lock either
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    g_instanceLockFd = fd;
    return true;
}

void PlatformReleaseInstanceLock() {
    if (g_instanceLockFd >= 0) {
        flock(g_instanceLockFd, LOCK_UN);
        close(g_instanceLockFd);
        g_instanceLockFd = -1;
    }
}
