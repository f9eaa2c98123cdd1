// Listening to the real output: the whole library runs on SDL's disk audio
// driver, which writes the device's stream to a file, while the game's way
// of playing sound (a waited-for effect, streamed music) runs through the
// public functions and the message loop.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/startup.h"
#include "sound_test_support.h"
#include "zovav.h"

using namespace soundtest;

TEST(SoundOutput, TheDeviceHearsSoundWherePlayedAndSilenceElsewhere) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const zvtest::DiskAudio disk(dir.path() + "/output.raw");
    SetSkipStartupWaits(1);
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);

    WavSpec effect;
    effect.channels = 1;
    effect.rate = 22050;
    effect.data = ToBytes(Sine(22050 * 3 / 10, 1, 1000, 22050, 8000));   // 0.3 s
    WriteFile("effect.wav", MakeWav(effect));
    WriteFile("music.mp3", EncodeMp3(Sine(44100, 2, 440, 44100, 8000), 2, 44100, 128));
    const int fx = LoadSoundMem("effect.wav", 3, -1);
    SetCreateSoundDataType(3);
    const int music = LoadSoundMem("music.mp3", 3, -1);
    SetCreateSoundDataType(0);
    ASSERT_NE(fx, -1);
    ASSERT_NE(music, -1);

    zvtest::PumpMessagesFor(0.4);
    EXPECT_EQ(PlaySoundMem(fx, ZV_PLAYTYPE_NORMAL, 1), 0);   // returns when the effect has ended
    EXPECT_EQ(PlaySoundMem(music, ZV_PLAYTYPE_LOOP, 1), 0);
    zvtest::PumpMessagesFor(1.5);
    EXPECT_EQ(StopSoundMem(music), 0);
    zvtest::PumpMessagesFor(0.5);
    EXPECT_EQ(DeleteSoundMem(fx), 0);
    EXPECT_EQ(DeleteSoundMem(music), 0);
    EXPECT_EQ(ZoVav_End(), 0);

    // Loudness per 50 ms window of the written stream (16-bit stereo, 44100 Hz).
    const std::vector<int16_t> samples = disk.Samples();
    const std::vector<double> rms = zvtest::WindowRms(samples, 2205 * 2);
    ASSERT_GT(rms.size(), 40u) << "the device wrote " << samples.size() * 2 << " bytes";
    auto loud = [](double r) { return r > 2000; };
    auto silent = [](double r) { return r < 1; };
    // Silent before anything plays, loud while the effect and the music play
    // (at least 1.5 s of it), silent once the music has stopped.
    size_t firstLoud = 0;
    while (firstLoud < rms.size() && !loud(rms[firstLoud])) ++firstLoud;
    size_t lastLoud = rms.size();
    while (lastLoud > 0 && !loud(rms[lastLoud - 1])) --lastLoud;
    ASSERT_LT(firstLoud, rms.size());
    EXPECT_GE(firstLoud, 4u);
    for (size_t i = 0; i + 1 < firstLoud; ++i) EXPECT_TRUE(silent(rms[i])) << "window " << i << ": " << rms[i];
    EXPECT_GE(lastLoud - firstLoud, 30u);
    size_t loudWindows = 0;
    for (size_t i = firstLoud; i < lastLoud; ++i) loudWindows += loud(rms[i]) ? 1 : 0;
    EXPECT_GE(loudWindows, 28u);
    ASSERT_GE(rms.size() - lastLoud, 4u);
    for (size_t i = lastLoud + 1; i < rms.size(); ++i) EXPECT_TRUE(silent(rms[i])) << "window " << i << ": " << rms[i];
}
