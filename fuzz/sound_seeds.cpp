// Writes the seed corpus of the sound fuzz target into the folder given:
// PCM WAVE files, MP3 frames with ID3 tags, MP3 inside WAVE, and Ogg Vorbis.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Text(Bytes& b, const char* t) { b.insert(b.end(), t, t + std::strlen(t)); }

Bytes Wav(int tag, int channels, int bits, int rate, const Bytes& data) {
    Bytes b;
    Text(b, "RIFF");
    Put32(b, uint32_t(4 + 26 + 8 + 12 + data.size()));
    Text(b, "WAVEfmt ");
    Put32(b, 18);
    const int align = tag == 1 ? channels * bits / 8 : 1;
    Put16(b, uint32_t(tag));
    Put16(b, uint32_t(channels));
    Put32(b, uint32_t(rate));
    Put32(b, uint32_t(align * rate));
    Put16(b, uint32_t(align));
    Put16(b, uint32_t(bits));
    Put16(b, 0);
    Text(b, "LIST");
    Put32(b, 4);
    Text(b, "INFO");
    Text(b, "data");
    Put32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes SilentFrames(int n) {
    Bytes b;
    for (int i = 0; i < n; ++i) {
        Bytes f = {0xFF, 0xFB, 0x90, 0x00};
        f.resize(417, 0);
        b.insert(b.end(), f.begin(), f.end());
    }
    return b;
}

Bytes Ogg() {
    Bytes out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 1, 8000, 0.1f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    ogg_packet h[3];
    vorbis_analysis_headerout(&vd, &vc, &h[0], &h[1], &h[2]);
    for (ogg_packet& p : h) ogg_stream_packetin(&os, &p);
    ogg_page page;
    auto put = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&os, &page)) put();
    float** buffer = vorbis_analysis_buffer(&vd, 800);
    for (int i = 0; i < 800; ++i) buffer[0][i] = 0.3f * float(std::sin(i * 0.2));
    vorbis_analysis_wrote(&vd, 800);
    vorbis_analysis_wrote(&vd, 0);
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
        vorbis_analysis(&vb, nullptr);
        vorbis_bitrate_addblock(&vb);
        ogg_packet p;
        while (vorbis_bitrate_flushpacket(&vd, &p)) {
            ogg_stream_packetin(&os, &p);
            while (ogg_stream_pageout(&os, &page)) put();
        }
    }
    while (ogg_stream_flush(&os, &page)) put();
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

void Write(const std::string& dir, const char* name, const Bytes& b) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return;
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    Bytes pcm16, pcm8;
    for (int i = 0; i < 200; ++i) Put16(pcm16, uint32_t(int16_t(i * 97)));
    for (int i = 0; i < 100; ++i) pcm8.push_back(uint8_t(i * 5));
    Write(dir, "stereo16.wav", Wav(1, 2, 16, 44100, pcm16));
    Write(dir, "mono8.wav", Wav(1, 1, 8, 11025, pcm8));
    Bytes id3 = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 4, 0, 0, 0, 0, '3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 4};
    Bytes mp3 = id3;
    Bytes frames = SilentFrames(3);
    mp3.insert(mp3.end(), frames.begin(), frames.end());
    Bytes tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    mp3.insert(mp3.end(), tag.begin(), tag.end());
    Write(dir, "tagged.mp3", mp3);
    Write(dir, "mp3.wav", Wav(0x55, 2, 0, 44100, SilentFrames(2)));
    Write(dir, "tone.ogg", Ogg());
    return 0;
}
