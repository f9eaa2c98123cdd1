// The buffer record: a valid flag over one playable buffer of the output,
// and the fixed operations every sound and stream uses on it.
#include "sound/sound_system.h"

namespace {
AudioFormat ToAudioFormat(const WaveFormat& f) {
    return AudioFormat{f.channels, f.bitsPerSample, f.samplesPerSec};
}
}  // namespace

int SoundBuffer_Create(SOUNDBUFFER* sb, const SoundBufferDesc* desc) {
    if (sb->valid || !desc || !desc->format) return -1;
    AudioBuffer* b = AudioBufferCreate(SoundState().bufferSet, ToAudioFormat(*desc->format), desc->bytes);
    if (!b) return -1;
    sb->buffer = b;
    sb->valid = 1;
    return 0;
}

int SoundBuffer_Duplicate(SOUNDBUFFER* sb, SOUNDBUFFER* source) {
    if (sb->valid || !source || !source->valid) return -1;
    AudioBuffer* b = AudioBufferDuplicate(source->buffer);
    if (!b) return -1;
    sb->buffer = b;
    sb->valid = 1;
    return 0;
}

int SoundBuffer_Release(SOUNDBUFFER* sb) {
    if (!sb->valid) return -1;
    AudioBufferRelease(sb->buffer);
    sb->buffer = nullptr;
    sb->valid = 0;
    return 0;
}

int SoundBuffer_Play(SOUNDBUFFER* sb, int loop, AudioStart start) {
    if (!sb->valid) return -1;
    return AudioBufferPlay(sb->buffer, loop, start);
}

int SoundBuffer_Stop(SOUNDBUFFER* sb) {
    if (!sb->valid) return -1;
    AudioBufferStop(sb->buffer);
    return 0;
}

int SoundBuffer_GetStatus(SOUNDBUFFER* sb, uint32_t* status) {
    if (!sb->valid) return -1;
    return AudioBufferGetStatus(sb->buffer, status);
}

int SoundBuffer_Lock(SOUNDBUFFER* sb, uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1, void** part2,
                     uint32_t* size2) {
    if (!sb->valid) return -1;
    return AudioBufferLock(sb->buffer, offset, bytes, part1, size1, part2, size2);
}

int SoundBuffer_Unlock(SOUNDBUFFER* sb, void* part1, uint32_t size1, void* part2, uint32_t size2) {
    if (!sb->valid) return -1;
    return AudioBufferUnlock(sb->buffer, part1, size1, part2, size2);
}

int SoundBuffer_GetCurrentPosition(SOUNDBUFFER* sb, uint32_t* play, uint32_t* write) {
    if (!sb->valid) return -1;
    AudioBufferGetPosition(sb->buffer, play, write);
    return 0;
}

int SoundBuffer_SetCurrentPosition(SOUNDBUFFER* sb, uint32_t position) {
    if (!sb->valid) return -1;
    AudioBufferSetPosition(sb->buffer, position);
    return 0;
}

int SoundBuffer_SetLoop(SOUNDBUFFER* sb, int startFrame, int endFrame) {
    if (!sb->valid || startFrame < 0 || endFrame < 0) return -1;
    return AudioBufferSetLoop(sb->buffer, uint32_t(startFrame), uint32_t(endFrame));
}
