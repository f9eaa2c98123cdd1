// MP3: finding the frames of an MP3 file (or of the MP3 data in a WAVE
// file) from the first bytes past its tags, measuring them, and decoding
// them through libmpg123. Every byte is read through one window of the
// stream, so a converter holds the same memory whatever the file's length.
#include <mpg123.h>

#include <algorithm>
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
// The window's size, and how far past the tags the first frame is looked for.
constexpr int64_t kWindowBytes = 64 * 1024;
constexpr int kId3v1Bytes = 128;

// The bytes of a stream from one offset, read a window at a time.
struct StreamWindow {
    StreamReader stream;
    uint8_t* bytes;     // kWindowBytes
    int64_t from;       // stream offset of bytes[0]
    int64_t size;       // bytes held
};

// The n bytes at stream offset at (n at most kWindowBytes), read into the
// window when it does not hold them; null when the stream ends before.
const uint8_t* WindowBytes(StreamWindow& w, int64_t at, int64_t n) {
    if (at < w.from || at + n > w.from + w.size) {
        w.stream.functions.Seek(w.stream.handle, int32_t(at), 0);
        w.from = at;
        w.size = int64_t(ReadStreamBytes(w.stream, w.bytes, size_t(kWindowBytes)));
    }
    return at + n <= w.from + w.size ? w.bytes + (at - w.from) : nullptr;
}

// Copies up to n bytes from stream offset at; fewer where the stream ends.
int64_t CopyFromWindow(StreamWindow& w, int64_t at, uint8_t* dest, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const uint8_t* p = WindowBytes(w, at + done, 1);
        if (!p) break;
        const int64_t take = std::min(n - done, w.from + w.size - (at + done));
        std::memcpy(dest + done, p, size_t(take));
        done += take;
    }
    return done;
}

// A valid header at `at` (before end) of the same version and rate as the first frame's.
bool FrameAt(StreamWindow& w, int64_t at, int64_t end, const Mp3FrameInfo& first, Mp3FrameInfo* info) {
    const uint8_t* h = at + 4 <= end ? WindowBytes(w, at, 4) : nullptr;
    return h && AnalyzeMp3FrameHeader(h, info) == 0 && info->mpeg1 == first.mpeg1 &&
           info->sampleRate == first.sampleRate;
}

// The first frame within a window's length past `from` that two more frames
// follow at their frame lengths (or whose frames reach `end` before that):
// its offset, or -1. A lone sync pattern in other bytes is passed over.
int64_t FindFirstFrame(StreamWindow& w, int64_t from, int64_t end, Mp3FrameInfo* first) {
    const int64_t last = std::min(end, from + kWindowBytes) - 4;
    for (int64_t at = from; at <= last; ++at) {
        const uint8_t* h = WindowBytes(w, at, 4);
        if (!h || h[0] != 0xFF || AnalyzeMp3FrameHeader(h, first) != 0) continue;
        Mp3FrameInfo next = *first;
        int64_t q = at;
        int following = 0;
        for (; following < 2; ++following) {
            q += next.frameLength;
            if (q + 4 > end || !FrameAt(w, q, end, *first, &next)) break;
        }
        if (following == 2 || q + 4 > end) return at;
    }
    return -1;
}

// Where the frames from `first` end, and the samples they hold: each frame
// ends where its header says, bytes between frames are passed over, and a
// header that cannot be decoded ends the data.
struct Mp3Walk {
    int64_t end;
    int64_t samples;
};
Mp3Walk WalkFrames(StreamWindow& w, int64_t first, int64_t end, const Mp3FrameInfo& firstInfo) {
    Mp3Walk walk = {first, 0};
    int64_t at = first;
    while (at + 4 <= end) {
        const uint8_t* h = WindowBytes(w, at, 4);
        if (!h) break;
        if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) {
            // Junk: on to the next 0xFF the window holds.
            const int64_t held = std::min(end, w.from + w.size) - at;
            const void* sync = std::memchr(h + 1, 0xFF, size_t(held - 1));
            at = sync ? at + (static_cast<const uint8_t*>(sync) - h) : at + held;
            continue;
        }
        Mp3FrameInfo info;
        if (!FrameAt(w, at, end, firstInfo, &info)) break;
        walk.samples += info.samples;
        walk.end = std::min(at + info.frameLength, end);
        at += info.frameLength;
    }
    return walk;
}

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The frames an encoder's info frame ("Xing" or "Info" after the side
// information) counts, itself among them, when it also gives the bytes of
// the frames and those are `bytes`; -1 when there is no such tag or the file
// was cut or added to since.
int64_t InfoFrameCount(StreamWindow& w, int64_t at, const Mp3FrameInfo& info, int64_t bytes) {
    const int sideInfo = info.mpeg1 ? (info.channels == 1 ? 17 : 32) : (info.channels == 1 ? 9 : 17);
    const uint8_t* h = WindowBytes(w, at, 4);
    const int64_t tag = at + 4 + ((h[1] & 1) ? 0 : 2) + sideInfo;
    const uint8_t* t = tag + 16 <= at + info.frameLength ? WindowBytes(w, tag, 16) : nullptr;
    if (!t || (std::memcmp(t, "Xing", 4) != 0 && std::memcmp(t, "Info", 4) != 0) || (Be32(t + 4) & 3) != 3 ||
        Be32(t + 12) != bytes)
        return -1;
    return int64_t(Be32(t + 8)) + 1;
}

struct Mp3Decoder {
    mpg123_handle* handle;
    StreamWindow window;
    int64_t dataStart, dataEnd;     // stream offsets of the frames
    int64_t readPos;                // libmpg123's read position from dataStart
    int64_t totalSamples;
};

Mp3Decoder* DecoderOf(SOUNDCONV* conv) { return static_cast<Mp3Decoder*>(conv->methodData); }

mpg123_ssize_t DecoderRead(void* source, void* buffer, size_t bytes) {
    auto* d = static_cast<Mp3Decoder*>(source);
    const int64_t n = std::min<int64_t>(int64_t(bytes), d->dataEnd - d->dataStart - d->readPos);
    const int64_t got = CopyFromWindow(d->window, d->dataStart + d->readPos, static_cast<uint8_t*>(buffer), n);
    d->readPos += got;
    return mpg123_ssize_t(got);
}

off_t DecoderSeek(void* source, off_t offset, int whence) {
    auto* d = static_cast<Mp3Decoder*>(source);
    const int64_t size = d->dataEnd - d->dataStart;
    int64_t base = whence == SEEK_CUR ? d->readPos : whence == SEEK_END ? size : 0;
    int64_t target = base + offset;
    if (target < 0 || target > size) return -1;
    d->readPos = target;
    return off_t(target);
}

// Opens libmpg123 on the frames from their start, reading through the
// window. It never looks at the end of the data for a tag (the range has
// none), which would cost two reads of the window. Gapless trimming stays
// off and the info frame is decoded as a frame, so the decoded length is the
// frame count times the samples per frame.
mpg123_handle* OpenDecoder(Mp3Decoder* d, const WaveFormat* format) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return nullptr;
    bool ok = mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_NO_PEEK_END, 0) == MPG123_OK &&
              mpg123_replace_reader_handle(h, DecoderRead, DecoderSeek, nullptr) == MPG123_OK;
    if (ok && format) {
        ok = mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
             mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME, 0) == MPG123_OK &&
             mpg123_format_none(h) == MPG123_OK &&
             mpg123_format(h, long(format->samplesPerSec), format->channels == 1 ? MPG123_MONO : MPG123_STEREO,
                           MPG123_ENC_SIGNED_16) == MPG123_OK;
    }
    d->readPos = 0;
    if (ok) ok = mpg123_open_handle(h, d) == MPG123_OK;
    if (!ok) {
        mpg123_delete(h);
        return nullptr;
    }
    return h;
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
    mpg123_handle* h = OpenDecoder(d, nullptr);
    if (!h) return probe;
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
    mpg123_delete(h);
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
        d->handle = OpenDecoder(d, &conv->outFormat);
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

void FreeDecoder(Mp3Decoder* d) {
    if (d->handle) mpg123_delete(d->handle);
    ZvFree(d->window.bytes);
    ZvFree(d);
}

void Mp3Close(SOUNDCONV* conv) {
    if (Mp3Decoder* d = DecoderOf(conv)) FreeDecoder(d);
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

int OpenMp3Frames(SOUNDCONV* conv, int64_t from, int64_t end) {
    if (from >= end) return SOUNDCONV_NOT_MINE;
    // Once in the process, before the first handle of libmpg123 is made.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    auto* d = static_cast<Mp3Decoder*>(ZVCALLOC(sizeof(Mp3Decoder)));
    auto* bytes = d ? static_cast<uint8_t*>(ZVALLOC(size_t(kWindowBytes))) : nullptr;
    if (!bytes) {
        ZvFree(d);
        return SOUNDCONV_REFUSED;
    }
    d->window = {conv->stream, bytes, 0, 0};
    Mp3FrameInfo first;
    d->dataStart = FindFirstFrame(d->window, from, end, &first);
    if (d->dataStart < 0) {
        FreeDecoder(d);
        return SOUNDCONV_NOT_MINE;
    }
    // An encoder's count of the frames saves walking them (a long file is
    // then opened from its first bytes); without one the walk measures them.
    const int64_t counted = InfoFrameCount(d->window, d->dataStart, first, end - d->dataStart);
    if (counted > 0) {
        d->dataEnd = end;
        d->totalSamples = counted * first.samples;
    } else {
        const Mp3Walk walk = WalkFrames(d->window, d->dataStart, end, first);
        d->dataEnd = walk.end;
        d->totalSamples = walk.samples;
    }
    const WaveFormat f = Pcm16Format(first.channels, first.sampleRate);
    const Mp3Probe probe = ProbeFrames(d);
    if (!probe.audio) ErrorLogAdd("MP3 データに再生できるフレームがありません\n");
    if (probe.audio) d->handle = OpenDecoder(d, &f);
    if (!d->handle) {
        FreeDecoder(d);
        return SOUNDCONV_REFUSED;
    }
    if (probe.tagged) {
        // The tag frame decodes as a silent frame of its own before the delay.
        const int64_t start = first.samples + int64_t(probe.delay) + kDecoderDelay;
        const int64_t musicEnd = d->totalSamples - std::max(0, probe.padding - kDecoderDelay);
        if (start < musicEnd) {
            conv->musicStart = start;
            conv->musicEnd = musicEnd;
        }
    }
    conv->methodData = d;
    conv->ops = &kMp3Method;
    conv->method = SOUNDCONV_METHOD_MPEG;
    conv->outFormat = f;
    conv->dataStart = int32_t(d->dataStart);
    conv->dataSize = int32_t(d->dataEnd - d->dataStart);
    conv->blockSize = int(f.avgBytesPerSec * 4 / 3);
    conv->blockSize -= conv->blockSize % f.blockAlign;
    return 0;
}

// Tags are skipped by their stated sizes; the frames are found in the bytes
// that follow.
int DetectMp3(SOUNDCONV* conv) {
    const StreamReader& s = conv->stream;
    const int64_t size = StreamLength(s);
    uint8_t head[10];
    int64_t start = 0;
    if (ReadStreamBytes(s, head, sizeof head) == sizeof head && std::memcmp(head, "ID3", 3) == 0) {
        start = ((int64_t(head[6]) * 128 + head[7]) * 128 + head[8]) * 128 + head[9] + 10;
        if (head[3] == 4 && (head[5] & 0x10)) start += 10;
    }
    int64_t end = size;
    uint8_t tail[3];
    if (size > kId3v1Bytes) {
        s.functions.Seek(s.handle, int32_t(size - kId3v1Bytes), 0);
        if (ReadStreamBytes(s, tail, sizeof tail) == sizeof tail && std::memcmp(tail, "TAG", 3) == 0)
            end -= kId3v1Bytes;
    }
    return OpenMp3Frames(conv, start, end) == 0 ? 0 : SOUNDCONV_NOT_MINE;
}
