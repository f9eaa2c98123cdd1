// Sound files built byte by byte for the sound tests and the fuzz seed
// corpus: RIFF WAVE with chosen chunks, MP3 frames and ID3 tags, and Ogg
// Vorbis through the Vorbis encoder. Header-only and free of the test
// framework, so the seed program includes it as it stands.
#pragma once
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// Interleaved samples in [-1, 1] encoded as Ogg Vorbis at the quality, in
// one logical stream with the serial number.
inline Bytes EncodeVorbis(const std::vector<float>& interleaved, int channels, int rate, float quality, int serial) {
    Bytes out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, channels, rate, quality);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    auto putPage = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&os, &page)) putPage();

    const int frames = int(interleaved.size()) / channels;
    for (int done = 0; done <= frames;) {
        int n = std::min(1024, frames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c) buffer[c][i] = interleaved[size_t(done + i) * channels + c];
        }
        // Zero frames written marks the end of the stream.
        vorbis_analysis_wrote(&vd, n);
        done += n > 0 ? n : 1;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) putPage();
            }
        }
    }
    while (ogg_stream_flush(&os, &page)) putPage();
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace soundtest
