// Movie source over FFmpeg: a custom I/O context reads the caller's bytes, the
// demuxer is held to movie containers, the best picture track is decoded by
// send/receive, and the due frame is scaled with point filtering into the
// pixel format asked for.
#include "platform/movie_ffmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cstring>
#include <new>

namespace {

// Containers only: the image demuxers would take a truncated picture as a
// one-frame movie.
constexpr const char* kContainers = "matroska,avi,mov,mpeg,mpegts,ogg,asf";
constexpr int kIoBufferSize = 32768;
constexpr int64_t kDefaultFrameUs = 33333;   // streams that name no rate

struct MovieSourceState {
    MovieClockFunction clock = nullptr;
    bool librariesQuiet = false;
};
MovieSourceState g_movies;

int64_t SystemClockUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

struct MovieStream {
    MovieByteSource source{};
    int64_t sourceSize = -1;      // unknown while negative
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
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

    bool haveNext = false, haveDue = false;
    bool drained = false;         // the decoder was told the input ended
    bool ended = false;           // no frame follows `next`
    int64_t nextUs = 0, lastUs = -1;

    bool running = false;
    int64_t baseUs = 0;           // stream time at runStartUs (or now, paused)
    int64_t runStartUs = 0;
};

namespace {

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
    MovieStream* s = static_cast<MovieStream*>(opaque);
    const size_t got = s->source.read(s->source.handle, buffer, size_t(size));
    return got == 0 ? AVERROR_EOF : int(got);
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
    MovieStream* s = static_cast<MovieStream*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return s->sourceSize >= 0 ? s->sourceSize : AVERROR(ENOSYS);
    const int origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : whence == SEEK_END ? 2 : -1;
    if (origin < 0 || s->source.seek(s->source.handle, offset, origin) != 0) return AVERROR(EIO);
    return s->source.tell(s->source.handle);
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

int64_t StreamTimeUs(const MovieStream* s) {
    const int64_t t = s->running ? s->baseUs + (MovieClockNowUs() - s->runStartUs) : s->baseUs;
    return t < 0 ? 0 : t;
}

int64_t FrameTimeUs(MovieStream* s, const AVFrame* f) {
    const int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) return s->lastUs < 0 ? 0 : s->lastUs + s->frameUs;
    return av_rescale_q(ts - s->startTs, s->timeBase, AVRational{1, 1000000});
}

// The next frame of the track into s->next; false when none follows. Packets
// the decoder refuses are skipped.
bool DecodeNext(MovieStream* s) {
    for (;;) {
        const int r = avcodec_receive_frame(s->decoder, s->next);
        if (r == 0) return true;
        if (r == AVERROR_EOF || s->drained) return false;
        if (av_read_frame(s->format, s->packet) < 0) {
            avcodec_send_packet(s->decoder, nullptr);
            s->drained = true;
            continue;
        }
        if (s->packet->stream_index == s->track) avcodec_send_packet(s->decoder, s->packet);
        av_packet_unref(s->packet);
    }
}

AVPixelFormat OutputFormat(MoviePixelFormat format) {
    switch (format) {
    case MOVIE_PIXELS_R5G6B5: return AV_PIX_FMT_RGB565LE;
    case MOVIE_PIXELS_R8G8B8: return AV_PIX_FMT_BGR24;
    default: return AV_PIX_FMT_BGR0;
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

void ForgetFrames(MovieStream* s) {
    av_frame_unref(s->next);
    av_frame_unref(s->due);
    s->haveNext = s->haveDue = false;
    s->drained = s->ended = false;
    s->lastUs = -1;
}

// Finds and opens the picture track of an opened container.
MovieOpenResult OpenTrack(MovieStream* s) {
    if (avformat_find_stream_info(s->format, nullptr) < 0) return MOVIE_UNREADABLE;
    const AVCodec* codec = nullptr;
    const int track = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (track == AVERROR_STREAM_NOT_FOUND) return MOVIE_NOT_VIDEO;
    if (track < 0 || codec == nullptr) return MOVIE_NO_DECODER;
    AVStream* st = s->format->streams[track];
    const AVCodecParameters* par = st->codecpar;
    // A cover picture of a sound file is no movie.
    if ((st->disposition & AV_DISPOSITION_ATTACHED_PIC) || par->width <= 0 || par->height <= 0 ||
        par->width > MOVIE_MAX_FRAME_SIZE || par->height > MOVIE_MAX_FRAME_SIZE)
        return MOVIE_NOT_VIDEO;
    s->decoder = avcodec_alloc_context3(codec);
    if (s->decoder == nullptr || avcodec_parameters_to_context(s->decoder, par) < 0) return MOVIE_NO_DECODER;
    // Decoded on the caller's thread, one frame at a time, as it falls due.
    s->decoder->thread_count = 1;
    if (avcodec_open2(s->decoder, codec, nullptr) < 0) return MOVIE_NO_DECODER;
    s->packet = av_packet_alloc();
    s->next = av_frame_alloc();
    s->due = av_frame_alloc();
    if (s->packet == nullptr || s->next == nullptr || s->due == nullptr) return MOVIE_NO_DECODER;
    s->track = track;
    s->timeBase = st->time_base;
    s->startTs = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    s->width = par->width;
    s->height = par->height;
    const AVRational rate = av_guess_frame_rate(s->format, st, nullptr);
    if (rate.num > 0 && rate.den > 0) {
        const int64_t us = av_rescale(1000000, rate.den, rate.num);
        if (us > 0) s->frameUs = us;
    }
    return MOVIE_OPENED;
}

}  // namespace

MovieOpenResult MovieStreamOpen(const MovieByteSource* source, MovieStream** out) {
    *out = nullptr;
    QuietLibraries();
    MovieStream* s = new (std::nothrow) MovieStream;
    if (s == nullptr) {
        source->close(source->handle);
        return MOVIE_NO_DECODER;
    }
    s->source = *source;
    const int64_t here = source->tell(source->handle);
    if (source->seek(source->handle, 0, 2) == 0) s->sourceSize = source->tell(source->handle);
    source->seek(source->handle, here, 0);

    MovieOpenResult result = MOVIE_UNREADABLE;
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer != nullptr) s->io = avio_alloc_context(buffer, kIoBufferSize, 0, s, ReadPacket, nullptr, SeekBytes);
    if (s->io == nullptr) av_free(buffer);
    s->format = s->io ? avformat_alloc_context() : nullptr;
    if (s->format != nullptr) {
        s->format->pb = s->io;
        s->format->flags |= AVFMT_FLAG_CUSTOM_IO;
        s->format->format_whitelist = av_strdup(kContainers);
        s->format->io_open = RefuseNestedOpen;
        // On failure the context is freed and nulled; our I/O context stays ours.
        if (s->format->format_whitelist != nullptr && avformat_open_input(&s->format, nullptr, nullptr, nullptr) == 0)
            result = OpenTrack(s);
    }
    if (result != MOVIE_OPENED) {
        MovieStreamClose(s);
        return result;
    }
    *out = s;
    return MOVIE_OPENED;
}

void MovieStreamClose(MovieStream* s) {
    if (s == nullptr) return;
    sws_freeContext(s->scaler);
    av_free(s->converted);
    av_frame_free(&s->next);
    av_frame_free(&s->due);
    av_packet_free(&s->packet);
    avcodec_free_context(&s->decoder);
    avformat_close_input(&s->format);
    if (s->io != nullptr) {
        av_freep(&s->io->buffer);
        avio_context_free(&s->io);
    }
    s->source.close(s->source.handle);
    delete s;
}

void MovieStreamGetInfo(const MovieStream* s, MovieStreamInfo* info) {
    info->width = s->width;
    info->height = s->height;
    info->timePerFrameUs = s->frameUs;
}

MovieFrameResult MovieStreamUpdate(MovieStream* s, MoviePixelFormat format, void* pixels, int pitch) {
    const int64_t now = StreamTimeUs(s);
    for (;;) {
        if (!s->haveNext) {
            if (s->ended || !DecodeNext(s)) {
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
    if (s->haveDue) {
        s->haveDue = false;
        const bool converted = Convert(s, s->due, format, pixels, pitch);
        av_frame_unref(s->due);
        return converted ? MOVIE_FRAME_NEW : MOVIE_FRAME_ERROR;
    }
    if (!s->ended || (s->lastUs >= 0 && now < s->lastUs + s->frameUs)) return MOVIE_FRAME_PENDING;
    // The clock stops at the movie's end, so that it tells its length.
    s->running = false;
    s->baseUs = s->lastUs < 0 ? 0 : s->lastUs + s->frameUs;
    return MOVIE_FRAME_END;
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
    if (ms < 0) return -1;
    const int64_t target = s->startTs + av_rescale_q(ms, AVRational{1, 1000}, s->timeBase);
    if (av_seek_frame(s->format, s->track, target, AVSEEK_FLAG_BACKWARD) < 0) return -1;
    avcodec_flush_buffers(s->decoder);
    ForgetFrames(s);
    s->baseUs = ms * 1000;
    s->runStartUs = MovieClockNowUs();
    return 0;
}

void MovieSetClock(MovieClockFunction clock) { g_movies.clock = clock; }

int64_t MovieClockNowUs() { return g_movies.clock ? g_movies.clock() : SystemClockUs(); }
