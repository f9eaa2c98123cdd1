// The sound system: start and end of the output, its state, and the small
// record that wraps one playable buffer with a fixed set of operations.
#pragma once
#include <cstdint>

#include "core/handle.h"
#include "platform/audio_sdl.h"
#include "sound/sound_convert.h"

// One playable buffer of the output.
struct SOUNDBUFFER {
    int valid;
    AudioBuffer* buffer;
};

// What a new buffer is made of.
struct SoundBufferDesc {
    const WaveFormat* format;
    uint32_t bytes;
};

// Each returns 0 or -1; all but create and duplicate refuse a record that is
// not valid, and create and duplicate refuse one that is.
int SoundBuffer_Create(SOUNDBUFFER* sb, const SoundBufferDesc* desc);
int SoundBuffer_Duplicate(SOUNDBUFFER* sb, SOUNDBUFFER* source);
int SoundBuffer_Release(SOUNDBUFFER* sb);
int SoundBuffer_Play(SOUNDBUFFER* sb, int loop, AudioStart start);
int SoundBuffer_Stop(SOUNDBUFFER* sb);
int SoundBuffer_GetStatus(SOUNDBUFFER* sb, uint32_t* status);
int SoundBuffer_Lock(SOUNDBUFFER* sb, uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1, void** part2,
                     uint32_t* size2);
int SoundBuffer_Unlock(SOUNDBUFFER* sb, void* part1, uint32_t size1, void* part2, uint32_t size2);
int SoundBuffer_GetCurrentPosition(SOUNDBUFFER* sb, uint32_t* play, uint32_t* write);
int SoundBuffer_SetCurrentPosition(SOUNDBUFFER* sb, uint32_t position);
// Where a looping play goes round, in sample frames (end 0: the end).
int SoundBuffer_SetLoop(SOUNDBUFFER* sb, int startFrame, int endFrame);

constexpr int SOUND_HANDLE_MAX = 4096;

struct SoundSystemState {
    int started;                    // the output runs; without it every sound function returns -1
    AudioBufferSet* bufferSet;
    SOUNDBUFFER silentBuffer;       // keeps the output running
    int musicMode;                  // 0: music through MCI, the only mode
    int fileSoundHandle;            // sound played from a file, -1 none
    HandleTable soundTable;
    HandleList streamListHead, streamListTail;
    int createDataType;             // 0 .. 3
    int oggSampleWidth;             // bytes per decoded Ogg sample
};
SoundSystemState& SoundState();

// True while the output runs.
bool SoundSystemRunning();
int GetSoundOggSampleWidth();

int DeleteAllSoundHandles(int flag);
// After a delete: when the slot was the highest in use, the next-slot hint
// moves down to one past the highest occupied slot (0 when none is left).
void LowerNextSlotHint(HandleTable* table, int slot);
int StopSoundImpl();

// The primary format for a device: stereo and 16 bits when it has them, the
// highest buffer rate it takes but at most 44100 Hz.
AudioFormat ChoosePrimaryFormat(const AudioDeviceCaps& caps);
