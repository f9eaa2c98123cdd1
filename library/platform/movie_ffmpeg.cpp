// Movie source over FFmpeg: a custom I/O context reads the caller's bytes, the
// demuxer is held to movie containers, the best picture track is decoded by
// send/receive, and the due frame is scaled with point filtering into the
// pixel format asked for. The sound track has a demuxer of its own and is
// resampled with libswresample.
#include "platform/movie_ffmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Containers only: the image demuxers would take a truncated picture as a
// one-frame movie.
constexpr const char* kContainers = "matroska,avi,mov,mpeg,mpegts,ogg,asf";
constexpr int kIoBufferSize = 32768;
constexpr int64_t kDefaultFrameUs = 33333;   // streams that name no rate
constexpr int64_t kFirstStepBackUs = 1000000;
// A sound seek decodes from this much before its place and drops up to it:
// a frame of MP3 or AAC decoded without the ones before it (their overlap,
// MP3's bit reservoir) comes out silent or fading in.
constexpr int64_t kSoundPrerollUs = 100000;
// A sound seek that lands after its place steps back this much further than
// it overshot, twice as far at each further step.
constexpr int64_t kSoundStepMarginUs = 100000;
// Frames in another format than their track's that a seek's landing passes
// over as a parser's false start (a run longer than that is the track's own).
constexpr int kMaxStrayFrames = 32;
// Sound tracks outside these are refused as undecodable.
constexpr int kMaxSoundRate = 768000;
constexpr int kMaxSoundChannels = 64;

struct MovieSourceState {
    MovieClockFunction clock = nullptr;
    bool librariesQuiet = false;
};
MovieSourceState g_movies;

int64_t SystemClockUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// A container opened over the caller's bytes.
struct Demuxer {
    MovieByteSource source{};
    int64_t sourceSize = -1;      // unknown while negative
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
};

// A key frame of the picture a seek has met: the time the demuxer is sought
// to for it, the time it shows, and up to when no other one is known to show.
struct KeyFrame {
    int64_t seekUs, showUs, clearUs;
};

}  // namespace

struct MovieStream {
    Demuxer demux;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    uint8_t* converted = nullptr;  // the scaler's padded picture, one spare row
    int convertedPitch = 0;
    AVPacket* packet = nullptr;
    AVFrame* next = nullptr;      // decoded, not yet due
    AVFrame* due = nullptr;       // the latest due frame, not yet converted
    int track = -1;
    AVRational timeBase{1, 1};
    int64_t startTs = 0;
    int width = 0, height = 0;
    int64_t frameUs = kDefaultFrameUs;
    int64_t lengthUs = 0;         // as the container states it, 0 when it does not
    bool hasSound = false;

    bool haveNext = false, haveDue = false;
    bool drained = false;         // the decoder was told the input ended
    bool ended = false;           // no frame follows `next`
    int64_t nextUs = 0, lastUs = -1;   // lastUs: of the last frame since the open or seek
    int64_t placeUs = 0;          // where the decoder was placed: the time of a first frame that carries none

    // Packets a seek read (undecoded) from its key frame on, which the
    // decoder takes before the demuxer's next ones.
    std::vector<AVPacket*> held;
    size_t heldNext = 0;
    std::vector<KeyFrame> keys;   // every key frame seeks have met, by seekUs

    bool running = false;
    int64_t baseUs = 0;           // stream time at runStartUs (or now, paused)
    int64_t runStartUs = 0;
};

struct MovieSound {
    Demuxer demux;
    AVCodecContext* decoder = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int track = -1;
    AVRational timeBase{1, 1};
    int64_t originUs = 0;         // the movie's time 0
    int64_t movieFrames = 0;      // the movie's stated length in output sample frames, 0 unknown
    int rate = 0, channels = 0;   // of the output
    // As the container stated them at the open: the demuxer rewrites its own
    // from the headers of a parser's false start.
    int trackRate = 0, trackChannels = 0;
    AVChannelLayout outLayout{};
    // What the resampler was made for.
    AVChannelLayout inLayout{};
    int inFormat = -1, inRate = 0;

    uint8_t* pending = nullptr;   // resampled, not yet handed out
    int pendingCapacity = 0;      // in sample frames
    int pendingStart = 0, pendingFrames = 0;
    int64_t silence = 0;          // sample frames of silence before the pending ones
    int64_t drop = 0;             // resampled sample frames still to be cut
    int64_t alignTo = 0;          // after an open or seek: where the next decoded frame belongs; -1 placed
    bool frameHeld = false;       // `frame` holds the frame a seek landed on, not yet resampled
    bool drained = false, flushed = false, ended = false;
};

namespace {

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
    Demuxer* d = static_cast<Demuxer*>(opaque);
    const size_t got = d->source.read(d->source.handle, buffer, size_t(size));
    return got == 0 ? AVERROR_EOF : int(got);
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
    Demuxer* d = static_cast<Demuxer*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return d->sourceSize >= 0 ? d->sourceSize : AVERROR(ENOSYS);
    const int origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : whence == SEEK_END ? 2 : -1;
    if (origin < 0 || d->source.seek(d->source.handle, offset, origin) != 0) return AVERROR(EIO);
    return d->source.tell(d->source.handle);
}

// A movie reaches no file but its own.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// Broken input is reported through our own results, not on stderr.
void QuietLibraries() {
    if (g_movies.librariesQuiet) return;
    av_log_set_level(AV_LOG_QUIET);
    g_movies.librariesQuiet = true;
}

// Takes the source over (it is closed with the demuxer); false when no movie
// container takes the bytes.
bool OpenDemuxer(Demuxer* d, const MovieByteSource* source) {
    QuietLibraries();
    d->source = *source;
    const int64_t here = source->tell(source->handle);
    if (source->seek(source->handle, 0, 2) == 0) d->sourceSize = source->tell(source->handle);
    source->seek(source->handle, here, 0);

    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer != nullptr) d->io = avio_alloc_context(buffer, kIoBufferSize, 0, d, ReadPacket, nullptr, SeekBytes);
    if (d->io == nullptr) av_free(buffer);
    d->format = d->io ? avformat_alloc_context() : nullptr;
    if (d->format == nullptr) return false;
    d->format->pb = d->io;
    d->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d->format->format_whitelist = av_strdup(kContainers);
    d->format->io_open = RefuseNestedOpen;
    // On failure the context is freed and nulled; our I/O context stays ours.
    return d->format->format_whitelist != nullptr && avformat_open_input(&d->format, nullptr, nullptr, nullptr) == 0 &&
           avformat_find_stream_info(d->format, nullptr) >= 0;
}

void CloseDemuxer(Demuxer* d) {
    avformat_close_input(&d->format);
    if (d->io != nullptr) {
        av_freep(&d->io->buffer);
        avio_context_free(&d->io);
    }
    d->source.close(d->source.handle);
}

// The next packet of a track; false at the end of the input.
bool ReadTrackPacket(Demuxer* d, int track, AVPacket* packet) {
    for (;;) {
        if (av_read_frame(d->format, packet) < 0) return false;
        if (packet->stream_index == track) return true;
        av_packet_unref(packet);
    }
}

// The next frame of a track's decoder; false when none follows. Packets the
// decoder refuses are skipped.
bool ReceiveFrame(Demuxer* d, int track, AVCodecContext* decoder, AVPacket* packet, AVFrame* frame, bool* drained) {
    for (;;) {
        const int r = avcodec_receive_frame(decoder, frame);
        if (r == 0) return true;
        if (r == AVERROR_EOF || *drained) return false;
        if (!ReadTrackPacket(d, track, packet)) {
            avcodec_send_packet(decoder, nullptr);
            *drained = true;
            continue;
        }
        avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
    }
}

// Opens the decoder of a track, on the caller's thread, one frame at a time.
AVCodecContext* OpenDecoder(const AVCodec* codec, const AVCodecParameters* par) {
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    if (decoder == nullptr) return nullptr;
    decoder->thread_count = 1;
    if (avcodec_parameters_to_context(decoder, par) < 0 || avcodec_open2(decoder, codec, nullptr) < 0)
        avcodec_free_context(&decoder);
    return decoder;
}

int64_t StreamTimeUs(const MovieStream* s) {
    const int64_t t = s->running ? s->baseUs + (MovieClockNowUs() - s->runStartUs) : s->baseUs;
    return t < 0 ? 0 : t;
}

// A time of the picture track in microseconds from its start. Times beyond a
// century are broken files: held there, they overflow no sum made with them.
int64_t TrackUs(const MovieStream* s, int64_t ts) {
    constexpr int64_t kFarthestUs = int64_t(1) << 52;
    int64_t sinceStart = 0;
    if (__builtin_sub_overflow(ts, s->startTs, &sinceStart)) return ts < s->startTs ? -kFarthestUs : kFarthestUs;
    return std::clamp(av_rescale_q(sinceStart, s->timeBase, AVRational{1, 1000000}), -kFarthestUs, kFarthestUs);
}

// A frame without a time of its own or of its packet (the decoder's last
// ones) follows the one before; the first one after an open or seek shows at
// the place the decoder was put, never at the start.
int64_t FrameTimeUs(MovieStream* s, const AVFrame* f) {
    const int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) return s->lastUs < 0 ? s->placeUs : s->lastUs + s->frameUs;
    return TrackUs(s, ts);
}

AVPixelFormat OutputFormat(MoviePixelFormat format) {
    switch (format) {
    case MOVIE_PIXELS_R5G6B5: return AV_PIX_FMT_RGB565LE;
    case MOVIE_PIXELS_R8G8B8: return AV_PIX_FMT_BGR24;
    default: return AV_PIX_FMT_BGRA;
    }
}

int BytesPerPixel(MoviePixelFormat format) {
    switch (format) {
    case MOVIE_PIXELS_R5G6B5: return 2;
    case MOVIE_PIXELS_R8G8B8: return 3;
    default: return 4;
    }
}

// The scaler writes whole blocks of pixels, past the end of a row that is no
// multiple of its block and past the last row. It draws into a picture of our
// own whose rows are padded to a multiple of 64 pixels, one row spare, and the
// caller's pixels get each row at its true width.
bool Convert(MovieStream* s, const AVFrame* f, MoviePixelFormat format, void* pixels, int pitch) {
    if (f->width <= 0 || f->height <= 0) return false;
    s->scaler = sws_getCachedContext(s->scaler, f->width, f->height, AVPixelFormat(f->format), s->width, s->height,
                                     OutputFormat(format), SWS_POINT, nullptr, nullptr, nullptr);
    if (s->scaler == nullptr) return false;
    if (s->converted == nullptr) {
        s->convertedPitch = (s->width + 63) / 64 * 64 * 4;
        s->converted = static_cast<uint8_t*>(av_malloc(size_t(s->convertedPitch) * size_t(s->height + 1)));
        if (s->converted == nullptr) return false;
    }
    uint8_t* planes[4] = {s->converted, nullptr, nullptr, nullptr};
    int pitches[4] = {s->convertedPitch, 0, 0, 0};
    if (sws_scale(s->scaler, f->data, f->linesize, 0, f->height, planes, pitches) != s->height) return false;
    const size_t rowBytes = size_t(s->width) * size_t(BytesPerPixel(format));
    for (int y = 0; y < s->height; ++y)
        std::memcpy(static_cast<uint8_t*>(pixels) + ptrdiff_t(y) * pitch, s->converted + size_t(y) * s->convertedPitch,
                    rowBytes);
    return true;
}

void DropHeldPackets(MovieStream* s) {
    for (size_t i = s->heldNext; i < s->held.size(); ++i) av_packet_free(&s->held[i]);
    s->held.clear();
    s->heldNext = 0;
}

// The next decoded frame of the picture; false when none follows.
bool DecodeFrame(MovieStream* s, AVFrame* frame) {
    while (s->heldNext < s->held.size()) {
        if (avcodec_receive_frame(s->decoder, frame) == 0) return true;
        avcodec_send_packet(s->decoder, s->held[s->heldNext]);
        av_packet_free(&s->held[s->heldNext++]);
    }
    DropHeldPackets(s);
    return ReceiveFrame(&s->demux, s->track, s->decoder, s->packet, frame, &s->drained);
}

// Moves the demuxer to the last place it finds at or before a stream time, or
// to the first bytes; what it held goes with the old place.
bool MoveDemuxer(MovieStream* s, int64_t us, bool toFirstByte) {
    const int64_t target = s->startTs + av_rescale_q(us, AVRational{1, 1000000}, s->timeBase);
    if ((toFirstByte ? av_seek_frame(s->demux.format, -1, 0, AVSEEK_FLAG_BYTE)
                     : av_seek_frame(s->demux.format, s->track, target, AVSEEK_FLAG_BACKWARD)) < 0)
        return false;
    DropHeldPackets(s);
    return true;
}

// Forgets what was decoded: the next frame is the first from a new place.
void ResetDecoder(MovieStream* s, int64_t placeUs) {
    avcodec_flush_buffers(s->decoder);
    av_frame_unref(s->next);
    av_frame_unref(s->due);
    s->haveNext = s->haveDue = false;
    s->drained = s->ended = false;
    s->lastUs = -1;
    s->placeUs = placeUs;
}

void NoteKeyFrame(MovieStream* s, const KeyFrame& k) {
    const auto at = std::lower_bound(s->keys.begin(), s->keys.end(), k.seekUs,
                                     [](const KeyFrame& a, int64_t us) { return a.seekUs < us; });
    if (at != s->keys.end() && at->seekUs == k.seekUs) at->clearUs = std::max(at->clearUs, k.clearUs);
    else s->keys.insert(at, k);
}

// Reads the track's packets from the demuxer's place, without decoding them,
// up to the first one past a time, and holds those from the last key frame
// that shows by then (with `first`: the first one met, whenever it shows).
// Every key frame met is noted. False when there is none.
bool HoldFromKeyFrame(MovieStream* s, int64_t limitUs, bool first, KeyFrame* found) {
    bool have = false, met = false, inStep = false;
    KeyFrame last{};                    // the last key frame met
    int placed = 0;                     // packets that begin at a known byte of the file
    int64_t packetUs = AV_NOPTS_VALUE;  // a packet without a time follows the one before
    for (;;) {
        AVPacket* p = av_packet_alloc();
        if (p == nullptr) break;
        if (!ReadTrackPacket(&s->demux, s->track, p)) {
            av_packet_free(&p);
            // To the end no other key frame follows the last one.
            last.clearUs = INT64_MAX;
            break;
        }
        const int64_t decodeTs = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
        const int64_t showTs = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        if (decodeTs != AV_NOPTS_VALUE) packetUs = TrackUs(s, decodeTs);
        else if (packetUs != AV_NOPTS_VALUE) packetUs += s->frameUs;
        const bool key = p->flags & AV_PKT_FLAG_KEY;
        // After a seek the demuxer may give the first packets times it guessed
        // from a piece of a frame (MPEG program streams): a key frame that
        // begins a block of the file has the block's own, and from a second
        // block on the guesses are in step again.
        if (p->pos >= 0 && (key || ++placed >= 2)) inStep = true;
        if (key && inStep && showTs != AV_NOPTS_VALUE) {
            const KeyFrame k{TrackUs(s, decodeTs), TrackUs(s, showTs), TrackUs(s, showTs)};
            if (met) {
                last.clearUs = k.showUs - 1;
                NoteKeyFrame(s, last);
            }
            met = true;
            last = k;
            if (k.showUs <= limitUs || (first && !have)) {
                DropHeldPackets(s);
                have = true;
                *found = k;
            }
        }
        if (have) s->held.push_back(p);
        else av_packet_free(&p);
        if (packetUs != AV_NOPTS_VALUE && packetUs > limitUs && (have || !first)) {
            // Any key frame after this packet decodes, so shows, later.
            last.clearUs = packetUs - 1;
            break;
        }
    }
    if (met) NoteKeyFrame(s, last);
    return have;
}

// Moves the demuxer to a time (or the first bytes) and holds the packets
// from the last key frame after it that shows by a limit (from the start,
// the first one whenever it shows); the decoder starts anew from them.
bool PlaceAtKeyFrame(MovieStream* s, int64_t from, bool toFirstByte, int64_t limitUs, int64_t placeUs, KeyFrame* key) {
    if (!MoveDemuxer(s, from, toFirstByte) || !HoldFromKeyFrame(s, limitUs, from == 0, key)) return false;
    ResetDecoder(s, placeUs);
    return true;
}

// The next place to look from: a step further back, or nearer a key frame
// met before that shows by the limit.
int64_t StepBack(const MovieStream* s, int64_t from, int64_t step, int64_t limitUs) {
    int64_t to = std::max<int64_t>(0, from - step);
    for (const KeyFrame& k : s->keys)
        if (k.seekUs < from && k.showUs <= limitUs) to = std::max(to, k.seekUs);
    return to;
}

// Decodes the first frame from the decoder's place into `next`; false when
// none follows.
bool ReadFirstFrame(MovieStream* s) {
    if (!DecodeFrame(s, s->next)) return false;
    s->haveNext = true;
    s->nextUs = FrameTimeUs(s, s->next);
    return true;
}

// Places the decoder so that its first frame is at or before a stream time,
// which the next update then decodes up to: the picture shows the frame of
// that time, forward or back. Demuxers that find their place by the times
// they read (MPEG transport and program streams) land anywhere in a key
// frame's interval, and past where a cut file breaks off (it says it is
// longer) no frame follows at all. So the key frame to decode from is found
// in the packets, undecoded: when none lies between the place and the time,
// the search steps further back, twice as far each time, or to a key frame
// an earlier seek met; where the key frames met tell which one it is, it goes
// there at once. False when no frame can be decoded from anywhere before the
// time, nor from the start.
bool SeekPicture(MovieStream* s, int64_t us) {
    // The search starts at the time, or at the length the file states, so
    // that a time far past it takes few steps; or at the key frame to decode
    // from where those met tell which one it is.
    int64_t from = s->lengthUs > 0 ? std::min(us, s->lengthUs) : us;
    for (const KeyFrame& k : s->keys)
        if (k.showUs <= us && us <= k.clearUs) from = k.seekUs;
    int64_t limit = us;
    KeyFrame key{};
    for (int64_t step = kFirstStepBackUs; from > 0; step = std::min(2 * step, from)) {
        if (PlaceAtKeyFrame(s, from, false, limit, us, &key)) {
            if (ReadFirstFrame(s) && s->nextUs <= us) return true;
            // Its first frame shows after the time (the key frame's packet
            // told only when it decodes): the key frame before it is needed.
            limit = key.showUs - 1;
            from = std::min(from, key.seekUs);
        }
        from = StepBack(s, from, step, limit);
    }
    // At the start: by the first byte, or by time where that lands elsewhere
    // (Matroska). A time before the first frame shows the first frame.
    if (PlaceAtKeyFrame(s, 0, true, limit, us, &key) && ReadFirstFrame(s) && s->nextUs <= us) return true;
    return PlaceAtKeyFrame(s, 0, false, limit, us, &key) && ReadFirstFrame(s);
}

// Finds and opens the picture track of an opened container.
MovieOpenResult OpenTrack(MovieStream* s) {
    AVFormatContext* format = s->demux.format;
    const AVCodec* codec = nullptr;
    const int track = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (track == AVERROR_STREAM_NOT_FOUND) return MOVIE_NOT_VIDEO;
    if (track < 0 || codec == nullptr) return MOVIE_NO_DECODER;
    AVStream* st = format->streams[track];
    const AVCodecParameters* par = st->codecpar;
    // A cover picture of a sound file is no movie.
    if ((st->disposition & AV_DISPOSITION_ATTACHED_PIC) || par->width <= 0 || par->height <= 0 ||
        par->width > MOVIE_MAX_FRAME_SIZE || par->height > MOVIE_MAX_FRAME_SIZE)
        return MOVIE_NOT_VIDEO;
    s->decoder = OpenDecoder(codec, par);
    s->packet = av_packet_alloc();
    s->next = av_frame_alloc();
    s->due = av_frame_alloc();
    if (s->decoder == nullptr || s->packet == nullptr || s->next == nullptr || s->due == nullptr)
        return MOVIE_NO_DECODER;
    s->track = track;
    s->timeBase = st->time_base;
    s->startTs = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    s->width = par->width;
    s->height = par->height;
    s->hasSound = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) s->lengthUs = format->duration;
    const AVRational rate = av_guess_frame_rate(format, st, nullptr);
    if (rate.num > 0 && rate.den > 0) {
        const int64_t us = av_rescale(1000000, rate.den, rate.num);
        if (us > 0) s->frameUs = us;
    }
    return MOVIE_OPENED;
}

}  // namespace

MovieOpenResult MovieStreamOpen(const MovieByteSource* source, MovieStream** out) {
    *out = nullptr;
    MovieStream* s = new (std::nothrow) MovieStream;
    if (s == nullptr) {
        source->close(source->handle);
        return MOVIE_NO_DECODER;
    }
    const MovieOpenResult result = OpenDemuxer(&s->demux, source) ? OpenTrack(s) : MOVIE_UNREADABLE;
    if (result != MOVIE_OPENED) {
        MovieStreamClose(s);
        return result;
    }
    *out = s;
    return MOVIE_OPENED;
}

void MovieStreamClose(MovieStream* s) {
    if (s == nullptr) return;
    DropHeldPackets(s);
    sws_freeContext(s->scaler);
    av_free(s->converted);
    av_frame_free(&s->next);
    av_frame_free(&s->due);
    av_packet_free(&s->packet);
    avcodec_free_context(&s->decoder);
    CloseDemuxer(&s->demux);
    delete s;
}

void MovieStreamGetInfo(const MovieStream* s, MovieStreamInfo* info) {
    info->width = s->width;
    info->height = s->height;
    info->timePerFrameUs = s->frameUs;
    info->hasSound = s->hasSound ? 1 : 0;
}

MovieFrameResult MovieStreamUpdate(MovieStream* s, MoviePixelFormat format, void* pixels, int pitch) {
    const int64_t now = StreamTimeUs(s);
    for (;;) {
        if (!s->haveNext) {
            if (s->ended || !DecodeFrame(s, s->next)) {
                s->ended = true;
                break;
            }
            s->haveNext = true;
            s->nextUs = FrameTimeUs(s, s->next);
        }
        if (s->nextUs > now) break;
        // A frame that is due replaces an older one that was never shown.
        av_frame_unref(s->due);
        av_frame_move_ref(s->due, s->next);
        s->haveNext = false;
        s->haveDue = true;
        s->lastUs = s->nextUs;
    }
    // The clock stops at the movie's end, so that it tells its length; a time
    // past the end (a seek there) shows the last frame at once.
    const int64_t endUs = s->lastUs < 0 ? 0 : s->lastUs + s->frameUs;
    const bool atEnd = s->ended && (s->lastUs < 0 || now >= endUs);
    if (atEnd) {
        s->running = false;
        s->baseUs = endUs;
    }
    if (s->haveDue) {
        s->haveDue = false;
        const bool converted = Convert(s, s->due, format, pixels, pitch);
        av_frame_unref(s->due);
        return converted ? MOVIE_FRAME_NEW : MOVIE_FRAME_ERROR;
    }
    return atEnd ? MOVIE_FRAME_END : MOVIE_FRAME_PENDING;
}

void MovieStreamRun(MovieStream* s) {
    if (s->running) return;
    s->runStartUs = MovieClockNowUs();
    s->running = true;
}

void MovieStreamPause(MovieStream* s) {
    if (!s->running) return;
    s->baseUs = StreamTimeUs(s);
    s->running = false;
}

int MovieStreamIsRunning(const MovieStream* s) { return s->running ? 1 : 0; }

int64_t MovieStreamTellMs(const MovieStream* s) { return StreamTimeUs(s) / 1000; }

int MovieStreamSeekMs(MovieStream* s, int64_t ms) {
    if (ms < 0 || ms > INT64_MAX / 1000) return -1;
    if (!SeekPicture(s, ms * 1000)) {
        // Back where the movie was, as far as the demuxer can be moved.
        SeekPicture(s, StreamTimeUs(s));
        return -1;
    }
    s->baseUs = ms * 1000;
    s->runStartUs = MovieClockNowUs();
    return 0;
}

void MovieStreamSetTimeUs(MovieStream* s, int64_t us) {
    s->baseUs = us;
    s->runStartUs = MovieClockNowUs();
}

void MovieSetClock(MovieClockFunction clock) { g_movies.clock = clock; }

int64_t MovieClockNowUs() { return g_movies.clock ? g_movies.clock() : SystemClockUs(); }

// ---- the sound track --------------------------------------------------------

namespace {

// The resampler and the input format it was made for are gone.
void DropResampler(MovieSound* m) {
    swr_free(&m->resampler);
    av_channel_layout_uninit(&m->inLayout);
    m->inFormat = -1;
}

// Makes the resampler anew when a frame's format differs from the last one's.
bool FitResampler(MovieSound* m, const AVFrame* f) {
    if (m->resampler != nullptr && f->format == m->inFormat && f->sample_rate == m->inRate &&
        av_channel_layout_compare(&f->ch_layout, &m->inLayout) == 0)
        return true;
    DropResampler(m);
    const int channels = f->ch_layout.nb_channels;
    if (f->sample_rate <= 0 || f->sample_rate > kMaxSoundRate || channels <= 0 || channels > kMaxSoundChannels)
        return false;
    // A layout that only counts its channels gets the usual one of that count.
    AVChannelLayout in{};
    if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&in, channels);
    else if (av_channel_layout_copy(&in, &f->ch_layout) < 0) return false;
    bool made = swr_alloc_set_opts2(&m->resampler, &m->outLayout, AV_SAMPLE_FMT_S16, m->rate, &in,
                                    AVSampleFormat(f->format), f->sample_rate, 0, nullptr) == 0;
    // A mono track sounds at its own level on both sides, not 3 dB down as a
    // centre channel mixed into stereo would.
    const double monoToAll[2] = {1.0, 1.0};
    if (made && channels == 1) made = swr_set_matrix(m->resampler, monoToAll, 1) == 0;
    made = made && swr_init(m->resampler) == 0;
    av_channel_layout_uninit(&in);
    if (!made) {
        swr_free(&m->resampler);
        return false;
    }
    av_channel_layout_copy(&m->inLayout, &f->ch_layout);
    m->inFormat = f->format;
    m->inRate = f->sample_rate;
    return true;
}

bool ReservePending(MovieSound* m, int frames) {
    if (frames <= m->pendingCapacity) return true;
    av_free(m->pending);
    m->pending = static_cast<uint8_t*>(av_malloc(size_t(frames) * size_t(m->channels) * 2));
    m->pendingCapacity = m->pending ? frames : 0;
    return m->pending != nullptr;
}

// Times beyond a century are broken files; they are not worth a sum that overflows.
constexpr int64_t kMaxSaneUs = int64_t(1) << 52;
bool SaneUs(int64_t us) { return us > -kMaxSaneUs && us < kMaxSaneUs; }

// Where a decoded frame's first sample belongs, in output sample frames; a
// frame without a usable time belongs where the caller says.
int64_t FrameStartSample(const MovieSound* m, const AVFrame* f, int64_t unknown) {
    const int64_t ts = f->best_effort_timestamp;
    const int64_t us = ts == AV_NOPTS_VALUE ? 0 : av_rescale_q(ts, m->timeBase, AVRational{1, 1000000});
    if (ts == AV_NOPTS_VALUE || !SaneUs(us)) return unknown;
    return av_rescale(us - m->originUs, m->rate, 1000000);
}

// A track may start late, but no later than the movie's end: times that put
// it past that are broken, and not worth hours of silence.
int64_t BoundLead(const MovieSound* m, int64_t lead) {
    return m->movieFrames > 0 ? std::min(lead, m->movieFrames) : lead;
}

// Resamples one decoded frame (null: what the resampler still holds) into the
// pending samples, cutting what lies before the position.
bool Resample(MovieSound* m, const AVFrame* f) {
    if (m->resampler == nullptr) return f == nullptr;
    const int frames = swr_get_out_samples(m->resampler, f ? f->nb_samples : 0);
    if (frames < 0 || !ReservePending(m, frames + 1)) return false;
    uint8_t* out[1] = {m->pending};
    const int got = swr_convert(m->resampler, out, m->pendingCapacity, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                                f ? f->nb_samples : 0);
    if (got < 0) return false;
    const int cut = int(std::min<int64_t>(m->drop, got));
    m->drop -= cut;
    m->pendingStart = cut;
    m->pendingFrames = got - cut;
    return true;
}

// Decodes until there are pending samples or silence; false at the end.
bool DecodeMore(MovieSound* m) {
    while (m->pendingFrames == 0 && m->silence == 0) {
        if (m->flushed) return false;
        if (!m->frameHeld && !ReceiveFrame(&m->demux, m->track, m->decoder, m->packet, m->frame, &m->drained)) {
            m->flushed = true;
            if (!Resample(m, nullptr)) return false;
            continue;
        }
        m->frameHeld = false;
        // Frames the resampler cannot take are skipped.
        if (m->frame->nb_samples > 0 && FitResampler(m, m->frame)) {
            if (m->alignTo >= 0) {
                const int64_t lead = FrameStartSample(m, m->frame, m->alignTo) - m->alignTo;
                if (lead > 0) m->silence = BoundLead(m, lead);
                else m->drop = -lead;
                m->alignTo = -1;
            }
            if (!Resample(m, m->frame)) {
                av_frame_unref(m->frame);
                return false;
            }
        }
        av_frame_unref(m->frame);
    }
    return true;
}

// After a seek: nothing decoded before it is handed out.
void ForgetSound(MovieSound* m, int64_t sample) {
    av_frame_unref(m->frame);
    m->frameHeld = false;
    DropResampler(m);
    m->pendingStart = m->pendingFrames = 0;
    m->silence = m->drop = 0;
    m->alignTo = sample;
    m->drained = m->flushed = m->ended = false;
}

// Moves the demuxer to the last packet of the track at or before a sample
// frame of the movie (or to its first one); false when it cannot seek.
bool SeekSoundTo(MovieSound* m, int64_t sample) {
    const int64_t us = av_rescale(sample, 1000000, m->rate) + m->originUs;
    const int64_t ts = av_rescale_q(us, AVRational{1, 1000000}, m->timeBase);
    // Before the first packet there is nothing to go back to: the start is the place.
    return av_seek_frame(m->demux.format, m->track, ts, AVSEEK_FLAG_BACKWARD) >= 0 ||
           av_seek_frame(m->demux.format, m->track, ts, 0) >= 0;
}

// The track's first sample frame on the movie's time.
int64_t TrackStartSample(const MovieSound* m) {
    const AVStream* st = m->demux.format->streams[m->track];
    const int64_t us = st->start_time == AV_NOPTS_VALUE
                           ? m->originUs
                           : av_rescale_q(st->start_time, st->time_base, AVRational{1, 1000000});
    return SaneUs(us) ? av_rescale(us - m->originUs, m->rate, 1000000) : 0;
}

// Decodes the first frame from the demuxer's place in the track's own
// format; false when none follows. The frames' parser of an MPEG stream
// starts its search for a frame in the middle of one, and can take bytes
// there for a frame's start and keep to that false step for hundreds of
// milliseconds: the decoder refuses those packets (ReceiveFrame skips them)
// or decodes noise in some other format, skipped here.
bool ReceiveLandingFrame(MovieSound* m) {
    for (int stray = 0;; ++stray) {
        if (!ReceiveFrame(&m->demux, m->track, m->decoder, m->packet, m->frame, &m->drained)) return false;
        const AVFrame* f = m->frame;
        const bool ownFormat = f->sample_rate == m->trackRate && f->ch_layout.nb_channels == m->trackChannels;
        if (ownFormat || stray == kMaxStrayFrames) return true;
        av_frame_unref(m->frame);
    }
}

// Places the track so that the first frame decoded from there starts a
// pre-roll or more before a sample frame, and keeps that frame for
// DecodeMore. MPEG program and system streams find a place by the times
// they read and can land after it, and their parser's false start (above)
// puts the first frame later still: that frame would be heard late, after
// silence, or its noise heard. Such a landing steps back by what it
// overshot and a margin that doubles, down to the track's start; where no
// frame follows, by the margin alone. False when the demuxer cannot seek.
bool LandSound(MovieSound* m, int64_t sample) {
    const int64_t latest = sample - av_rescale(kSoundPrerollUs, m->rate, 1000000);
    const int64_t first = TrackStartSample(m);
    int64_t at = latest, margin = std::max<int64_t>(1, av_rescale(kSoundStepMarginUs, m->rate, 1000000));
    for (;;) {
        avcodec_flush_buffers(m->decoder);
        m->drained = false;
        if (!SeekSoundTo(m, at)) return false;
        const bool found = ReceiveLandingFrame(m);
        const int64_t landed = found ? FrameStartSample(m, m->frame, latest) : latest;
        if (found && (landed <= latest || at <= first)) {
            m->frameHeld = true;
            return true;
        }
        av_frame_unref(m->frame);
        if (at <= first) return true;   // nothing follows: the sound ends
        at = std::max(first, at - (landed - latest) - margin);
        margin *= 2;
    }
}

// The movie's time 0 is its picture's start, as the picture's clock counts.
int64_t MovieOriginUs(AVFormatContext* format, const AVStream* sound) {
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* origin = video >= 0 ? format->streams[video] : sound;
    if (origin->start_time == AV_NOPTS_VALUE) return 0;
    const int64_t us = av_rescale_q(origin->start_time, origin->time_base, AVRational{1, 1000000});
    return SaneUs(us) ? us : 0;
}

MovieOpenResult OpenSoundTrack(MovieSound* m) {
    AVFormatContext* format = m->demux.format;
    const AVCodec* codec = nullptr;
    const int track = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (track == AVERROR_STREAM_NOT_FOUND) return MOVIE_NO_SOUND;
    if (track < 0 || codec == nullptr) return MOVIE_NO_DECODER;
    const AVStream* st = format->streams[track];
    m->decoder = OpenDecoder(codec, st->codecpar);
    m->packet = av_packet_alloc();
    m->frame = av_frame_alloc();
    if (m->decoder == nullptr || m->packet == nullptr || m->frame == nullptr) return MOVIE_NO_DECODER;
    m->track = track;
    m->timeBase = st->time_base;
    m->trackRate = st->codecpar->sample_rate;
    m->trackChannels = st->codecpar->ch_layout.nb_channels;
    m->originUs = MovieOriginUs(format, st);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        m->movieFrames = av_rescale(format->duration, m->rate, AV_TIME_BASE);
    return MOVIE_OPENED;
}

}  // namespace

MovieOpenResult MovieSoundOpen(const MovieByteSource* source, int rate, int channels, MovieSound** out) {
    *out = nullptr;
    MovieSound* m = new (std::nothrow) MovieSound;
    if (m == nullptr) {
        source->close(source->handle);
        return MOVIE_NO_DECODER;
    }
    m->rate = rate;
    m->channels = channels;
    av_channel_layout_default(&m->outLayout, channels);
    MovieOpenResult result = OpenDemuxer(&m->demux, source) ? OpenSoundTrack(m) : MOVIE_UNREADABLE;
    if (result == MOVIE_OPENED && (rate <= 0 || rate > kMaxSoundRate || channels <= 0 || channels > 2))
        result = MOVIE_NO_DECODER;
    if (result != MOVIE_OPENED) {
        MovieSoundClose(m);
        return result;
    }
    *out = m;
    return MOVIE_OPENED;
}

void MovieSoundClose(MovieSound* m) {
    if (m == nullptr) return;
    DropResampler(m);
    av_channel_layout_uninit(&m->outLayout);
    av_free(m->pending);
    av_frame_free(&m->frame);
    av_packet_free(&m->packet);
    avcodec_free_context(&m->decoder);
    CloseDemuxer(&m->demux);
    delete m;
}

int MovieSoundRead(MovieSound* m, void* pcm, int bytes) {
    const int frameBytes = 2 * m->channels;
    const int want = bytes / frameBytes;
    uint8_t* out = static_cast<uint8_t*>(pcm);
    int done = 0;
    while (done < want) {
        if (m->silence > 0) {
            const int n = int(std::min<int64_t>(m->silence, want - done));
            std::memset(out + size_t(done) * frameBytes, 0, size_t(n) * frameBytes);
            m->silence -= n;
            done += n;
        } else if (m->pendingFrames > 0) {
            const int n = std::min(m->pendingFrames, want - done);
            std::memcpy(out + size_t(done) * frameBytes, m->pending + size_t(m->pendingStart) * frameBytes,
                        size_t(n) * frameBytes);
            m->pendingStart += n;
            m->pendingFrames -= n;
            done += n;
        } else if (m->ended || !DecodeMore(m)) {
            m->ended = true;
            break;
        }
    }
    return done * frameBytes;
}

int MovieSoundSeek(MovieSound* m, int64_t sample) {
    if (sample < 0) return -1;
    ForgetSound(m, sample);
    if (!LandSound(m, sample)) {
        m->ended = true;
        return -1;
    }
    return 0;
}

int64_t MovieSoundLength(const MovieSound* m) {
    const AVStream* st = m->demux.format->streams[m->track];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return av_rescale_q(st->duration, st->time_base, AVRational{1, m->rate});
    if (m->demux.format->duration != AV_NOPTS_VALUE && m->demux.format->duration > 0)
        return av_rescale(m->demux.format->duration, m->rate, AV_TIME_BASE);
    return 0;
}
