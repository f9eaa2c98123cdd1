// Sound files made by the tests themselves (PCM WAVE by hand, MP3 frames by
// hand or through the MP3 encoder, Ogg Vorbis through the Vorbis encoder),
// and a fixture that runs the sound system on SDL's dummy output with the
// mixing stepped by the test.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/alloc.h"
#include "core/library_state.h"
#include "core/log.h"
#include "platform/audio_sdl.h"
#include "sound_files.h"
#include "sound/sound_convert.h"
#include "sound/sound_convert_methods.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_system.h"
#include "zv_test_support.h"

namespace soundtest {

// 16-bit samples as little-endian bytes.
inline Bytes ToBytes(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t s : samples) Put16(b, uint16_t(s));
    return b;
}
inline std::vector<int16_t> ToSamples(const uint8_t* bytes, size_t size) {
    std::vector<int16_t> s(size / 2);
    std::memcpy(s.data(), bytes, s.size() * 2);
    return s;
}

// Interleaved frames whose values never repeat within 30000 frames, so a
// sample out of place shows.
inline std::vector<int16_t> Ramp(int frames, int channels) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) s.push_back(int16_t((i % 30000) * (c ? -1 : 1) + c));
    return s;
}

inline std::vector<int16_t> Sine(int frames, int channels, double hz, int rate, double amplitude) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        int16_t v = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
        for (int c = 0; c < channels; ++c) s.push_back(v);
    }
    return s;
}

// The MP3 encoder (the samples `repeats` times over: a long file from a short
// piece; kbps 0 is a variable bit rate at the lowest quality, the smallest
// file that still has room for the encoder's tag frame), and the Vorbis one
// over 16-bit samples; in sound_test_support.cpp.
Bytes EncodeMp3(const std::vector<int16_t>& interleaved, int channels, int rate, int kbps, int repeats = 1);
Bytes EncodeOgg(const std::vector<int16_t>& interleaved, int channels, int rate);

// Where each frame of an MP3 without tags begins, walked by the headers.
inline std::vector<size_t> Mp3FrameOffsets(const Bytes& mp3) {
    std::vector<size_t> offsets;
    Mp3FrameInfo f;
    for (size_t at = 0; at + 4 <= mp3.size() && AnalyzeMp3FrameHeader(&mp3[at], &f) == 0; at += size_t(f.frameLength))
        offsets.push_back(at);
    return offsets;
}

inline void WriteFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The result of decoding a whole memory image through a converter.
struct Decoded {
    int result = -1;
    WaveFormat format = {};
    Bytes pcm;
    int musicStart = 0, musicEnd = 0;   // where a loop goes round (0, 0: the whole)
};
Decoded DecodeWhole(const Bytes& file);

// Runs the sound system on the dummy output; the device's own mixing is
// held, and the test mixes and refills in steps of its choosing. Checks at
// the end that every block of library memory was given back.
class SoundSystem : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Log() const { return zvtest::ReadWholeFile(GetLogFilePath()); }
    // Mixes frames of the output as the device would hear them.
    std::vector<int16_t> Mix(int frames);
    // Writes the file and loads it with the data type and buffer count.
    int Load(const std::string& name, const Bytes& bytes, int dataType = 0, int buffers = 3, int unionHandle = -1);

    zvtest::ScopedTempDir dir_;
    uint32_t allocBefore_ = 0;
};

}  // namespace soundtest
