// Stream sounds over PCM that their owner hands out (a movie's sound track):
// played, stopped, placed and deleted as every stream sound is.
#pragma once
#include <cstdint>

// 16-bit PCM behind four operations; the sound owns the source from
// AddPcmStreamSound on and closes it when it is deleted (or at once when it
// cannot be made).
struct PcmSource {
    void* handle;
    int channels;               // 1 or 2
    int samplesPerSec;
    int (*read)(void* handle, void* dest, int bytes);   // whole sample frames; 0 at the end
    int (*seek)(void* handle, int64_t sample);          // 0, or -1 (it then gives nothing)
    int64_t (*length)(void* handle);                    // in sample frames, 0 when unknown
    void (*close)(void* handle);
};

// A new stream sound over the source, playing once; its handle, or -1.
int AddPcmStreamSound(const PcmSource* source);
