// The sound output: one SDL2 audio device (S16 stereo 44100 Hz) and the set
// of playable buffers that the library's own mixer adds into it.
// The mixer is a plain function over a buffer set, so it can run without a
// device; one mutex per set guards it between the audio thread and the
// library's threads.
#pragma once
#include <cstdint>

constexpr int AUDIO_OUTPUT_RATE = 44100;
constexpr int AUDIO_OUTPUT_CHANNELS = 2;

// Rates a buffer may have; the mixer resamples each one to the output rate.
constexpr uint32_t AUDIO_MIN_BUFFER_RATE = 100;
constexpr uint32_t AUDIO_MAX_BUFFER_RATE = 200000;

// Linear PCM: 1 or 2 channels, 8 (unsigned) or 16 (signed) bits.
struct AudioFormat {
    int channels;
    int bitsPerSample;
    uint32_t samplesPerSec;
};

struct AudioBuffer;
struct AudioBufferSet;

AudioBufferSet* AudioBufferSetCreate();
// Releases what is left in the set too.
void AudioBufferSetDestroy(AudioBufferSet* set);

// A buffer of bytes (rounded down to whole sample frames), silent, stopped at
// position 0. Null for an unsupported format, an empty size or no memory.
AudioBuffer* AudioBufferCreate(AudioBufferSet* set, const AudioFormat& format, uint32_t bytes);
// A second player over the same data, with its own position and state.
AudioBuffer* AudioBufferDuplicate(AudioBuffer* source);
void AudioBufferRelease(AudioBuffer* buffer);

constexpr uint32_t AUDIO_STATUS_PLAYING = 0x1;
constexpr uint32_t AUDIO_STATUS_LOOPING = 0x4;

// How a play begins: at full level (a sound's own start keeps its attack),
// or ramped in over the few milliseconds a stop ramps down over (a start in
// mid-wave, which would otherwise click).
enum AudioStart { AUDIO_START_AT_ONCE, AUDIO_START_RAMPED };

// Each returns 0, or -1 for a null buffer or a bad argument. A stop takes
// effect at once for status and position; only the sound ramps down (see
// AudioMix).
int AudioBufferPlay(AudioBuffer* buffer, int loop, AudioStart start = AUDIO_START_AT_ONCE);
int AudioBufferStop(AudioBuffer* buffer);
int AudioBufferGetStatus(AudioBuffer* buffer, uint32_t* status);
// Positions are in bytes. A one-shot buffer that plays to its end stops and
// goes back to 0.
int AudioBufferGetPosition(AudioBuffer* buffer, uint32_t* play, uint32_t* write);
int AudioBufferSetPosition(AudioBuffer* buffer, uint32_t position);
uint32_t AudioBufferSize(AudioBuffer* buffer);
// Where a looping play goes round: from endFrame back to startFrame (endFrame
// 0: the end of the data). A one-shot play still runs to the end. The whole
// data until set.
int AudioBufferSetLoop(AudioBuffer* buffer, uint32_t startFrame, uint32_t endFrame);
// Hands out bytes from offset as two parts (the second one wraps to the
// start). While no buffer over the same data plays, they are the data
// itself and nothing over it is mixed until the unlock; otherwise they are a
// copy of the range that the unlock writes back. Either way the audio thread
// never reads half-written data. One lock at a time over the same data.
int AudioBufferLock(AudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1,
                    void** part2, uint32_t* size2);
int AudioBufferUnlock(AudioBuffer* buffer, void* part1, uint32_t size1, void* part2, uint32_t size2);

// Adds every playing buffer of the set into frames of S16 stereo at the
// output rate (out is overwritten), advancing their positions. Sums up to
// about -0.8 dBFS come out as they are; louder ones are bent smoothly under
// full scale. A buffer stopped or released while it plays is heard ramping
// down for about 5 ms after, from samples the mixer keeps itself: writing
// over its data or releasing it changes nothing of the ramp.
void AudioMix(AudioBufferSet* set, int16_t* out, int frames);
// While held, no mixing pass runs (AudioMix waits): the starts and stops made
// between hold and release take effect at the same output frame, so a stop
// and a ramped start crossfade. Hold only around calls that do no decoding.
void AudioBufferSetHold(AudioBufferSet* set, bool hold);

// ---- the device ---------------------------------------------------------

struct AudioDeviceCaps {
    bool primaryMono, primaryStereo, primary8Bit, primary16Bit;
    bool secondaryMono, secondaryStereo, secondary8Bit, secondary16Bit;
    uint32_t minSecondaryRate, maxSecondaryRate;
    uint32_t totalHardwareBytes, freeHardwareBytes;   // 0: all mixing is in software
};

// Starts SDL's audio side; false with the reason in AudioError.
bool AudioSystemStart();
void AudioSystemStop();
const char* AudioError();

// Opens the default output and mixes the set into it from SDL's audio
// thread. False when no device opens.
bool AudioDeviceOpen(AudioBufferSet* set);
// Unless its mixing is held, the device first plays out the ramps of the
// buffers stopped last, so that ending the output does not click.
void AudioDeviceClose();
bool AudioDeviceIsOpen();
AudioDeviceCaps AudioDeviceGetCaps();
// Accepts the format the device runs at and refuses any other.
int AudioDeviceSetFormat(const AudioFormat& format);
// Holds the audio thread's mixing (tests step the mix themselves).
void AudioDevicePause(bool pause);

// For the device log: the driver's name, the opened device's name, and the
// output devices the driver lists.
const char* AudioDriverName();
const char* AudioDeviceName();
int AudioOutputDeviceCount();
const char* AudioOutputDeviceName(int index);
