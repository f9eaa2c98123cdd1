// Clocks: the millisecond count, the microsecond count and the local date.
#include <ctime>

#include "core/file/file_plain.h"
#include "core/library_state.h"
#include "core/routines.h"
#include "platform/system_posix.h"

uint32_t GetNowCountImpl() { return PlatformTimeMs(); }

namespace {
uint64_t ScaleToMicroseconds(uint64_t ticks, uint64_t ticksPerSecond) {
    const uint32_t a[2] = {uint32_t(ticks), uint32_t(ticks >> 32)};
    const uint32_t b[2] = {1000000u, 0u};
    const uint32_t d[2] = {uint32_t(ticksPerSecond), uint32_t(ticksPerSecond >> 32)};
    uint32_t product[4], q[2];
    Mul64To128(a, b, product);
    Div128By64(product, d, q);
    return (uint64_t(q[1]) << 32) | q[0];
}
}  // namespace

uint64_t GetNowHiPerformanceCount(int useTimeStampCounter) {
    const LibraryPersistentState& p = g_Library.persistent;
    const LibrarySessionState& s = g_Library.session;
    if (p.tscFlag && useTimeStampCounter && s.libraryStarted && p.tscRate)
        return ScaleToMicroseconds(PlatformReadTsc(), p.tscRate);
    if (s.perfCounterInUse && s.perfFrequency)
        return ScaleToMicroseconds(PlatformPerfCounter(), s.perfFrequency);
    return uint64_t(PlatformTimeMs()) * 1000u;
}

int GetDateTimeImpl(DateTimeData* out) {
    UnixTimeToDateTimeData(int64_t(time(nullptr)), out);
    return 0;
}
