// The encoders and the sound-system fixture of the sound tests.
#include "sound_test_support.h"

#include <lame/lame.h>

namespace soundtest {

Bytes EncodeMp3(const std::vector<int16_t>& interleaved, int channels, int rate, int kbps, int repeats) {
    lame_t gf = lame_init();
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    if (kbps > 0) {
        lame_set_brate(gf, kbps);
    } else {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, 9);
    }
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(gf, 7);
    lame_init_params(gf);
    const int frames = int(interleaved.size()) / channels;
    std::vector<int16_t> samples(interleaved);   // the encoder takes them unconst
    Bytes piece(size_t(frames) * 5 / 4 + 7200), out;
    for (int i = 0; i < repeats; ++i) {
        const int n =
            channels == 2
                ? lame_encode_buffer_interleaved(gf, samples.data(), frames, piece.data(), int(piece.size()))
                : lame_encode_buffer(gf, samples.data(), samples.data(), frames, piece.data(), int(piece.size()));
        out.insert(out.end(), piece.begin(), piece.begin() + n);
    }
    const int n = lame_encode_flush(gf, piece.data(), int(piece.size()));
    out.insert(out.end(), piece.begin(), piece.begin() + n);
    // The first frame was kept free for the info frame; fill it in.
    uint8_t tag[4096];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(gf);
    return out;
}

Bytes EncodeOgg(const std::vector<int16_t>& interleaved, int channels, int rate) {
    std::vector<float> samples(interleaved.size());
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = interleaved[i] / 32768.0f;
    return EncodeVorbis(samples, channels, rate, 0.4f, 1);
}

Decoded DecodeWhole(const Bytes& file) {
    Decoded d;
    MemStream* memory = MemStreamOpen(file.data(), file.size());
    StreamReader reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
    SOUNDCONV conv;
    std::memset(&conv, 0, sizeof conv);
    d.result = OpenSoundConverter(&reader, &conv);
    if (d.result == 0) {
        d.musicStart = conv.musicStart;
        d.musicEnd = conv.musicEnd;
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
