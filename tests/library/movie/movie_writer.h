// Movies written for the tests and the fuzz seeds with the same libraries
// that play them: frame i is filled with (8i, 255 - 8i, 40) and carries a
// white marker pixel at (i, 0); sound-only files for the refusals.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>

namespace moviefix {

struct MovieSpec {
    const char* container = "matroska";          // muxer
    const char* codec = "ffv1";                  // encoder
    AVPixelFormat pixels = AV_PIX_FMT_BGR0;      // what the encoder is fed
    int width = 64, height = 48;
    int frames = 20;
    int fps = 10;
};

inline uint32_t FrameColour(int i) { return uint32_t(8 * i) << 16 | uint32_t(255 - 8 * i) << 8 | 40u; }
constexpr uint32_t kMarker = 0xFFFFFF;

// The picture of frame i as 0x00RRGGBB.
inline uint32_t FramePixel(int i, int x, int y) { return x == i && y == 0 ? kMarker : FrameColour(i); }

namespace detail {

struct Muxer {
    AVFormatContext* out = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = av_packet_alloc();
    ~Muxer() {
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (out) {
            if (out->pb) avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }
    bool Open(const std::string& path, const char* container, const char* encoder) {
        const AVCodec* c = avcodec_find_encoder_by_name(encoder);
        if (c == nullptr || avformat_alloc_output_context2(&out, nullptr, container, path.c_str()) < 0) return false;
        codec = avcodec_alloc_context3(c);
        stream = avformat_new_stream(out, nullptr);
        if (out->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        return codec != nullptr && stream != nullptr;
    }
    bool Start(const std::string& path) {
        if (avcodec_open2(codec, codec->codec, nullptr) < 0) return false;
        if (avcodec_parameters_from_context(stream->codecpar, codec) < 0) return false;
        stream->time_base = codec->time_base;
        if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
        return avformat_write_header(out, nullptr) >= 0;
    }
    // Sends one frame (null flushes) and writes what comes out.
    bool Send(AVFrame* frame) {
        if (avcodec_send_frame(codec, frame) < 0) return false;
        while (avcodec_receive_packet(codec, packet) == 0) {
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(out, packet) < 0) return false;
        }
        return true;
    }
    bool Finish() { return Send(nullptr) && av_write_trailer(out) >= 0; }
};

}  // namespace detail

inline bool WriteMovie(const std::string& path, const MovieSpec& spec) {
    detail::Muxer m;
    if (!m.Open(path, spec.container, spec.codec)) return false;
    AVCodecContext* c = m.codec;
    c->width = spec.width;
    c->height = spec.height;
    c->pix_fmt = spec.pixels;
    c->time_base = AVRational{1, spec.fps};
    c->framerate = AVRational{spec.fps, 1};
    c->gop_size = 5;
    c->bit_rate = 4000000;
    c->qmin = 1;
    c->qmax = 3;
    if (!m.Start(path)) return false;

    AVFrame* rgb = av_frame_alloc();
    AVFrame* frame = av_frame_alloc();
    rgb->format = AV_PIX_FMT_BGR0;
    rgb->width = frame->width = spec.width;
    rgb->height = frame->height = spec.height;
    frame->format = spec.pixels;
    SwsContext* sws = sws_getContext(spec.width, spec.height, AV_PIX_FMT_BGR0, spec.width, spec.height, spec.pixels,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    bool ok = sws != nullptr && av_frame_get_buffer(rgb, 0) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < spec.frames; ++i) {
        ok = av_frame_make_writable(frame) >= 0;
        for (int y = 0; y < spec.height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(rgb->data[0] + y * rgb->linesize[0]);
            for (int x = 0; x < spec.width; ++x) row[x] = FramePixel(i, x, y);
        }
        sws_scale(sws, rgb->data, rgb->linesize, 0, spec.height, frame->data, frame->linesize);
        frame->pts = i;
        ok = ok && m.Send(frame);
    }
    ok = ok && m.Finish();
    sws_freeContext(sws);
    av_frame_free(&rgb);
    av_frame_free(&frame);
    return ok;
}

// One second of a quiet tone in a movie container, no picture track.
inline bool WriteSoundOnly(const std::string& path, const char* container = "matroska") {
    detail::Muxer m;
    if (!m.Open(path, container, "pcm_s16le")) return false;
    AVCodecContext* c = m.codec;
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
        ok = ok && m.Send(frame);
    }
    ok = ok && m.Finish();
    av_frame_free(&frame);
    return ok;
}

}  // namespace moviefix
