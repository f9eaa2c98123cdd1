// RIFF WAVE files: the chunk walk, PCM data read as it stands, and MP3 data
// inside a WAVE file handed to the MPEG decoder.
#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "platform/audio_sdl.h"
#include "sound/sound_convert_methods.h"

namespace {

struct RiffWave {
    uint8_t format[18];     // the first bytes of the format chunk, zero-filled
    uint32_t formatSize;
    int64_t formatPos;
    int64_t dataStart;
    int64_t dataSize;       // clamped to what the stream holds
};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// "RIFF", "WAVE", then "fmt " as the first chunk, then chunks up to "data".
int ReadRiffWave(const StreamReader& s, RiffWave* out) {
    const int64_t streamSize = StreamLength(s);
    uint8_t head[12];
    if (ReadStreamBytes(s, head, 12) != 12) return -1;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return -1;
    uint8_t chunk[8];
    if (ReadStreamBytes(s, chunk, 8) != 8 || std::memcmp(chunk, "fmt ", 4) != 0) return -1;
    out->formatSize = Le32(chunk + 4);
    out->formatPos = 20;
    if (out->formatSize < 16 || out->formatPos + out->formatSize > streamSize) return -1;
    std::memset(out->format, 0, sizeof out->format);
    size_t take = std::min<size_t>(out->formatSize, sizeof out->format);
    if (ReadStreamBytes(s, out->format, take) != take) return -1;

    int64_t next = out->formatPos + out->formatSize + (out->formatSize & 1);
    for (;;) {
        if (next + 8 > streamSize) return -1;
        s.functions.Seek(s.handle, int32_t(next), 0);
        if (ReadStreamBytes(s, chunk, 8) != 8) return -1;
        int64_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            out->dataStart = next + 8;
            out->dataSize = std::min(size, streamSize - out->dataStart);
            return 0;
        }
        next += 8 + size + (size & 1);
    }
}

WaveFormat FormatOf(const RiffWave& w) {
    WaveFormat f;
    std::memcpy(&f, w.format, sizeof f);
    return f;
}

// ---- PCM --------------------------------------------------------------------

int WaveRefill(SOUNDCONV* conv) {
    const StreamReader& s = conv->stream;
    int64_t position = int64_t(s.functions.Tell(s.handle)) - conv->dataStart;
    if (position < 0 || position >= conv->dataSize) return -1;
    int64_t want = std::min<int64_t>(conv->blockSize, conv->dataSize - position);
    size_t got = ReadStreamBytes(s, conv->block, size_t(want));
    if (got == 0) return -1;
    conv->blockLeft = int(got);
    conv->blockRead = 0;
    return 0;
}

int WaveSeek(SOUNDCONV* conv, int64_t targetByte) {
    targetByte = std::min<int64_t>(targetByte, conv->dataSize);
    conv->stream.functions.Seek(conv->stream.handle, int32_t(conv->dataStart + targetByte), 0);
    conv->outputPos = targetByte;
    conv->blockLeft = 0;
    conv->blockRead = 0;
    return 0;
}

int64_t WaveSize(SOUNDCONV* conv) { return conv->dataSize; }
void WaveClose(SOUNDCONV*) {}

constexpr SoundConvMethod kWaveMethod = {WaveRefill, WaveSeek, WaveSize, WaveClose};

int SetUpPcmWave(SOUNDCONV* conv, const RiffWave& w) {
    WaveFormat f = FormatOf(w);
    // Old 16-byte format chunks carry no trustworthy bit count.
    if (w.formatSize == 16 && f.channels != 0) f.bitsPerSample = uint16_t(f.blockAlign / f.channels * 8);
    f.extraSize = 0;
    if (f.channels < 1 || f.channels > 2 || (f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
        f.blockAlign != f.channels * f.bitsPerSample / 8 || f.samplesPerSec < AUDIO_MIN_BUFFER_RATE ||
        f.samplesPerSec > AUDIO_MAX_BUFFER_RATE) {
        ErrorLogFmtAdd("対応していない WAVE ファイルのフォーマットです チャンネル数:%d ビット数:%d "
                       "サンプリングレート:%u ブロックサイズ:%d",
                       f.channels, f.bitsPerSample, f.samplesPerSec, f.blockAlign);
        return SOUNDCONV_REFUSED;
    }
    // The rate per second is derived, never taken from the file.
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;

    conv->outFormat = f;
    conv->formatChunkPos = int32_t(w.formatPos);
    conv->formatChunkSize = int32_t(w.formatSize);
    conv->dataStart = int32_t(w.dataStart);
    conv->dataSize = int32_t(w.dataSize - w.dataSize % f.blockAlign);
    conv->blockSize = int(f.avgBytesPerSec);
    conv->method = SOUNDCONV_METHOD_WAVE;
    conv->ops = &kWaveMethod;
    conv->stream.functions.Seek(conv->stream.handle, conv->dataStart, 0);
    return 0;
}

int SetUpCompressedWave(SOUNDCONV* conv, const RiffWave& w) {
    const WaveFormat f = FormatOf(w);
    if (f.formatTag != WAVE_FORMAT_TAG_MPEGLAYER3) {
        ErrorLogFmtAdd("WAVE ファイルの圧縮形式 0x%04x には対応していません", f.formatTag);
        return SOUNDCONV_REFUSED;
    }
    conv->formatChunkPos = int32_t(w.formatPos);
    conv->formatChunkSize = int32_t(w.formatSize);
    const int result = OpenMp3Frames(conv, w.dataStart, w.dataStart + w.dataSize);
    if (result == SOUNDCONV_NOT_MINE) ErrorLogAdd("WAVE ファイル内の MP3 データを解析できませんでした\n");
    return result == 0 ? 0 : SOUNDCONV_REFUSED;
}

}  // namespace

int DetectWave(SOUNDCONV* conv) {
    RiffWave w;
    if (ReadRiffWave(conv->stream, &w) != 0) return SOUNDCONV_NOT_MINE;
    return FormatOf(w).formatTag == WAVE_FORMAT_TAG_PCM ? SetUpPcmWave(conv, w) : SetUpCompressedWave(conv, w);
}
