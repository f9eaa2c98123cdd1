// Movies written for the tests and the fuzz seeds with the same libraries
// that play them: unless the caller gives a picture of its own, frame i is
// filled with (8i, 255 - 8i, 40) and carries a white marker pixel at (i, 0).
// A sound track, when asked for, is a 250 Hz
// tone whose level rises steadily, so that a stretch of it tells where in
// the track it comes from; sound-only files for the refusals.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace moviefix {

inline uint32_t FrameColour(int i) { return uint32_t(8 * i) << 16 | uint32_t(255 - 8 * i) << 8 | 40u; }
constexpr uint32_t kMarker = 0xFFFFFF;

// The picture of frame i as 0x00RRGGBB.
inline uint32_t FramePixel(int i, int x, int y) { return x == i && y == 0 ? kMarker : FrameColour(i); }

struct MovieSpec {
    const char* container = "matroska";          // muxer
    const char* codec = "ffv1";                  // encoder
    AVPixelFormat pixels = AV_PIX_FMT_BGR0;      // what the encoder is fed
    int width = 64, height = 48;
    int frames = 20;
    int fps = 10;
    int keyInterval = 5;                                     // most frames between key frames (scene cuts add some)
    int bFrames = -1;                                        // the most B-frames in a row; -1 the encoder's own choice
    int bitRate = 0;                                         // bits a second the encoder aims at; 0 nearly lossless
    uint32_t (*picture)(int i, int x, int y) = FramePixel;   // frame i's pixel (x, y)
    // The tone, when soundCodec names an encoder: as long as the picture
    // unless soundMs says otherwise, starting soundDelayMs after it.
    const char* soundCodec = nullptr;
    int soundRate = 48000;
    int soundChannels = 1;
    int soundBitRate = 192000;   // of a lossy codec
    int soundMs = 0;
    int soundDelayMs = 0;
};

// The tone's peak t seconds into the sound track, and its sample there.
inline double ToneLevel(double t) { return 2000.0 + 3000.0 * t; }
constexpr double kToneHz = 250;
inline double ToneAt(double t) { return ToneLevel(t) * std::sin(2 * M_PI * kToneHz * t); }
// Where in the track a stretch of the tone with this root mean square lies.
inline double ToneTimeOfRms(double rms) { return (rms * std::sqrt(2.0) - 2000.0) / 3000.0; }

namespace detail {

struct Track {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
};

struct Muxer {
    AVFormatContext* out = nullptr;
    std::vector<Track> tracks;
    AVPacket* packet = av_packet_alloc();
    ~Muxer() {
        av_packet_free(&packet);
        for (Track& t : tracks) avcodec_free_context(&t.codec);
        if (out) {
            if (out->pb) avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }
    bool Open(const std::string& path, const char* container) {
        return avformat_alloc_output_context2(&out, nullptr, container, path.c_str()) >= 0;
    }
    // A track whose codec context the caller fills in before Start; null when
    // there is no such encoder.
    AVCodecContext* AddTrack(const char* encoder) {
        const AVCodec* c = avcodec_find_encoder_by_name(encoder);
        if (c == nullptr) return nullptr;
        Track t{avcodec_alloc_context3(c), avformat_new_stream(out, nullptr)};
        if (t.codec == nullptr || t.stream == nullptr) return nullptr;
        if (out->oformat->flags & AVFMT_GLOBALHEADER) t.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        tracks.push_back(t);
        return t.codec;
    }
    bool Start(const std::string& path) {
        for (Track& t : tracks) {
            if (avcodec_open2(t.codec, t.codec->codec, nullptr) < 0) return false;
            if (avcodec_parameters_from_context(t.stream->codecpar, t.codec) < 0) return false;
            t.stream->time_base = t.codec->time_base;
        }
        if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
        return avformat_write_header(out, nullptr) >= 0;
    }
    // Sends one frame (null flushes) and writes what comes out.
    bool Send(Track& t, AVFrame* frame) {
        if (avcodec_send_frame(t.codec, frame) < 0) return false;
        while (avcodec_receive_packet(t.codec, packet) == 0) {
            av_packet_rescale_ts(packet, t.codec->time_base, t.stream->time_base);
            packet->stream_index = t.stream->index;
            if (av_interleaved_write_frame(out, packet) < 0) return false;
        }
        return true;
    }
    bool Finish() {
        for (Track& t : tracks)
            if (!Send(t, nullptr)) return false;
        return av_write_trailer(out) >= 0;
    }
};

// The frames of the picture track, one at a time.
struct PictureWriter {
    const MovieSpec& spec;
    AVFrame* rgb = av_frame_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    PictureWriter(const MovieSpec& s) : spec(s) {}
    ~PictureWriter() {
        sws_freeContext(sws);
        av_frame_free(&rgb);
        av_frame_free(&frame);
    }
    bool Set(AVCodecContext* c) {
        c->width = spec.width;
        c->height = spec.height;
        c->pix_fmt = spec.pixels;
        c->time_base = AVRational{1, spec.fps};
        c->framerate = AVRational{spec.fps, 1};
        c->gop_size = spec.keyInterval;
        if (spec.bFrames >= 0) c->max_b_frames = spec.bFrames;
        if (spec.bitRate > 0) {
            c->bit_rate = spec.bitRate;
        } else {
            c->bit_rate = 4000000;
            c->qmin = 1;
            c->qmax = 3;
        }
        rgb->format = AV_PIX_FMT_BGR0;
        rgb->width = frame->width = spec.width;
        rgb->height = frame->height = spec.height;
        frame->format = spec.pixels;
        sws = sws_getContext(spec.width, spec.height, AV_PIX_FMT_BGR0, spec.width, spec.height, spec.pixels, SWS_POINT,
                             nullptr, nullptr, nullptr);
        return sws != nullptr && av_frame_get_buffer(rgb, 0) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
    }
    AVFrame* Frame(int i) {
        if (av_frame_make_writable(frame) < 0) return nullptr;
        for (int y = 0; y < spec.height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(rgb->data[0] + y * rgb->linesize[0]);
            for (int x = 0; x < spec.width; ++x) row[x] = spec.picture(i, x, y);
        }
        sws_scale(sws, rgb->data, rgb->linesize, 0, spec.height, frame->data, frame->linesize);
        frame->pts = i;
        return frame;
    }
};

// The tone in blocks of the encoder's frame size, in the first sample format
// of the encoder's that is written here.
struct ToneWriter {
    const MovieSpec& spec;
    AVFrame* frame = av_frame_alloc();
    int64_t written = 0, total = 0, delay = 0;
    ToneWriter(const MovieSpec& s) : spec(s) {}
    ~ToneWriter() { av_frame_free(&frame); }
    bool Set(AVCodecContext* c) {
        c->sample_fmt = c->codec->sample_fmts ? AV_SAMPLE_FMT_NONE : AV_SAMPLE_FMT_S16;
        for (const AVSampleFormat* f = c->codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
            if (*f != AV_SAMPLE_FMT_S16 && *f != AV_SAMPLE_FMT_S16P && *f != AV_SAMPLE_FMT_FLT && *f != AV_SAMPLE_FMT_FLTP)
                continue;
            c->sample_fmt = *f;
            break;
        }
        c->sample_rate = spec.soundRate;
        c->bit_rate = spec.soundBitRate;
        av_channel_layout_default(&c->ch_layout, spec.soundChannels);
        c->time_base = AVRational{1, spec.soundRate};
        const int ms = spec.soundMs > 0 ? spec.soundMs : spec.frames * 1000 / spec.fps;
        total = int64_t(ms) * spec.soundRate / 1000;
        delay = int64_t(spec.soundDelayMs) * spec.soundRate / 1000;
        return true;
    }
    bool More() const { return written < total; }
    // The time of the next block, in seconds.
    double Next() const { return double(written + delay) / spec.soundRate; }
    AVFrame* Frame(AVCodecContext* c) {
        av_frame_unref(frame);
        frame->format = c->sample_fmt;
        // An encoder with a frame size takes whole frames: the last one is padded with silence.
        frame->nb_samples = c->frame_size > 0 ? c->frame_size : int(std::min<int64_t>(1024, total - written));
        av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
        if (av_frame_get_buffer(frame, 0) < 0) return nullptr;
        const int channels = spec.soundChannels;
        for (int k = 0; k < frame->nb_samples; ++k) {
            const int64_t n = written + k;
            const double t = double(n) / spec.soundRate;
            const double v = n < total ? ToneAt(t) / 32768.0 : 0.0;
            for (int ch = 0; ch < channels; ++ch) {
                switch (c->sample_fmt) {
                case AV_SAMPLE_FMT_S16:
                    reinterpret_cast<int16_t*>(frame->data[0])[k * channels + ch] = int16_t(std::lround(v * 32767));
                    break;
                case AV_SAMPLE_FMT_S16P:
                    reinterpret_cast<int16_t*>(frame->data[ch])[k] = int16_t(std::lround(v * 32767));
                    break;
                case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(frame->data[0])[k * channels + ch] = float(v); break;
                case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float*>(frame->data[ch])[k] = float(v); break;
                default: return nullptr;
                }
            }
        }
        frame->pts = written + delay;
        written += frame->nb_samples;
        return frame;
    }
};

}  // namespace detail

inline bool WriteMovie(const std::string& path, const MovieSpec& spec) {
    detail::Muxer m;
    detail::PictureWriter picture(spec);
    detail::ToneWriter tone(spec);
    if (!m.Open(path, spec.container)) return false;
    AVCodecContext* video = m.AddTrack(spec.codec);
    if (video == nullptr || !picture.Set(video)) return false;
    AVCodecContext* sound = nullptr;
    if (spec.soundCodec != nullptr) {
        sound = m.AddTrack(spec.soundCodec);
        if (sound == nullptr || !tone.Set(sound)) return false;
    }
    if (!m.Start(path)) return false;
    // The tracks interleaved by time, as a muxer expects them.
    for (int i = 0; i < spec.frames; ++i) {
        while (sound != nullptr && tone.More() && tone.Next() < double(i) / spec.fps) {
            AVFrame* f = tone.Frame(sound);
            if (f == nullptr || !m.Send(m.tracks[1], f)) return false;
        }
        AVFrame* f = picture.Frame(i);
        if (f == nullptr || !m.Send(m.tracks[0], f)) return false;
    }
    while (sound != nullptr && tone.More()) {
        AVFrame* f = tone.Frame(sound);
        if (f == nullptr || !m.Send(m.tracks[1], f)) return false;
    }
    return m.Finish();
}

// One second of a quiet tone in a movie container, no picture track.
inline bool WriteSoundOnly(const std::string& path, const char* container = "matroska") {
    detail::Muxer m;
    if (!m.Open(path, container)) return false;
    AVCodecContext* c = m.AddTrack("pcm_s16le");
    if (c == nullptr) return false;
    c->sample_fmt = AV_SAMPLE_FMT_S16;
    c->sample_rate = 8000;
    av_channel_layout_default(&c->ch_layout, 1);
    c->time_base = AVRational{1, 8000};
    if (!m.Start(path)) return false;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_SAMPLE_FMT_S16;
    frame->nb_samples = 800;
    av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
    bool ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < 10; ++i) {
        ok = av_frame_make_writable(frame) >= 0;
        int16_t* samples = reinterpret_cast<int16_t*>(frame->data[0]);
        for (int k = 0; k < 800; ++k) samples[k] = int16_t((k % 40) * 100);
        frame->pts = i * 800;
        ok = ok && m.Send(m.tracks[0], frame);
    }
    ok = ok && m.Finish();
    av_frame_free(&frame);
    return ok;
}

}  // namespace moviefix
