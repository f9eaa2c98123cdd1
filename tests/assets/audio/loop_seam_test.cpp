// Listening to a looping track: a steady tone encoded by the music tool's
// loop encoder, played looped through the library's stream sounds and
// written out by SDL's disk audio driver, keeps its level across every
// seam; and the mix holds the loudest music with two crashes under full scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "audio_decode.h"
#include "core/startup.h"
#include "loop_mp3.h"
#include "platform/audio_sdl.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace {

TEST(LoopSeam, ALoopedTrackKeepsItsLevelAcrossItsSeams) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // About a second a turn; a whole number of cycles, so the tone runs on
    // across the seam as it does within the loop.
    constexpr int kFrames = 40;
    const int length = LoopSamplesFor(kFrames);
    const int cycles = 400;
    std::vector<int16_t> pcm;
    for (int i = 0; i < length; ++i) {
        const int16_t v = int16_t(std::lround(8000 * std::sin(2 * M_PI * cycles * double(i) / length)));
        pcm.push_back(v);
        pcm.push_back(v);
    }
    std::string error;
    const std::vector<uint8_t> mp3 = EncodeLoopMp3(pcm, kFrames, 128, &error);
    ASSERT_FALSE(mp3.empty()) << error;
    std::ofstream("loop.mp3", std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), long(mp3.size()));

    const zvtest::DiskAudio disk(dir.path() + "/output.raw");
    SetSkipStartupWaits(1);
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    SetCreateSoundDataType(3);
    const int music = LoadSoundMem("loop.mp3", 3, -1);
    ASSERT_NE(music, -1);
    EXPECT_EQ(PlaySoundMem(music, ZV_PLAYTYPE_LOOP, 1), 0);
    zvtest::PumpMessagesFor(3.6);     // three seams
    EXPECT_EQ(StopSoundMem(music), 0);
    zvtest::PumpMessagesFor(0.3);
    EXPECT_EQ(DeleteSoundMem(music), 0);
    EXPECT_EQ(ZoVav_End(), 0);

    // Loudness per 5 ms window of the written stream (16-bit stereo). The
    // first 50 ms of the sound are its start (the loop's end fading in before
    // it), the last windows its stop.
    const std::vector<int16_t> out = disk.Samples();
    const std::vector<double> rms = zvtest::WindowRms(out, 2 * 220);
    const double level = 8000 / std::sqrt(2.0);
    auto sounding = [&](double r) { return r > level / 10; };
    size_t first = 0;
    while (first < rms.size() && !sounding(rms[first])) ++first;
    size_t last = rms.size();
    while (last > first && !sounding(rms[last - 1])) --last;
    // At least three turns sounded.
    ASSERT_GE(last - first, 3 * size_t(length) / 220) << "the device wrote " << out.size() * 2 << " bytes";
    int dips = 0;
    for (size_t i = first + 10; i + 2 < last; ++i) {
        if (rms[i] < level / 2) ++dips;
        EXPECT_GE(rms[i], level / 2) << "a dip of " << 20 * std::log10(level / std::max(1.0, rms[i]))
                                     << " dB " << double(i - first) * 220 / 44100 << " s in";
        if (dips > 5) break;
    }
}

// The loudest moment of the loudest track, two crashes on top at their own
// loudest: the mix bends the sum under full scale instead of clipping it.
TEST(Headroom, TheLoudestMusicWithTwoCrashesStaysUnderFullScale) {
    std::vector<int16_t> loudest;
    size_t peakAt = 0;
    int peak = 0;
    for (const char* song : {"title", "basicbgm", "bgm", "bgmboss", "bgm2", "bgmboss2", "bgm3", "bgmboss3", "ending"}) {
        audiotest::Decoded d =
            audiotest::Decode(zvtest::ReadWholeFile(std::string(ZV_RUN_DIR) + "/data/material/" + song + ".mp3"));
        ASSERT_TRUE(d.ok) << song;
        for (size_t i = 0; i < d.samples.size(); ++i) {
            if (std::abs(int(d.samples[i])) > peak) {
                peak = std::abs(int(d.samples[i]));
                peakAt = i / 2;
                loudest = d.samples;
            }
        }
    }
    const audiotest::Decoded crash =
        audiotest::Decode(zvtest::ReadWholeFile(std::string(ZV_RUN_DIR) + "/data/material/crash.wav"));
    ASSERT_TRUE(crash.ok);
    ASSERT_EQ(crash.format.channels, 1);
    size_t crashPeakAt = 0;
    for (size_t i = 0; i < crash.samples.size(); ++i)
        if (std::abs(crash.samples[i]) > std::abs(crash.samples[crashPeakAt])) crashPeakAt = i;

    // Half a second of music around its peak, the crashes' peaks on it.
    const size_t before = 22050;
    ASSERT_GE(peakAt, before);
    ASSERT_GE(before, crashPeakAt);
    AudioBufferSet* set = AudioBufferSetCreate();
    auto load = [&](const std::vector<int16_t>& samples, AudioFormat format, size_t from, size_t frames) {
        const int channels = format.channels;
        AudioBuffer* b = AudioBufferCreate(set, format, uint32_t(frames * channels * 2));
        void *p1, *p2;
        uint32_t n1, n2;
        EXPECT_EQ(AudioBufferLock(b, 0, uint32_t(frames * channels * 2), &p1, &n1, &p2, &n2), 0);
        std::memcpy(p1, samples.data() + from * channels, n1);
        EXPECT_EQ(AudioBufferUnlock(b, p1, n1, p2, n2), 0);
        return b;
    };
    AudioBuffer* music = load(loudest, {2, 16, 44100}, peakAt - before, 2 * before);
    AudioBuffer* crashes[2] = {load(crash.samples, {1, 16, 44100}, 0, crash.frames()),
                               load(crash.samples, {1, 16, 44100}, 0, crash.frames())};
    std::vector<int16_t> out(2 * 2 * before);
    AudioBufferPlay(music, 0);
    const size_t lead = before - crashPeakAt;
    AudioMix(set, out.data(), int(lead));
    for (AudioBuffer* c : crashes) AudioBufferPlay(c, 0);
    AudioMix(set, out.data() + 2 * lead, int(2 * before - lead));
    AudioBufferSetDestroy(set);

    int loudestOut = 0;
    for (int16_t v : out) loudestOut = std::max(loudestOut, std::abs(int(v)));
    EXPECT_LT(loudestOut, 32767);
    // What went in was louder than full scale at that moment.
    EXPECT_GT(peak + 2 * std::abs(crash.samples[crashPeakAt]), 32767);
}

}  // namespace
