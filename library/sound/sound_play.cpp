// Playing, stopping and checking sound handles; a static sound plays its
// buffers in turn, so one sound can overlap itself.
#include "sound/sound_play.h"

#include "core/window.h"
#include "platform/system_posix.h"
#include "sound/sound_handle.h"

int PlaySoundMemImpl(int handle, int playType, int topPositionFlag) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    if (s->streamFlag) return PlayStreamSound(handle, playType, topPositionFlag);
    // A sound made with no buffer has nothing to play.
    if (s->bufferCount < 1) return -1;

    uint32_t cursor = 0;
    SoundBuffer_GetCurrentPosition(&s->buffers[s->nextBuffer], &cursor, nullptr);
    s->nextBuffer = (s->nextBuffer + 1) % s->bufferCount;
    SOUNDBUFFER* b = &s->buffers[s->nextBuffer];
    uint32_t status = 0;
    if (SoundBuffer_GetStatus(b, &status) != 0) return -1;
    if (status & AUDIO_STATUS_PLAYING) {
        if (!topPositionFlag) return 0;
        SoundBuffer_Stop(b);
    }
    const uint32_t position = topPositionFlag ? 0 : cursor;
    SoundBuffer_SetCurrentPosition(b, position);
    // Played on from where it stopped, it ramps in rather than click.
    const AudioStart start = position != 0 ? AUDIO_START_RAMPED : AUDIO_START_AT_ONCE;
    if (SoundBuffer_Play(b, playType == SOUND_PLAYTYPE_LOOP, start) != 0) return -1;
    s->playStartTime = PlatformTimeMs();

    if (playType == SOUND_PLAYTYPE_NORMAL && ProcessMessageImpl() == 0) {
        while (CheckSoundPlaying(handle) == 1) {
            PlatformSleepMs(1);
            if (ProcessMessageImpl() != 0) break;
        }
    }
    return 0;
}

int StopSoundMemImpl(int handle) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    if (s->streamFlag) return StopStreamSound(handle);
    for (int i = 0; i < s->bufferCount; ++i) {
        uint32_t status = 0;
        if (SoundBuffer_GetStatus(&s->buffers[i], &status) != 0) return -1;
        if (status & AUDIO_STATUS_PLAYING) SoundBuffer_Stop(&s->buffers[i]);
    }
    return 0;
}

void HoldSoundMixing(bool hold) { AudioBufferSetHold(SoundState().bufferSet, hold); }

int CheckSoundPlaying(int handle) {
    SOUND* s = GetSoundData(handle);
    if (!s) return -1;
    if (s->streamFlag) return CheckStreamSound(handle);
    for (int i = 0; i < s->bufferCount; ++i) {
        uint32_t status = 0;
        if (SoundBuffer_GetStatus(&s->buffers[i], &status) == 0 && (status & AUDIO_STATUS_PLAYING)) return 1;
    }
    return 0;
}
