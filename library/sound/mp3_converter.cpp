// MP3: the ID3 tags and the frame walk that measure an MP3 file, and the
// decoding of its frames through libmpg123 (also for MP3 inside WAVE files).
#include <mpg123.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "core/alloc.h"
#include "core/log.h"
#include "sound/sound_convert_methods.h"

namespace {

// Layer III bit rates in kbit/s for indices 1 to 14.
constexpr int kBitrateMpeg1[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kBitrateMpeg2[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kRateMpeg1[3] = {44100, 48000, 32000};
constexpr int kRateMpeg2[3] = {22050, 24000, 16000};
// Samples the layer III synthesis lags its frames by: an encoder's delay and
// padding count in encoder samples, the decoded stream is this much later.
constexpr int kDecoderDelay = 529;

struct Mp3Decoder {
    mpg123_handle* handle;
    uint8_t* data;          // the frames, read into memory
    int64_t size;
    int64_t readPos;        // libmpg123's read position in data
    int64_t totalSamples;
};

Mp3Decoder* DecoderOf(SOUNDCONV* conv) { return static_cast<Mp3Decoder*>(conv->methodData); }

mpg123_ssize_t DecoderRead(void* source, void* buffer, size_t bytes) {
    auto* d = static_cast<Mp3Decoder*>(source);
    size_t n = size_t(std::min<int64_t>(int64_t(bytes), d->size - d->readPos));
    std::memcpy(buffer, d->data + d->readPos, n);
    d->readPos += int64_t(n);
    return mpg123_ssize_t(n);
}

off_t DecoderSeek(void* source, off_t offset, int whence) {
    auto* d = static_cast<Mp3Decoder*>(source);
    int64_t base = whence == SEEK_CUR ? d->readPos : whence == SEEK_END ? d->size : 0;
    int64_t target = base + offset;
    if (target < 0 || target > d->size) return -1;
    d->readPos = target;
    return off_t(target);
}

// Opens libmpg123 on the frames from their start. Gapless trimming stays
// off and the info frame is decoded as a frame, so the decoded length is
// the frame count times the samples per frame.
bool OpenDecoder(Mp3Decoder* d, const WaveFormat& format) {
    int error = 0;
    d->handle = mpg123_new(nullptr, &error);
    if (!d->handle) return false;
    mpg123_handle* h = d->handle;
    bool ok = mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
              mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0) == MPG123_OK &&
              mpg123_format_none(h) == MPG123_OK &&
              mpg123_format(h, long(format.samplesPerSec), format.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                            MPG123_ENC_SIGNED_16) == MPG123_OK &&
              mpg123_replace_reader_handle(h, DecoderRead, DecoderSeek, nullptr) == MPG123_OK;
    d->readPos = 0;
    if (ok) ok = mpg123_open_handle(h, d) == MPG123_OK;
    if (!ok) {
        mpg123_delete(h);
        d->handle = nullptr;
    }
    return ok;
}

// What libmpg123, left to its own handling of the tag frame, finds in the
// frames: whether an audio frame decodes (tags alone, or a cut inside the
// first audio frame, leave nothing to play), and the encoder's delay and
// padding when the data starts with a tag frame that gives them.
struct Mp3Probe {
    bool audio = false;
    bool tagged = false;
    int delay = 0, padding = 0;
};

Mp3Probe ProbeFrames(Mp3Decoder* d) {
    Mp3Probe probe;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return probe;
    d->readPos = 0;
    if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
        mpg123_replace_reader_handle(h, DecoderRead, DecoderSeek, nullptr) == MPG123_OK &&
        mpg123_open_handle(h, d) == MPG123_OK) {
        for (;;) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            const int result = mpg123_decode_frame(h, &frame, &audio, &bytes);
            if (result == MPG123_NEW_FORMAT) continue;
            if (result != MPG123_OK) break;
            // A frame that gapless trimming empties entirely is no answer yet.
            if (bytes > 0) {
                probe.audio = true;
                break;
            }
        }
        long encDelay = -1, encPadding = -1;
        if (mpg123_getstate(h, MPG123_ENC_DELAY, &encDelay, nullptr) == MPG123_OK &&
            mpg123_getstate(h, MPG123_ENC_PADDING, &encPadding, nullptr) == MPG123_OK && encDelay >= 0 &&
            encPadding >= 0) {
            probe.tagged = true;
            probe.delay = int(encDelay);
            probe.padding = int(encPadding);
        }
    }
    mpg123_delete(h);
    d->readPos = 0;
    return probe;
}

int Mp3Refill(SOUNDCONV* conv) {
    Mp3Decoder* d = DecoderOf(conv);
    if (!d->handle) return -1;
    // A format announcement comes without data; anything else ends the data.
    for (int tries = 0; tries < 4; ++tries) {
        size_t done = 0;
        int result = mpg123_read(d->handle, conv->block, size_t(conv->blockSize), &done);
        done -= done % conv->outFormat.blockAlign;
        if (done > 0) {
            conv->blockLeft = int(done);
            conv->blockRead = 0;
            return 0;
        }
        if (result != MPG123_NEW_FORMAT) break;
    }
    return -1;
}

// Backwards means starting again from the first frame; forwards means
// decoding up to the target, so the PCM is the same as read straight through.
int Mp3Seek(SOUNDCONV* conv, int64_t target) {
    Mp3Decoder* d = DecoderOf(conv);
    const int64_t blockStart = conv->outputPos - conv->blockRead;
    if (target >= blockStart && target < conv->outputPos + conv->blockLeft) {
        int delta = int(target - conv->outputPos);
        conv->blockRead += delta;
        conv->blockLeft -= delta;
        conv->outputPos = target;
        return 0;
    }
    if (target < conv->outputPos) {
        if (d->handle) mpg123_delete(d->handle);
        d->handle = nullptr;
        OpenDecoder(d, conv->outFormat);
        conv->outputPos = 0;
        conv->blockLeft = 0;
        conv->blockRead = 0;
    }
    conv->outputPos += conv->blockLeft;
    conv->blockLeft = 0;
    for (;;) {
        if (Mp3Refill(conv) != 0) {
            conv->blockLeft = 0;
            conv->blockRead = 0;
            conv->endFlag = 1;
            return 0;
        }
        if (conv->outputPos + conv->blockLeft > target) {
            int delta = int(target - conv->outputPos);
            conv->blockRead = delta;
            conv->blockLeft -= delta;
            conv->outputPos = target;
            return 0;
        }
        conv->outputPos += conv->blockLeft;
        conv->blockLeft = 0;
    }
}

int64_t Mp3Size(SOUNDCONV* conv) { return DecoderOf(conv)->totalSamples * conv->outFormat.blockAlign; }

void Mp3Close(SOUNDCONV* conv) {
    Mp3Decoder* d = DecoderOf(conv);
    if (!d) return;
    if (d->handle) mpg123_delete(d->handle);
    ZvFree(d->data);
    ZvFree(d);
    conv->methodData = nullptr;
}

constexpr SoundConvMethod kMp3Method = {Mp3Refill, Mp3Seek, Mp3Size, Mp3Close};

}  // namespace

int AnalyzeMp3FrameHeader(const uint8_t h[4], Mp3FrameInfo* info) {
    // MPEG 2.5 headers (0xFFE) do not count as headers.
    if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return -2;
    Mp3FrameInfo f = {};
    f.mpeg1 = (h[1] >> 3) & 1;
    int layerBits = (h[1] >> 1) & 3;
    if (layerBits == 0) return -1;
    f.layer = 3 - layerBits;
    int bitrateIndex = h[2] >> 4;
    int rateIndex = (h[2] >> 2) & 3;
    // Free format has no frame length to walk by, and layers I and II are
    // not decoded here: both would stall the frame walk.
    if (bitrateIndex == 15 || bitrateIndex == 0 || rateIndex == 3 || f.layer != 2) return -1;
    f.bitrate = f.mpeg1 ? kBitrateMpeg1[bitrateIndex - 1] : kBitrateMpeg2[bitrateIndex - 1];
    f.sampleRate = f.mpeg1 ? kRateMpeg1[rateIndex] : kRateMpeg2[rateIndex];
    f.padding = (h[2] >> 1) & 1;
    f.channels = (h[3] >> 6) == 3 ? 1 : 2;
    f.samples = f.mpeg1 ? 1152 : 576;
    f.frameLength = (f.mpeg1 ? 144000 : 72000) * f.bitrate / f.sampleRate + f.padding;
    if (info) *info = f;
    return 0;
}

int ScanMp3Frames(const StreamReader& s, int64_t from, int64_t limit, Mp3Scan* scan) {
    bool found = false;
    int64_t pos = from;
    int64_t lastEnd = from;
    scan->totalSamples = 0;
    s.functions.Seek(s.handle, int32_t(from), 0);
    uint8_t h[4];
    while (pos < limit) {
        if (ReadStreamBytes(s, h, 1) != 1) break;
        ++pos;
        if (h[0] != 0xFF) continue;
        if (ReadStreamBytes(s, h + 1, 1) != 1) break;
        ++pos;
        if ((h[1] & 0xF0) != 0xF0) continue;
        if (ReadStreamBytes(s, h + 2, 2) != 2) break;
        pos += 2;
        Mp3FrameInfo info;
        if (AnalyzeMp3FrameHeader(h, &info) != 0) return -1;
        int64_t frameStart = pos - 4;
        if (!found) {
            found = true;
            scan->dataStart = frameStart;
            scan->first = info;
        }
        scan->totalSamples += info.samples;
        int64_t frameEnd = frameStart + info.frameLength;
        lastEnd = std::min(frameEnd, limit);
        if (frameEnd >= limit) break;
        s.functions.Seek(s.handle, int32_t(frameEnd), 0);
        pos = frameEnd;
    }
    if (!found) return -1;
    scan->dataEnd = lastEnd;
    return 0;
}

int StartMp3Decoding(SOUNDCONV* conv, const Mp3Scan& scan) {
    // Once in the process, before the first handle of libmpg123 is made.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    WaveFormat f = {};
    f.formatTag = WAVE_FORMAT_TAG_PCM;
    f.channels = uint16_t(scan.first.channels);
    f.samplesPerSec = uint32_t(scan.first.sampleRate);
    f.bitsPerSample = 16;
    f.blockAlign = uint16_t(f.channels * 2);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    if (scan.totalSamples * f.blockAlign > INT_MAX / 2) return -1;

    auto* d = static_cast<Mp3Decoder*>(ZVCALLOC(sizeof(Mp3Decoder)));
    if (!d) return -1;
    d->size = scan.dataEnd - scan.dataStart;
    d->totalSamples = scan.totalSamples;
    d->data = static_cast<uint8_t*>(ZVALLOC(size_t(d->size)));
    if (!d->data) {
        ZvFree(d);
        return -1;
    }
    conv->stream.functions.Seek(conv->stream.handle, int32_t(scan.dataStart), 0);
    d->size = int64_t(ReadStreamBytes(conv->stream, d->data, size_t(d->size)));
    const Mp3Probe probe = ProbeFrames(d);
    if (!probe.audio) ErrorLogAdd("MP3 データに再生できるフレームがありません\n");
    if (!probe.audio || !OpenDecoder(d, f)) {
        ZvFree(d->data);
        ZvFree(d);
        return -1;
    }
    if (probe.tagged) {
        // The tag frame decodes as a silent frame of its own before the delay.
        const int64_t start = scan.first.samples + int64_t(probe.delay) + kDecoderDelay;
        const int64_t end = scan.totalSamples - std::max(0, probe.padding - kDecoderDelay);
        if (start < end) {
            conv->musicStart = int(start);
            conv->musicEnd = int(end);
        }
    }
    conv->stream.functions.Seek(conv->stream.handle, int32_t(scan.dataStart), 0);
    conv->methodData = d;
    conv->ops = &kMp3Method;
    conv->method = SOUNDCONV_METHOD_MPEG;
    conv->outFormat = f;
    conv->dataStart = int32_t(scan.dataStart);
    conv->dataSize = int32_t(d->size);
    conv->blockSize = int(f.avgBytesPerSec * 4 / 3);
    conv->blockSize -= conv->blockSize % f.blockAlign;
    return 0;
}

int DetectMp3(SOUNDCONV* conv) {
    const StreamReader& s = conv->stream;
    const int64_t size = StreamLength(s);
    int64_t start = 0;
    uint8_t id3[10];
    if (ReadStreamBytes(s, id3, 3) == 3 && std::memcmp(id3, "ID3", 3) == 0 &&
        ReadStreamBytes(s, id3 + 3, 7) == 7) {
        start = ((int64_t(id3[6]) * 128 + id3[7]) * 128 + id3[8]) * 128 + id3[9] + 10;
        if (id3[3] == 4 && (id3[5] & 0x10)) start += 10;
    }
    int64_t tail = 0;
    if (size > 128) {
        uint8_t tag[3];
        s.functions.Seek(s.handle, int32_t(size - 128), 0);
        if (ReadStreamBytes(s, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) tail = 128;
    }
    Mp3Scan scan;
    if (start >= size - tail || ScanMp3Frames(s, start, size - tail, &scan) != 0) return SOUNDCONV_NOT_MINE;
    return StartMp3Decoding(conv, scan) == 0 ? 0 : SOUNDCONV_NOT_MINE;
}
