// Clocks, threads, memory and machine facts over POSIX and the processor.
#pragma once
#include <cstdint>
#include <string>

uint32_t PlatformTimeMs();              // millisecond clock, wraps at 2^32
uint64_t PlatformPerfCounter();         // high-resolution counter
uint64_t PlatformPerfFrequency();       // its ticks per second
uint32_t PlatformThreadId();            // never 0
void PlatformSleepMs(uint32_t milliseconds);

bool PlatformMemoryStatus(uint64_t* totalBytes, uint64_t* availableBytes);

struct PlatformOsInfo {
    std::string name;      // "Linux 6.1.0-18-amd64"
    int build;             // the kernel build number
    std::string service;   // the rest of the kernel's version text
};
PlatformOsInfo PlatformGetOsInfo();

struct PlatformCpuInfo {
    bool hasCpuid = false;
    char vendor[13] = {};
    bool hasTsc = false;
    bool hasMmx = false;
    char name[49] = {};    // empty when the processor gives none
};
PlatformCpuInfo PlatformGetCpuInfo();
uint64_t PlatformReadTsc();             // 0 where there is no time-stamp counter

// Current directory as bytes; false when it cannot be read.
bool PlatformGetCurrentDir(std::string& out);
bool PlatformSetCurrentDir(const std::string& path);

// Advisory lock that says one copy of the program runs in this folder. The
// lock dies with the process, so a crash leaves nothing stale.
bool PlatformAcquireInstanceLock(const std::string& fileName);
void PlatformReleaseInstanceLock();
