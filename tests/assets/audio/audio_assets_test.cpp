// The game's sound effects and music as built into the run folder: every
// file the game loads is there and loads through the library, has a length
// and level that fit its use, starts and ends without a click, and the
// music joins its end to its start smoothly when it loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_decode.h"
#include "core/startup.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace {

using audiotest::Decoded;

struct EffectCase {
    const char* name;
    double minSeconds, maxSeconds;
};

// The shot repeats eight times a second and the select blip follows the
// cursor, so both must be short; the rest are one-off sounds.
const EffectCase kEffects[] = {
    {"select", 0.03, 0.15}, {"crash", 0.4, 1.2}, {"get", 0.08, 0.3},  {"shot", 0.03, 0.12},
    {"limit", 0.15, 0.6},   {"save", 0.3, 1.2},  {"handin", 0.3, 1.0}, {"screenshot", 0.08, 0.3},
};

const char* const kSongs[] = {"title", "basicbgm", "bgm", "bgmboss", "bgm2", "bgmboss2", "bgm3", "bgmboss3", "ending"};

std::string MaterialPath(const std::string& file) { return "data/material/" + file; }

double Rms(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return std::sqrt(sum / double(std::max<size_t>(1, s.size()))) / 32768.0;
}

int Peak(const std::vector<int16_t>& s) {
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
    return peak;
}

// The library runs headless in a folder of its own whose data/ is the run
// folder's, so the files load by the game's own paths while the log and the
// instance lock stay out of the run folder.
class AudioAssets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new zvtest::ScopedTempDir();
        ASSERT_FALSE(dir_->path().empty());
        std::error_code error;
        std::filesystem::create_directory_symlink(std::string(ZV_RUN_DIR) + "/data", "data", error);
        ASSERT_FALSE(error) << error.message();
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        SetSkipStartupWaits(1);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
    }
    static void TearDownTestSuite() {
        ZoVav_End();
        delete dir_;
        dir_ = nullptr;
    }
    // The file loads through the library (and is let go again), and decodes here.
    static Decoded LoadedAndDecoded(const std::string& path) {
        const int handle = LoadSoundMem(path.c_str(), 3, -1);
        EXPECT_NE(handle, -1);
        if (handle != -1) {
            EXPECT_EQ(DeleteSoundMem(handle), 0);
        }
        return audiotest::Decode(zvtest::ReadWholeFile(path));
    }
    static zvtest::ScopedTempDir* dir_;
};
zvtest::ScopedTempDir* AudioAssets::dir_ = nullptr;

TEST_F(AudioAssets, EveryEffectLoadsWithItsLengthAndWithoutAClick) {
    for (const EffectCase& c : kEffects) {
        SCOPED_TRACE(c.name);
        const Decoded d = LoadedAndDecoded(MaterialPath(std::string(c.name) + ".wav"));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.format.channels, 1);
        EXPECT_EQ(d.format.samplesPerSec, 44100u);
        const double seconds = double(d.frames()) / d.format.samplesPerSec;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
        // Loud enough to hear, never clipped, and silent at both ends.
        EXPECT_GE(Peak(d.samples), 32768 / 5);
        EXPECT_LE(Peak(d.samples), 32768 * 9 / 10);
        EXPECT_LE(std::abs(d.samples.front()), 64);
        EXPECT_LE(std::abs(d.samples.back()), 64);
    }
}

TEST_F(AudioAssets, EveryTrackStreamsAndLoopsWithoutAClickOrAJump) {
    SetCreateSoundDataType(3);
    std::vector<double> levels;
    for (const char* song : kSongs) {
        SCOPED_TRACE(song);
        const Decoded d = LoadedAndDecoded(MaterialPath(std::string(song) + ".mp3"));
        ASSERT_TRUE(d.ok);
        ASSERT_EQ(d.format.channels, 2);
        EXPECT_EQ(d.format.samplesPerSec, 44100u);
        const double seconds = double(d.frames()) / d.format.samplesPerSec;
        EXPECT_GE(seconds, 60.0);
        EXPECT_LE(seconds, 120.0);
        // Peaks near -6 dBFS, room for the effects on top.
        EXPECT_LT(Peak(d.samples), 32768 * 56 / 100);
        EXPECT_GT(Peak(d.samples), 32768 * 40 / 100);
        levels.push_back(Rms(d.samples));
        // Tagged, the music behind the tag frame, the lead and the pre-roll,
        // to the end of the last frame.
        ASSERT_EQ(d.musicStart, 1152 + 1105 + 1152);
        ASSERT_EQ(d.musicEnd, int(d.frames()));
        EXPECT_EQ(d.frames() % 1152, 0u);

        // Going round starts the same way as the first time.
        ASSERT_EQ(std::vector<int16_t>(d.samples.begin() + 2 * d.musicStart,
                                       d.samples.begin() + 2 * d.musicStart + long(d.again.size())),
                  d.again);
        // The file holds the seam as the music goes round, decoded straight
        // through: the loop's end (the pre-roll) right before its start.
        // Going round, the turn's end sounds like that pre-roll (a silent or
        // misplaced end would not), and the step across the seam differs
        // from the step straight through by no more than the encoder's noise
        // on two samples can make it (twice the music's usual step).
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<int> steps;
            for (size_t i = 2 + ch; i < d.samples.size(); i += 2) steps.push_back(std::abs(d.samples[i] - d.samples[i - 2]));
            std::nth_element(steps.begin(), steps.begin() + long(steps.size() * 9 / 10), steps.end());
            const int typical = std::max(8, steps[steps.size() * 9 / 10]);
            const size_t n = 128;
            double error = 0, power = 0;
            for (size_t i = 0; i < n; ++i) {
                const double end = d.samples[d.samples.size() - 2 * (n - i) + size_t(ch)];
                const double preroll = d.samples[2 * (size_t(d.musicStart) - n + i) + size_t(ch)];
                error += (end - preroll) * (end - preroll);
                power += preroll * preroll;
            }
            EXPECT_LT(std::sqrt(error / std::max(1.0, power)), 0.35) << "channel " << ch;
            const int step = d.again[size_t(ch)] - d.samples[d.samples.size() - 2 + size_t(ch)];
            const int straight = d.samples[2 * size_t(d.musicStart) + size_t(ch)] -
                                 d.samples[2 * (size_t(d.musicStart) - 1) + size_t(ch)];
            EXPECT_LE(std::abs(step - straight), 2 * typical)
                << "channel " << ch << ": a step of " << step << " at the seam, " << straight << " straight through";
        }
    }
    SetCreateSoundDataType(0);
    // Every track about as loud as the others (within 6 dB), none faint.
    ASSERT_FALSE(levels.empty());
    const auto [quiet, loud] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_GE(*quiet, 0.04);
    EXPECT_LE(*loud / *quiet, 2.0);
}

}  // namespace
