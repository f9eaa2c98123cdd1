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
#include "sound/sound_convert.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_system.h"
#include "zv_test_support.h"

namespace soundtest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutText(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

struct Chunk {
    std::string id;
    Bytes body;
};

struct WavSpec {
    uint16_t tag = 1;
    int channels = 2;
    int bits = 16;
    int rate = 44100;
    int fmtSize = 16;          // 16 or 18
    int blockAlign = -1;       // -1: channels x bits / 8
    int bitsField = -1;        // -1: bits
    Bytes data;
    std::vector<Chunk> beforeFmt, beforeData;
    int64_t dataSizeField = -1;   // -1: the data's size
};

inline Bytes MakeChunk(const std::string& id, const Bytes& body) {
    Bytes b;
    PutText(b, id.c_str());
    Put32(b, uint32_t(body.size()));
    Append(b, body);
    if (body.size() & 1) b.push_back(0);
    return b;
}

inline Bytes MakeWav(const WavSpec& w) {
    Bytes fmt;
    const int align = w.blockAlign >= 0 ? w.blockAlign : w.channels * w.bits / 8;
    Put16(fmt, w.tag);
    Put16(fmt, uint16_t(w.channels));
    Put32(fmt, uint32_t(w.rate));
    Put32(fmt, uint32_t(align * w.rate));
    Put16(fmt, uint16_t(align));
    Put16(fmt, uint16_t(w.bitsField >= 0 ? w.bitsField : w.bits));
    if (w.fmtSize >= 18) Put16(fmt, 0);
    Bytes body;
    PutText(body, "WAVE");
    for (const Chunk& c : w.beforeFmt) Append(body, MakeChunk(c.id, c.body));
    Append(body, MakeChunk("fmt ", fmt));
    for (const Chunk& c : w.beforeData) Append(body, MakeChunk(c.id, c.body));
    PutText(body, "data");
    Put32(body, uint32_t(w.dataSizeField >= 0 ? w.dataSizeField : int64_t(w.data.size())));
    Append(body, w.data);
    Bytes file;
    PutText(file, "RIFF");
    Put32(file, uint32_t(body.size()));
    Append(file, body);
    return file;
}

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

// A layer III frame with all-zero side information: it decodes to silence.
inline Bytes SilentMp3Frame(uint8_t h1 = 0xFB, uint8_t h2 = 0x90, uint8_t h3 = 0x00, int length = 417) {
    Bytes f = {0xFF, h1, h2, h3};
    f.resize(size_t(length), 0);
    return f;
}

inline Bytes SilentMp3(int frames) {
    Bytes b;
    for (int i = 0; i < frames; ++i) Append(b, SilentMp3Frame());
    return b;
}

// An ID3v2 tag of the major version with bodySize bytes of padding;
// with a footer when footer is set (version 4).
inline Bytes Id3v2Tag(int major, int bodySize, bool footer) {
    Bytes t;
    PutText(t, "ID3");
    t.push_back(uint8_t(major));
    t.push_back(0);
    t.push_back(footer ? 0x10 : 0);
    for (int shift = 21; shift >= 0; shift -= 7) t.push_back(uint8_t((bodySize >> shift) & 0x7F));
    t.resize(t.size() + size_t(bodySize), 0);
    if (footer) {
        PutText(t, "3DI");
        t.insert(t.end(), t.begin() + 3, t.begin() + 10);
    }
    return t;
}

inline Bytes Id3v1Tag() {
    Bytes t;
    PutText(t, "TAG");
    // A tag full of 0xFF bytes would read as frame headers if it were scanned.
    t.resize(128, 0xFF);
    return t;
}

// Encoders, in sound_encoders.cpp.
Bytes EncodeMp3(const std::vector<int16_t>& interleaved, int channels, int rate, int kbps);
Bytes EncodeOgg(const std::vector<int16_t>& interleaved, int channels, int rate);

inline void WriteFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The result of decoding a whole memory image through a converter.
struct Decoded {
    int result = -1;
    WaveFormat format = {};
    Bytes pcm;
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
