// MP3: the ID3 tags and the frame walk that measure an MP3 file, read into
// memory in one go, and the decoding of its frames from that copy through
// libmpg123 (also for MP3 inside WAVE files).
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
    uint8_t* bytes;         // what the frame walk read, the frames among them
    const uint8_t* data;    // the first frame
    int64_t size;           // of the frames
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
    ZvFree(d->bytes);
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

uint8_t* ReadStreamRange(const StreamReader& stream, int64_t from, int64_t limit, int64_t* size) {
    limit = std::min(limit, StreamLength(stream));
    *size = 0;
    if (from < 0 || limit <= from) return nullptr;
    auto* bytes = static_cast<uint8_t*>(ZVALLOC(size_t(limit - from)));
    if (!bytes) return nullptr;
    stream.functions.Seek(stream.handle, int32_t(from), 0);
    *size = int64_t(ReadStreamBytes(stream, bytes, size_t(limit - from)));
    if (*size > 0) return bytes;
    ZvFree(bytes);
    return nullptr;
}

int ScanMp3Frames(uint8_t* bytes, int64_t from, int64_t begin, int64_t limit, Mp3Scan* scan) {
    bool found = false;
    int64_t pos = begin;
    int64_t lastEnd = begin;
    scan->totalSamples = 0;
    scan->bytes = bytes;
    scan->bytesFrom = from;
    while (pos < limit) {
        if (bytes[pos++] != 0xFF) continue;
        if (pos >= limit) break;
        if ((bytes[pos++] & 0xF0) != 0xF0) continue;
        if (pos + 2 > limit) break;
        pos += 2;
        const int64_t frameStart = pos - 4;
        Mp3FrameInfo info;
        if (AnalyzeMp3FrameHeader(bytes + frameStart, &info) != 0) {
            found = false;   // an undecodable header refuses the whole file
            break;
        }
        if (!found) {
            found = true;
            scan->dataStart = from + frameStart;
            scan->first = info;
        }
        scan->totalSamples += info.samples;
        const int64_t frameEnd = frameStart + info.frameLength;
        lastEnd = std::min(frameEnd, limit);
        if (frameEnd >= limit) break;
        pos = frameEnd;
    }
    if (!found) {
        ZvFree(bytes);
        scan->bytes = nullptr;
        return -1;
    }
    scan->dataEnd = from + lastEnd;
    return 0;
}

int StartMp3Decoding(SOUNDCONV* conv, Mp3Scan& scan) {
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
    uint8_t* const bytes = scan.bytes;
    scan.bytes = nullptr;
    auto* d = scan.totalSamples * f.blockAlign > INT_MAX / 2
                  ? nullptr
                  : static_cast<Mp3Decoder*>(ZVCALLOC(sizeof(Mp3Decoder)));
    if (!d) {
        ZvFree(bytes);
        return -1;
    }
    d->bytes = bytes;
    d->data = bytes + (scan.dataStart - scan.bytesFrom);
    d->size = scan.dataEnd - scan.dataStart;
    d->totalSamples = scan.totalSamples;
    const Mp3Probe probe = ProbeFrames(d);
    if (!probe.audio) ErrorLogAdd("MP3 データに再生できるフレームがありません\n");
    if (!probe.audio || !OpenDecoder(d, f)) {
        ZvFree(d->bytes);
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

// The whole file is read at once: the tags, the frame walk and the decoder
// all work from that copy.
int DetectMp3(SOUNDCONV* conv) {
    int64_t size = 0;
    uint8_t* file = ReadStreamRange(conv->stream, 0, INT32_MAX, &size);
    if (!file) return SOUNDCONV_NOT_MINE;
    int64_t start = 0;
    if (size >= 10 && std::memcmp(file, "ID3", 3) == 0) {
        start = ((int64_t(file[6]) * 128 + file[7]) * 128 + file[8]) * 128 + file[9] + 10;
        if (file[3] == 4 && (file[5] & 0x10)) start += 10;
    }
    const int64_t tail = size > 128 && std::memcmp(file + size - 128, "TAG", 3) == 0 ? 128 : 0;
    Mp3Scan scan;
    if (start >= size - tail) {
        ZvFree(file);
        return SOUNDCONV_NOT_MINE;
    }
    if (ScanMp3Frames(file, 0, start, size - tail, &scan) != 0) return SOUNDCONV_NOT_MINE;
    return StartMp3Decoding(conv, scan) == 0 ? 0 : SOUNDCONV_NOT_MINE;
}
