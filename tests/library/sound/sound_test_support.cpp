// The encoders and the sound-system fixture of the sound tests.
#include "sound_test_support.h"

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

namespace soundtest {

Bytes EncodeMp3(const std::vector<int16_t>& interleaved, int channels, int rate, int kbps) {
    lame_t gf = lame_init();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_brate(gf, kbps);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(gf, 7);
    lame_init_params(gf);
    const int frames = int(interleaved.size()) / channels;
    Bytes out(size_t(frames) * 5 / 4 + 7200 + 16384);
    std::vector<int16_t> mono(interleaved);
    int n = channels == 2 ? lame_encode_buffer_interleaved(gf, const_cast<short*>(interleaved.data()), frames,
                                                          out.data(), int(out.size()))
                          : lame_encode_buffer(gf, mono.data(), mono.data(), frames, out.data(), int(out.size()));
    n += lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
    out.resize(size_t(n));
    // The first frame was kept free for the info frame; fill it in.
    uint8_t tag[4096];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(gf);
    return out;
}

Bytes EncodeOgg(const std::vector<int16_t>& interleaved, int channels, int rate) {
    Bytes out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, channels, rate, 0.4f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
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
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[size_t(done + i) * channels + c] / 32768.0f;
        }
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

Decoded DecodeWhole(const Bytes& file) {
    Decoded d;
    MemStream* memory = MemStreamOpen(file.data(), file.size());
    StreamReader reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
    SOUNDCONV conv;
    std::memset(&conv, 0, sizeof conv);
    d.result = OpenSoundConverter(&reader, &conv);
    if (d.result == 0) {
        void* pcm = nullptr;
        int bytes = 0;
        d.result = ConvertWholeSound(&conv, &d.format, &pcm, &bytes);
        if (d.result == 0) {
            d.pcm.assign(static_cast<uint8_t*>(pcm), static_cast<uint8_t*>(pcm) + bytes);
            ZvFree(pcm);
        }
        CloseSoundConverter(&conv);
    }
    MemStreamClose(reader.handle);
    return d;
}

void SoundSystem::SetUp() {
    ASSERT_FALSE(dir_.path().empty());
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    g_Library.persistent.startupDir = dir_.path();
    g_Library.persistent.startupDirOnDisk = dir_.path();
    LogFileInitialize();
    allocBefore_ = ZvAllocCount();
    ASSERT_EQ(InitializeDirectSound(), 0) << Log();
    AudioDevicePause(true);
}

void SoundSystem::TearDown() {
    if (SoundSystemRunning()) TerminateDirectSound();
    EXPECT_EQ(ZvAllocCount(), allocBefore_) << "library memory left behind";
}

std::vector<int16_t> SoundSystem::Mix(int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    AudioMix(SoundState().bufferSet, out.data(), frames);
    return out;
}

int SoundSystem::Load(const std::string& name, const Bytes& bytes, int dataType, int buffers, int unionHandle) {
    WriteFile(name, bytes);
    SetCreateSoundDataTypeImpl(dataType);
    int handle = LoadSoundMemImpl(name.c_str(), buffers, unionHandle);
    SetCreateSoundDataTypeImpl(0);
    return handle;
}

}  // namespace soundtest
