// Listening to the real output: the whole library runs on SDL's disk audio
// driver, which writes the device's stream to a file, while the game's way
// of playing sound (a waited-for effect, streamed music) runs through the
// public functions and the message loop: where sound is heard, how its ends
// ramp down and how a play on from a stopped place ramps in.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/lock.h"
#include "sound/sound_play.h"
#include "sound_test_support.h"
#include "zovav.h"
#include "zv_started_library.h"

using namespace soundtest;

namespace {
// The library started in a folder of its own with SDL's disk driver as the
// sound device, so that a test reads back what the device played.
class SoundOutput : public zvtest::StartedLibrary {
protected:
    // Bytes the device has written so far.
    uintmax_t Written() const {
        std::error_code e;
        const uintmax_t n = std::filesystem::file_size(disk_.path(), e);
        return e ? uintmax_t(0) : n;
    }
    // Keeps the message loop going until the device has written ms more,
    // however slow the machine is.
    void RunFor(int ms) const {
        const uintmax_t target = Written() + uintmax_t(ms) * 441 / 10 * 4;
        // A net against a device that stopped writing, not a time limit.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (Written() < target && std::chrono::steady_clock::now() < giveUp) {
            ProcessMessage();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_GE(Written(), target) << "the disk output stopped";
    }

    const zvtest::DiskAudio disk_{dir_.path() + "/output.raw"};
};
}  // namespace

TEST_F(SoundOutput, TheDeviceHearsSoundWherePlayedAndSilenceElsewhere) {

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
    const std::vector<int16_t> samples = disk_.Samples();
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

// Whatever ends a sound that plays ramps it down over about 5 ms rather than
// cutting it: a stop, the delete of a static or a stream sound, and the end
// of the library.
TEST_F(SoundOutput, DeletingOrEndingWhatPlaysRampsItDownAsAStopDoes) {
    // 2205 Hz: a period is 20 frames, so every 20-frame window of the
    // steady tone has the same loudness; one second of it loops seamlessly.
    WavSpec tone;
    tone.data = ToBytes(Sine(44100, 2, 2205, 44100, 8000));
    WriteFile("tone.wav", MakeWav(tone));
    const int fx = LoadSoundMem("tone.wav", 1, -1);
    SetCreateSoundDataType(3);
    const int stream = LoadSoundMem("tone.wav", 1, -1);
    const int last = LoadSoundMem("tone.wav", 1, -1);
    SetCreateSoundDataType(0);
    ASSERT_NE(fx, -1);
    ASSERT_NE(stream, -1);
    ASSERT_NE(last, -1);

    RunFor(100);
    ASSERT_EQ(PlaySoundMem(fx, ZV_PLAYTYPE_LOOP, 1), 0);
    RunFor(200);
    ASSERT_EQ(StopSoundMem(fx), 0);   // how an end should sound
    RunFor(100);
    ASSERT_EQ(PlaySoundMem(fx, ZV_PLAYTYPE_LOOP, 1), 0);
    RunFor(200);
    ASSERT_EQ(DeleteSoundMem(fx), 0);
    RunFor(100);
    ASSERT_EQ(PlaySoundMem(stream, ZV_PLAYTYPE_LOOP, 1), 0);
    RunFor(200);
    ASSERT_EQ(DeleteSoundMem(stream), 0);
    RunFor(100);
    ASSERT_EQ(PlaySoundMem(last, ZV_PLAYTYPE_LOOP, 1), 0);
    RunFor(200);
    ASSERT_EQ(ZoVav_End(), 0);

    // Per 20-frame window: full is the tone's own level (8000 / sqrt 2),
    // silent is nothing at all. Where a full run ends, a ramp of 220 frames
    // leaves about ten windows between the two; a cut leaves one at most.
    const std::vector<double> rms = zvtest::WindowRms(disk_.Samples(), 20 * 2);
    const double level = 8000 / std::sqrt(2.0);
    auto full = [&](double r) { return r > 0.9 * level; };
    std::vector<int> rampWindows;
    for (size_t i = 0; i < rms.size(); ++i) {
        if (!full(rms[i]) || (i + 1 < rms.size() && full(rms[i + 1]))) continue;
        size_t j = i + 1;
        while (j < rms.size() && rms[j] >= 1) ++j;
        rampWindows.push_back(int(j - i - 1));
    }
    ASSERT_EQ(rampWindows.size(), 4u) << "stop, delete, delete of a stream, end";
    for (size_t k = 0; k < rampWindows.size(); ++k) {
        EXPECT_GE(rampWindows[k], 9) << "end " << k;
        EXPECT_NEAR(rampWindows[k], rampWindows[0], 1) << "end " << k << " ramps as the stop does";
    }
}

// Played on from a place that is not its start, a sound ramps in rather than
// coming back at full level in mid-wave: a static sound played on from where
// it stopped, a stream sound sought to a place (as a movie's sound is on a
// resume or a seek). The places lie at several phases of the tone, its peaks
// among them. A play from the start keeps its attack (the tone starts at 0).
TEST_F(SoundOutput, PlayingOnFromAStoppedPlaceRampsInAtEveryPhase) {
    // 441 Hz: a period is 100 frames, and one second loops seamlessly.
    const std::vector<int16_t> tone = Sine(44100, 2, 441, 44100, 8000);
    int ownStep = 0;
    for (size_t i = 2; i < tone.size(); i += 2) ownStep = std::max(ownStep, std::abs(tone[i] - tone[i - 2]));
    WavSpec w;
    w.data = ToBytes(tone);
    WriteFile("tone.wav", MakeWav(w));
    const int sound = LoadSoundMem("tone.wav", 1, -1);
    SetCreateSoundDataType(3);
    const int stream = LoadSoundMem("tone.wav", 1, -1);
    SetCreateSoundDataType(0);
    ASSERT_NE(sound, -1);
    ASSERT_NE(stream, -1);

    // Frames into the tone's period where it plays on.
    const int phases[] = {12, 25, 37, 50, 75, 90};
    int plays = 0;
    for (int handle : {sound, stream}) {
        for (int phase : phases) {
            SCOPED_TRACE(::testing::Message() << (handle == sound ? "static" : "stream") << ", phase " << phase);
            const int place = 20000 + phase;
            ASSERT_EQ(PlaySoundMem(handle, ZV_PLAYTYPE_LOOP, 1), 0);
            RunFor(50);
            ASSERT_EQ(StopSoundMem(handle), 0);
            RunFor(30);
            WithLibraryLock([&] {
                if (handle == sound)
                    SoundBuffer_SetCurrentPosition(&GetSoundData(sound)->buffers[0], uint32_t(place * 4));
                else
                    SeekStreamSoundSample(stream, place);
            });
            ASSERT_EQ(PlaySoundMem(handle, ZV_PLAYTYPE_LOOP, 0), 0);
            RunFor(50);
            ASSERT_EQ(StopSoundMem(handle), 0);
            RunFor(30);
            plays += 2;
        }
    }
    EXPECT_EQ(ZoVav_End(), 0);

    // Every start after silence: no step over 1.5 times the tone's own
    // largest in its first 10 ms (a start at a peak would step by 8000).
    const std::vector<int16_t> out = disk_.Samples();
    int starts = 0;
    int silent = 0;
    for (size_t f = 0; f + 441 < out.size() / 2; ++f) {
        if (out[2 * f] == 0) {
            ++silent;
            continue;
        }
        if (silent >= 200) {
            ++starts;
            const double largest =
                std::max<double>(std::abs(out[2 * f]), zvtest::LargestStep(out, 2 * f, 2 * (f + 441), 2));
            EXPECT_LE(largest, ownStep * 3 / 2) << "start " << starts << " at frame " << f;
        }
        silent = 0;
    }
    EXPECT_EQ(starts, plays);
}
