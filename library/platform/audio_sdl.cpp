// The sound output over SDL2: the buffer set, its mixer and the one audio
// device the mixer feeds.
#include "platform/audio_sdl.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Sample bytes shared by a buffer and its duplicates. calloc'd, so a large
// 16-bit buffer reads as silence without being written first.
struct AudioData {
    uint8_t* bytes = nullptr;
    size_t size = 0;
    // A lock handed out these bytes themselves: the mixer leaves every
    // buffer over them alone until the unlock.
    bool writing = false;
    ~AudioData() { std::free(bytes); }
};

struct AudioBuffer {
    AudioBufferSet* set;
    std::shared_ptr<AudioData> data;
    AudioFormat format;
    uint32_t blockAlign;
    uint32_t frames;
    uint32_t step;          // source frames per output frame, 16.16
    bool playing = false;
    bool looping = false;
    uint32_t frame = 0;     // play position
    uint32_t fraction = 0;  // between frame and frame + 1, 16 bits
    // A looping play goes round from loopEnd back to loopStart.
    uint32_t loopStart = 0;
    uint32_t loopEnd;
    // Output frames of the ramp a start in mid-wave comes in over that have
    // been mixed; kRampFrames once it plays at full level.
    int rampedIn;
    // The lock: either the data itself, or (while a buffer over the data
    // plays) staging that the unlock copies in.
    bool locked = false;
    bool staged = false;
    uint32_t lockOffset = 0;
    uint32_t lockBytes = 0;
    uint8_t* lockPart1 = nullptr;
    std::vector<uint8_t> staging;
};

// Output frames a stop ramps down over and a start in mid-wave ramps in
// over (about 5 ms). The gains of the two add up to one at every frame, so
// a stop and a start between the same two mixing passes crossfade.
constexpr int kRampFrames = AUDIO_OUTPUT_RATE / 200;

// A stopped or released buffer goes on sounding for a few milliseconds,
// ramping down from where it stopped, so that the stop does not click. The
// ramp is rendered at the stop and kept here: neither new data written
// over the buffer's bytes nor the buffer's release cuts it short.
struct AudioFade {
    int32_t samples[2 * kRampFrames];
    int mixed = 0;          // output frames of it already mixed
};

struct AudioBufferSet {
    // Held by the mixer over each pass, and by AudioBufferSetHold.
    std::mutex gate;
    std::mutex mutex;
    std::vector<AudioBuffer*> buffers;
    std::vector<AudioFade> fades;
    // Whether the last mixing pass mixed any ramp: closing the device waits
    // until the ramps are heard.
    bool fadedInLastPass = false;
    std::condition_variable mixed;
};

namespace {

bool FormatSupported(const AudioFormat& f) {
    return (f.channels == 1 || f.channels == 2) && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.samplesPerSec >= AUDIO_MIN_BUFFER_RATE && f.samplesPerSec <= AUDIO_MAX_BUFFER_RATE;
}

uint32_t StepFor(uint32_t rate) {
    return uint32_t((uint64_t(rate) << 16) / AUDIO_OUTPUT_RATE);
}

AudioBuffer* NewBuffer(AudioBufferSet* set, const AudioFormat& format, std::shared_ptr<AudioData> data) {
    auto* b = new (std::nothrow) AudioBuffer();
    if (!b) return nullptr;
    b->set = set;
    b->data = std::move(data);
    b->format = format;
    b->blockAlign = uint32_t(format.channels * format.bitsPerSample / 8);
    b->frames = uint32_t(b->data->size / b->blockAlign);
    b->step = StepFor(format.samplesPerSec);
    b->loopEnd = b->frames;
    b->rampedIn = kRampFrames;
    std::lock_guard<std::mutex> g(set->mutex);
    set->buffers.push_back(b);
    return b;
}

// One frame of a buffer's format as left and right 16-bit values.
template <int Bits, int Channels>
inline void Fetch(const uint8_t* data, uint32_t frame, int32_t* left, int32_t* right) {
    const uint8_t* p = data + size_t(frame) * (Channels * Bits / 8);
    if constexpr (Bits == 16) {
        int16_t l, r;
        std::memcpy(&l, p, 2);
        if constexpr (Channels == 2) std::memcpy(&r, p + 2, 2);
        else r = l;
        *left = l;
        *right = r;
    } else {
        *left = (int32_t(p[0]) - 128) << 8;
        *right = Channels == 2 ? (int32_t(p[1]) - 128) << 8 : *left;
    }
}

// How the gain of a stretch of frames goes.
enum class Ramp { None, Down, Up };

// The sample loop of one format, from a position that it advances: the
// playing one, or the ramp after a stop (Down, falling from full by one
// step of kRampFrames each frame), or the ramp of a start in mid-wave (Up,
// rising from rampFrom steps). The position is kept in locals and stored
// back once: the stores into acc would otherwise make every sample reload
// it from the buffer. False when a one-shot buffer ran to its end.
template <int Bits, int Channels, Ramp Gain>
bool MixFrames(const AudioBuffer& b, uint32_t* framePos, uint32_t* fractionPos, int32_t* acc, int frames,
               int rampFrom) {
    const uint8_t* data = b.data->bytes;
    const bool looping = b.looping;
    const uint32_t end = looping ? b.loopEnd : b.frames, restart = looping ? b.loopStart : 0, step = b.step;
    uint32_t frame = *framePos, fraction = *fractionPos;
    for (int i = 0; i < frames; ++i) {
        int32_t l, r;
        Fetch<Bits, Channels>(data, frame, &l, &r);
        if (fraction) {
            uint32_t next = frame + 1;
            if (next >= end) next = looping ? restart : frame;
            int32_t l1, r1;
            Fetch<Bits, Channels>(data, next, &l1, &r1);
            l += int32_t((int64_t(l1 - l) * fraction) >> 16);
            r += int32_t((int64_t(r1 - r) * fraction) >> 16);
        }
        if constexpr (Gain != Ramp::None) {
            const int gain = Gain == Ramp::Down ? kRampFrames - i : rampFrom + i;
            l = l * gain / kRampFrames;
            r = r * gain / kRampFrames;
        }
        acc[2 * i] += l;
        acc[2 * i + 1] += r;
        fraction += step;
        frame += fraction >> 16;
        fraction &= 0xFFFF;
        if (frame >= end) {
            if (!looping) return false;
            frame = restart + (frame - end) % (end - restart);
        }
    }
    *framePos = frame;
    *fractionPos = fraction;
    return true;
}

template <Ramp Gain>
bool MixFormat(const AudioBuffer& b, uint32_t* frame, uint32_t* fraction, int32_t* acc, int frames,
               int rampFrom = 0) {
    if (b.format.bitsPerSample == 16) {
        if (b.format.channels == 2) return MixFrames<16, 2, Gain>(b, frame, fraction, acc, frames, rampFrom);
        return MixFrames<16, 1, Gain>(b, frame, fraction, acc, frames, rampFrom);
    }
    if (b.format.channels == 2) return MixFrames<8, 2, Gain>(b, frame, fraction, acc, frames, rampFrom);
    return MixFrames<8, 1, Gain>(b, frame, fraction, acc, frames, rampFrom);
}

// Adds one playing buffer into acc (stereo pairs), ramping in what is left
// of a start in mid-wave first; stops a one-shot buffer at its end, back at
// position 0.
void MixOne(AudioBuffer& b, int32_t* acc, int frames) {
    bool more = b.frames != 0;
    if (more && b.rampedIn < kRampFrames) {
        const int n = std::min(frames, kRampFrames - b.rampedIn);
        more = MixFormat<Ramp::Up>(b, &b.frame, &b.fraction, acc, n, b.rampedIn);
        b.rampedIn += n;
        acc += 2 * n;
        frames -= n;
    }
    if (more && frames > 0) more = MixFormat<Ramp::None>(b, &b.frame, &b.fraction, acc, frames);
    if (!more) {
        b.playing = false;
        b.frame = 0;
        b.fraction = 0;
        b.rampedIn = kRampFrames;
    }
}

// Renders the ramp of a buffer that stops playing now; under the set's
// mutex. A buffer whose bytes are being written has not been heard, and a
// ramp of silence needs no mixing. One still ramping in ramps down from the
// level it has reached.
void StartFade(AudioBufferSet* set, const AudioBuffer& b) {
    if (!b.playing || b.frames == 0 || b.data->writing) return;
    AudioFade fade;
    std::memset(fade.samples, 0, sizeof fade.samples);
    uint32_t frame = b.frame, fraction = b.fraction;
    MixFormat<Ramp::Down>(b, &frame, &fraction, fade.samples, kRampFrames);
    if (b.rampedIn < kRampFrames)
        for (int32_t& v : fade.samples) v = int32_t(int64_t(v) * b.rampedIn / kRampFrames);
    if (std::all_of(std::begin(fade.samples), std::end(fade.samples), [](int32_t v) { return v == 0; })) return;
    try {
        set->fades.push_back(fade);
    } catch (...) {
        // Without memory the stop is abrupt, as it would be without ramps.
    }
}

// Adds the next frames of a ramp into acc.
void MixFade(AudioFade& fade, int32_t* acc, int frames) {
    const int n = std::min(frames, kRampFrames - fade.mixed);
    const int32_t* from = fade.samples + 2 * fade.mixed;
    for (int i = 0; i < 2 * n; ++i) acc[i] += from[i];
    fade.mixed += n;
}

// Sums up to 30000 (about -0.8 dBFS) pass unchanged; above, they bend
// smoothly (the slope stays continuous) towards a ceiling under full scale,
// so loud moments neither wrap nor clip hard.
constexpr int32_t kLimitKnee = 30000;
constexpr int32_t kLimitCeiling = 32700;

inline int16_t Limit16(int32_t v) {
    const int32_t magnitude = v < 0 ? -v : v;
    if (magnitude <= kLimitKnee) return int16_t(v);
    constexpr double room = kLimitCeiling - kLimitKnee;
    const int32_t bent = kLimitKnee + int32_t(room * std::tanh((magnitude - kLimitKnee) / room));
    return int16_t(v < 0 ? -bent : bent);
}

}  // namespace

AudioBufferSet* AudioBufferSetCreate() { return new (std::nothrow) AudioBufferSet(); }

void AudioBufferSetDestroy(AudioBufferSet* set) {
    if (!set) return;
    for (AudioBuffer* b : set->buffers) delete b;
    delete set;
}

AudioBuffer* AudioBufferCreate(AudioBufferSet* set, const AudioFormat& format, uint32_t bytes) {
    if (!set || !FormatSupported(format)) return nullptr;
    uint32_t blockAlign = uint32_t(format.channels * format.bitsPerSample / 8);
    bytes -= bytes % blockAlign;
    if (bytes == 0) return nullptr;
    std::shared_ptr<AudioData> data;
    try {
        data = std::make_shared<AudioData>();
    } catch (...) {
        return nullptr;
    }
    data->bytes = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (!data->bytes) return nullptr;
    data->size = bytes;
    if (format.bitsPerSample == 8) std::memset(data->bytes, 128, bytes);
    return NewBuffer(set, format, std::move(data));
}

AudioBuffer* AudioBufferDuplicate(AudioBuffer* source) {
    if (!source) return nullptr;
    return NewBuffer(source->set, source->format, source->data);
}

void AudioBufferRelease(AudioBuffer* buffer) {
    if (!buffer) return;
    {
        std::lock_guard<std::mutex> g(buffer->set->mutex);
        StartFade(buffer->set, *buffer);
        if (buffer->locked && !buffer->staged) buffer->data->writing = false;
        auto& list = buffer->set->buffers;
        list.erase(std::remove(list.begin(), list.end(), buffer), list.end());
    }
    delete buffer;
}

int AudioBufferPlay(AudioBuffer* buffer, int loop, AudioStart start) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    // A start over one that still plays is no start: it goes on as it was.
    if (!buffer->playing) buffer->rampedIn = start == AUDIO_START_RAMPED ? 0 : kRampFrames;
    buffer->playing = true;
    buffer->looping = loop != 0;
    return 0;
}

int AudioBufferSetLoop(AudioBuffer* buffer, uint32_t startFrame, uint32_t endFrame) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    if (endFrame == 0) endFrame = buffer->frames;
    if (startFrame >= endFrame || endFrame > buffer->frames) return -1;
    buffer->loopStart = startFrame;
    buffer->loopEnd = endFrame;
    return 0;
}

void AudioBufferSetHold(AudioBufferSet* set, bool hold) {
    if (!set) return;
    if (hold) set->gate.lock();
    else set->gate.unlock();
}

int AudioBufferStop(AudioBuffer* buffer) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    StartFade(buffer->set, *buffer);
    buffer->playing = false;
    return 0;
}

int AudioBufferGetStatus(AudioBuffer* buffer, uint32_t* status) {
    if (!buffer || !status) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    *status = (buffer->playing ? AUDIO_STATUS_PLAYING : 0) |
              (buffer->playing && buffer->looping ? AUDIO_STATUS_LOOPING : 0);
    return 0;
}

int AudioBufferGetPosition(AudioBuffer* buffer, uint32_t* play, uint32_t* write) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    uint32_t position = buffer->frame * buffer->blockAlign;
    if (play) *play = position;
    if (write) *write = position;
    return 0;
}

int AudioBufferSetPosition(AudioBuffer* buffer, uint32_t position) {
    if (!buffer) return -1;
    std::lock_guard<std::mutex> g(buffer->set->mutex);
    uint32_t frame = position / buffer->blockAlign;
    if (frame >= buffer->frames) return -1;
    buffer->frame = frame;
    buffer->fraction = 0;
    return 0;
}

uint32_t AudioBufferSize(AudioBuffer* buffer) {
    return buffer ? buffer->frames * buffer->blockAlign : 0;
}

namespace {
// Whether any buffer over these bytes plays; under the set's mutex.
bool DataPlaying(const AudioBufferSet* set, const AudioData* data) {
    for (const AudioBuffer* b : set->buffers)
        if (b->data.get() == data && b->playing) return true;
    return false;
}
}  // namespace

int AudioBufferLock(AudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1,
                    void** part2, uint32_t* size2) {
    if (!buffer || !part1 || !size1) return -1;
    const uint32_t size = buffer->frames * buffer->blockAlign;
    if (buffer->locked || offset >= size || bytes > size || bytes == 0) return -1;
    uint32_t first = std::min(bytes, size - offset);
    uint32_t second = bytes - first;
    if (second && (!part2 || !size2)) return -1;
    uint8_t* data = buffer->data->bytes;
    uint8_t *p1 = data + offset, *p2 = data;
    {
        std::lock_guard<std::mutex> g(buffer->set->mutex);
        if (buffer->data->writing) return -1;
        buffer->staged = DataPlaying(buffer->set, buffer->data.get());
        if (buffer->staged) {
            // The audio thread reads these bytes now: the caller writes a
            // copy of the locked range instead.
            try {
                buffer->staging.resize(bytes);
            } catch (...) {
                return -1;
            }
            std::memcpy(buffer->staging.data(), p1, first);
            if (second) std::memcpy(buffer->staging.data() + first, data, second);
            p1 = buffer->staging.data();
            p2 = p1 + first;
        } else {
            buffer->data->writing = true;
        }
    }
    buffer->locked = true;
    buffer->lockOffset = offset;
    buffer->lockBytes = bytes;
    buffer->lockPart1 = p1;
    *part1 = p1;
    *size1 = first;
    if (part2) *part2 = second ? p2 : nullptr;
    if (size2) *size2 = second;
    return 0;
}

int AudioBufferUnlock(AudioBuffer* buffer, void* part1, uint32_t size1, void* part2, uint32_t size2) {
    if (!buffer || !buffer->locked) return -1;
    if (part1 != buffer->lockPart1 || size_t(size1) + size2 > buffer->lockBytes) return -1;
    {
        std::lock_guard<std::mutex> g(buffer->set->mutex);
        if (buffer->staged) {
            uint8_t* dst = buffer->data->bytes;
            std::memcpy(dst + buffer->lockOffset, buffer->staging.data(), size1);
            if (size2) std::memcpy(dst, buffer->staging.data() + size1, size2);
        } else {
            buffer->data->writing = false;
        }
    }
    buffer->locked = false;
    // A large staged lock is rare (a whole sound replaced while it plays).
    if (buffer->staging.capacity() > (1u << 20)) std::vector<uint8_t>().swap(buffer->staging);
    return 0;
}

void AudioMix(AudioBufferSet* set, int16_t* out, int frames) {
    constexpr int kChunk = 1024;
    int32_t acc[2 * kChunk];
    std::lock_guard<std::mutex> held(set->gate);
    std::lock_guard<std::mutex> g(set->mutex);
    const bool fading = !set->fades.empty();
    for (int done = 0; done < frames;) {
        int n = std::min(kChunk, frames - done);
        std::memset(acc, 0, sizeof(int32_t) * 2 * size_t(n));
        for (AudioFade& fade : set->fades) MixFade(fade, acc, n);
        set->fades.erase(std::remove_if(set->fades.begin(), set->fades.end(),
                                        [](const AudioFade& f) { return f.mixed == kRampFrames; }),
                         set->fades.end());
        for (AudioBuffer* b : set->buffers)
            if (b->playing && !b->data->writing) MixOne(*b, acc, n);
        for (int i = 0; i < 2 * n; ++i) out[2 * done + i] = Limit16(acc[i]);
        done += n;
    }
    set->fadedInLastPass = fading;
    set->mixed.notify_all();
}

// ---- the device ---------------------------------------------------------

namespace {
struct AudioDeviceState {
    bool started = false;
    bool paused = false;
    SDL_AudioDeviceID device = 0;
    AudioBufferSet* set = nullptr;
    std::string error;
    std::string deviceName;
};
AudioDeviceState g_audio;

void SDLCALL DeviceCallback(void* userdata, Uint8* stream, int length) {
    AudioMix(static_cast<AudioBufferSet*>(userdata), reinterpret_cast<int16_t*>(stream),
             length / int(sizeof(int16_t) * AUDIO_OUTPUT_CHANNELS));
}
}  // namespace

namespace {
void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

bool AudioSystemStart() {
    if (g_audio.started) return true;
    // ALSA prints its own errors to the terminal while SDL looks for a
    // device; the sound start-up logs the outcome itself.
    snd_lib_error_set_handler(QuietAlsaError);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        g_audio.error = SDL_GetError();
        return false;
    }
    g_audio.started = true;
    return true;
}

void AudioSystemStop() {
    AudioDeviceClose();
    if (!g_audio.started) return;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio.started = false;
}

const char* AudioError() { return g_audio.error.c_str(); }

bool AudioDeviceOpen(AudioBufferSet* set) {
    if (!g_audio.started || g_audio.device || !set) return false;
    SDL_AudioSpec want = {}, have = {};
    want.freq = AUDIO_OUTPUT_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = AUDIO_OUTPUT_CHANNELS;
    want.samples = 1024;
    want.callback = DeviceCallback;
    want.userdata = set;
    // SDL converts to whatever the hardware takes; the mixer always sees this format.
    g_audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!g_audio.device) {
        g_audio.error = SDL_GetError();
        return false;
    }
    g_audio.set = set;
    char* name = nullptr;
    SDL_AudioSpec spec;
    if (SDL_GetDefaultAudioInfo(&name, &spec, 0) == 0 && name) {
        g_audio.deviceName = name;
        SDL_free(name);
    } else if (SDL_GetNumAudioDevices(0) > 0 && SDL_GetAudioDeviceName(0, 0)) {
        g_audio.deviceName = SDL_GetAudioDeviceName(0, 0);
    } else {
        g_audio.deviceName = "default";
    }
    SDL_PauseAudioDevice(g_audio.device, 0);
    g_audio.paused = false;
    return true;
}

namespace {
// Lets the device mix the ramps of what stopped last (the end of the
// library stops every sound right before the device closes) and take the
// pass that mixed their ends: a pass without a ramp after it shows it did.
// The time limit only keeps a device that stopped mixing from holding up
// the end.
void WaitForFades(AudioBufferSet* set) {
    std::unique_lock<std::mutex> lock(set->mutex);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    set->mixed.wait_until(lock, limit, [set] { return set->fades.empty() && !set->fadedInLastPass; });
}
}  // namespace

void AudioDeviceClose() {
    if (!g_audio.device) return;
    if (!g_audio.paused) WaitForFades(g_audio.set);
    SDL_CloseAudioDevice(g_audio.device);
    g_audio.device = 0;
    g_audio.set = nullptr;
}

bool AudioDeviceIsOpen() { return g_audio.device != 0; }

AudioDeviceCaps AudioDeviceGetCaps() {
    AudioDeviceCaps caps = {};
    caps.primaryStereo = true;
    caps.primary16Bit = true;
    caps.secondaryMono = caps.secondaryStereo = caps.secondary8Bit = caps.secondary16Bit = true;
    caps.minSecondaryRate = AUDIO_MIN_BUFFER_RATE;
    caps.maxSecondaryRate = AUDIO_MAX_BUFFER_RATE;
    return caps;
}

int AudioDeviceSetFormat(const AudioFormat& format) {
    return format.channels == AUDIO_OUTPUT_CHANNELS && format.bitsPerSample == 16 &&
                   format.samplesPerSec == uint32_t(AUDIO_OUTPUT_RATE)
               ? 0
               : -1;
}

void AudioDevicePause(bool pause) {
    if (!g_audio.device) return;
    SDL_PauseAudioDevice(g_audio.device, pause ? 1 : 0);
    g_audio.paused = pause;
}

const char* AudioDriverName() {
    const char* name = g_audio.started ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? name : "";
}

const char* AudioDeviceName() { return g_audio.deviceName.c_str(); }

int AudioOutputDeviceCount() {
    int n = g_audio.started ? SDL_GetNumAudioDevices(0) : 0;
    return n > 0 ? n : 0;
}

const char* AudioOutputDeviceName(int index) {
    const char* name = g_audio.started ? SDL_GetAudioDeviceName(index, 0) : nullptr;
    return name ? name : "";
}
