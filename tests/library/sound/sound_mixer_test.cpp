// The mixer over a buffer set, without a device: overlapping, bending loud
// sums under full scale, stops that ramp down and starts in mid-wave that
// ramp in, looping (over a loop range too) and one-shot buffers, sample formats, rates, two-part locks,
// duplicates; and the primary format a device gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/audio_sdl.h"
#include "sound/sound_system.h"

namespace {

class Mixer : public ::testing::Test {
protected:
    void SetUp() override { set_ = AudioBufferSetCreate(); }
    void TearDown() override { AudioBufferSetDestroy(set_); }

    // A buffer holding the given bytes.
    AudioBuffer* Make(AudioFormat f, const std::vector<uint8_t>& bytes) {
        AudioBuffer* b = AudioBufferCreate(set_, f, uint32_t(bytes.size()));
        EXPECT_NE(b, nullptr);
        if (!b) return nullptr;
        Write(b, 0, bytes);
        return b;
    }
    static void Write(AudioBuffer* b, uint32_t offset, const std::vector<uint8_t>& bytes) {
        void *p1, *p2;
        uint32_t n1, n2;
        ASSERT_EQ(AudioBufferLock(b, offset, uint32_t(bytes.size()), &p1, &n1, &p2, &n2), 0);
        std::memcpy(p1, bytes.data(), n1);
        if (n2) std::memcpy(p2, bytes.data() + n1, n2);
        ASSERT_EQ(AudioBufferUnlock(b, p1, n1, p2, n2), 0);
    }
    std::vector<int16_t> Mix(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2, 12345);
        AudioMix(set_, out.data(), frames);
        return out;
    }
    AudioBufferSet* set_ = nullptr;
};

std::vector<uint8_t> Stereo16(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    std::memcpy(b.data(), std::data(samples), b.size());
    return b;
}

constexpr AudioFormat kStereo16 = {2, 16, 44100};
constexpr AudioFormat kMono16 = {1, 16, 44100};

}  // namespace

TEST_F(Mixer, OverlappingBuffersAddAndBendUnderFullScale) {
    AudioBuffer* a = Make(kStereo16, Stereo16({100, -100, 200, -200, 300, -300, 30000, -30000}));
    AudioBuffer* b = Make(kStereo16, Stereo16({1, 2, 3, 4, 5, 6, 30000, -30000}));
    ASSERT_EQ(AudioBufferPlay(a, 0), 0);
    EXPECT_EQ(Mix(1), (std::vector<int16_t>{100, -100}));
    ASSERT_EQ(AudioBufferPlay(b, 0), 0);
    // a at its second frame, b at its first; the third sum is just louder
    // than the knee and bends a little.
    const std::vector<int16_t> out = Mix(4);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 4), (std::vector<int16_t>{201, -198, 303, -296}));
    EXPECT_EQ(out[4], 30004);
    EXPECT_EQ(out[5], -29994);
    EXPECT_EQ(out[6], 30000);
    EXPECT_EQ(out[7], -30000);
    ASSERT_EQ(AudioBufferSetPosition(a, 12), 0);
    ASSERT_EQ(AudioBufferSetPosition(b, 12), 0);
    AudioBufferPlay(a, 0);
    AudioBufferPlay(b, 0);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{32699, -32699, 0, 0}));
}

// Sums up to the knee (about -1 dBFS) come out as they are; louder ones
// rise ever more slowly, never reaching full scale, without a step.
TEST_F(Mixer, LoudSumsBendSmoothlyUnderFullScaleAndQuietOnesPass) {
    const int16_t kSums[] = {0, 1000, -20000, 30000, -30000, 30001, 30500, 31000, 32000, 32767, -32768};
    std::vector<int16_t> half;
    for (int16_t v : kSums) {
        half.push_back(int16_t(v / 2));
        half.push_back(int16_t(v - v / 2));
    }
    // Two buffers, each holding half of every sum.
    std::vector<uint8_t> bytes(half.size() * 2);
    std::memcpy(bytes.data(), half.data(), bytes.size());
    AudioBuffer* a = Make(kStereo16, bytes);
    AudioBuffer* b = Make(kStereo16, bytes);
    AudioBufferPlay(a, 0);
    AudioBufferPlay(b, 0);
    std::vector<int> sums, outs;
    const std::vector<int16_t> out = Mix(int(half.size() / 2));
    for (size_t i = 0; i < out.size(); ++i) {
        sums.push_back(half[i] * 2);
        outs.push_back(out[i]);
    }
    for (size_t i = 0; i < sums.size(); ++i) {
        SCOPED_TRACE(sums[i]);
        if (std::abs(sums[i]) <= 30000) EXPECT_EQ(outs[i], sums[i]);
        else EXPECT_LT(std::abs(outs[i]), std::min(std::abs(sums[i]), 32767));
        EXPECT_EQ(outs[i] < 0, sums[i] < 0);
    }
    // Louder in, louder out, each step no steeper than the sum's own.
    std::vector<std::pair<int, int>> curve;
    for (size_t i = 0; i < sums.size(); ++i)
        if (sums[i] >= 0) curve.push_back({sums[i], outs[i]});
    std::sort(curve.begin(), curve.end());
    for (size_t i = 1; i < curve.size(); ++i) {
        EXPECT_GE(curve[i].second, curve[i - 1].second);
        EXPECT_LE(curve[i].second - curve[i - 1].second, curve[i].first - curve[i - 1].first + 1);
    }
}

// A stop takes the sound off at once for status and position; what is
// heard ramps down from the stopped place over 220 frames (5 ms). The mixer
// keeps the ramp's samples: new data written over the buffer, or its
// release, changes nothing of it.
TEST_F(Mixer, AStopRampsTheSoundDownWithoutMovingThePosition) {
    std::vector<int16_t> steady(400, 22000);
    std::vector<uint8_t> bytes(steady.size() * 2);
    std::memcpy(bytes.data(), steady.data(), bytes.size());
    AudioBuffer* loop = Make(kMono16, bytes);
    AudioBufferPlay(loop, 1);
    Mix(300);
    uint32_t status = 1, before = 0, after = 0;
    AudioBufferGetPosition(loop, &before, nullptr);
    ASSERT_EQ(AudioBufferStop(loop), 0);
    AudioBufferGetStatus(loop, &status);
    EXPECT_EQ(status, 0u);
    const std::vector<int16_t> out = Mix(230);
    for (int k = 0; k < 230; ++k) {
        SCOPED_TRACE(k);
        const int expected = k < 220 ? 22000 * (220 - k) / 220 : 0;
        EXPECT_EQ(out[2 * size_t(k)], expected);
        EXPECT_EQ(out[2 * size_t(k) + 1], expected);
    }
    AudioBufferGetPosition(loop, &after, nullptr);
    EXPECT_EQ(after, before);

    // A one-shot buffer stopped near its end ramps only to its end.
    std::vector<int16_t> shortOne(8, 1000);
    std::vector<uint8_t> shortBytes(16);
    std::memcpy(shortBytes.data(), shortOne.data(), 16);
    AudioBuffer* once = Make(kMono16, shortBytes);
    AudioBufferPlay(once, 0);
    Mix(4);
    AudioBufferStop(once);
    const std::vector<int16_t> tail = Mix(6);
    EXPECT_EQ(tail, (std::vector<int16_t>{1000, 1000, 995, 995, 990, 990, 986, 986, 0, 0, 0, 0}));

    const std::vector<int16_t> rampFrom10 = {21000, 21000, 20900, 20900, 20800, 20800, 20700, 20700};
    AudioBufferPlay(loop, 1);
    Mix(10);
    AudioBufferStop(loop);
    Mix(10);
    Write(loop, 0, std::vector<uint8_t>(bytes.size(), 0));
    EXPECT_EQ(Mix(4), rampFrom10);
    Mix(220);

    AudioBuffer* steadyAgain = Make(kMono16, bytes);
    AudioBufferPlay(steadyAgain, 1);
    Mix(10);
    AudioBufferRelease(steadyAgain);
    Mix(10);
    EXPECT_EQ(Mix(4), rampFrom10);
    Mix(206);
    EXPECT_EQ(Mix(4), (std::vector<int16_t>(8, 0)));
}

// A start in mid-wave rises from nothing over the 220 frames a stop falls
// over; a stop and such a start between the same two passes crossfade, so
// two buffers at the same place of the same sound sum to it unchanged. A
// start at once keeps full level, and a stop during a ramp-in falls from
// the level it has reached.
TEST_F(Mixer, AStartInMidWaveRampsInOverTheLengthOfAStop) {
    std::vector<int16_t> steady(400, 22000);
    std::vector<uint8_t> bytes(steady.size() * 2);
    std::memcpy(bytes.data(), steady.data(), bytes.size());
    AudioBuffer* a = Make(kMono16, bytes);
    AudioBuffer* b = Make(kMono16, bytes);

    ASSERT_EQ(AudioBufferPlay(a, 1, AUDIO_START_RAMPED), 0);
    std::vector<int16_t> out = Mix(230);
    for (int k = 0; k < 230; ++k) ASSERT_EQ(out[2 * size_t(k)], k < 220 ? 22000 * k / 220 : 22000) << k;

    // Handed over from a to b: full level throughout.
    AudioBufferStop(a);
    AudioBufferPlay(b, 1, AUDIO_START_RAMPED);
    out = Mix(300);
    for (int k = 0; k < 300; ++k) ASSERT_NEAR(out[2 * size_t(k)], 22000, 1) << k;

    // Stopped 110 frames into its ramp, a falls from half level.
    AudioBufferStop(b);
    Mix(220);
    AudioBufferPlay(a, 1, AUDIO_START_RAMPED);
    Mix(110);
    AudioBufferStop(a);
    out = Mix(4);
    EXPECT_EQ(out, (std::vector<int16_t>{11000, 11000, 10950, 10950, 10900, 10900, 10850, 10850}));
    Mix(220);

    AudioBufferPlay(a, 1, AUDIO_START_AT_ONCE);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{22000, 22000, 22000, 22000}));
}

TEST_F(Mixer, LoopingRepeatsAndOneShotStopsAtItsEndBackAtZero) {
    AudioBuffer* loop = Make(kMono16, Stereo16({10, 20, 30}));
    AudioBuffer* once = Make(kMono16, Stereo16({1000, 2000}));
    AudioBufferPlay(loop, 1);
    AudioBufferPlay(once, 0);
    EXPECT_EQ(Mix(7), (std::vector<int16_t>{1010, 1010, 2020, 2020, 30, 30, 10, 10, 20, 20, 30, 30, 10, 10}));
    uint32_t status = 0, play = 99;
    AudioBufferGetStatus(once, &status);
    EXPECT_EQ(status, 0u);
    AudioBufferGetPosition(once, &play, nullptr);
    EXPECT_EQ(play, 0u);
    AudioBufferGetStatus(loop, &status);
    EXPECT_EQ(status, AUDIO_STATUS_PLAYING | AUDIO_STATUS_LOOPING);
    AudioBufferGetPosition(loop, &play, nullptr);
    EXPECT_EQ(play, 2u);   // frame 1
    AudioBufferStop(loop);
    // A stop ramps the sound down from frame 1 over 5 ms, then it is silent.
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{20, 20, 29, 29}));
    Mix(218);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>(4, 0)));

    // With a loop range, a looping play goes round from its end to its
    // start; a one-shot play still runs to the end of the data.
    AudioBuffer* ranged = Make(kMono16, Stereo16({10, 20, 30, 40}));
    EXPECT_EQ(AudioBufferSetLoop(ranged, 1, 3), 0);
    EXPECT_EQ(AudioBufferSetLoop(ranged, 3, 3), -1);
    EXPECT_EQ(AudioBufferSetLoop(ranged, 0, 5), -1);
    AudioBufferPlay(ranged, 1);
    EXPECT_EQ(Mix(6), (std::vector<int16_t>{10, 10, 20, 20, 30, 30, 20, 20, 30, 30, 20, 20}));
    AudioBufferStop(ranged);
    Mix(220);
    AudioBufferSetPosition(ranged, 0);
    AudioBufferPlay(ranged, 0);
    EXPECT_EQ(Mix(5), (std::vector<int16_t>{10, 10, 20, 20, 30, 30, 40, 40, 0, 0}));
}

TEST_F(Mixer, SampleFormatsAndRatesBecomeStereo16AtTheOutputRate) {
    // 8-bit samples are unsigned around 128 (values under the limiter's knee).
    AudioBuffer* eight = Make({2, 8, 44100}, {128, 240, 16, 129});
    AudioBufferPlay(eight, 0);
    EXPECT_EQ(Mix(3), (std::vector<int16_t>{0, 28672, -28672, 256, 0, 0}));
    AudioBufferRelease(eight);

    // Half the output rate: every second output frame lies between two
    // source frames; the last one holds its value.
    AudioBuffer* half = Make({1, 16, 22050}, Stereo16({0, 1000, 2000}));
    AudioBufferPlay(half, 0);
    EXPECT_EQ(Mix(7), (std::vector<int16_t>{0, 0, 500, 500, 1000, 1000, 1500, 1500, 2000, 2000, 2000, 2000, 0, 0}));

    // A looping buffer at half rate interpolates across its end into its start.
    AudioBuffer* loop = Make({1, 16, 22050}, Stereo16({0, 1000}));
    AudioBufferPlay(loop, 1);
    EXPECT_EQ(Mix(5), (std::vector<int16_t>{0, 0, 500, 500, 1000, 1000, 500, 500, 0, 0}));
}

TEST_F(Mixer, LocksHandOutTwoPartsAcrossTheEnd) {
    AudioBuffer* b = Make(kMono16, std::vector<uint8_t>(16, 0));
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(AudioBufferLock(b, 12, 8, &p1, &n1, &p2, &n2), 0);
    EXPECT_EQ(n1, 4u);
    EXPECT_EQ(n2, 4u);
    // A second lock, or an unlock of something else, is refused.
    void *q1, *q2;
    uint32_t m1, m2;
    EXPECT_EQ(AudioBufferLock(b, 0, 2, &q1, &m1, &q2, &m2), -1);
    int16_t tail[2] = {7, 8}, head[2] = {5, 6};
    std::memcpy(p1, tail, 4);
    std::memcpy(p2, head, 4);
    int16_t other[4];
    EXPECT_EQ(AudioBufferUnlock(b, other, n1, p2, n2), -1);
    ASSERT_EQ(AudioBufferUnlock(b, p1, n1, p2, n2), 0);
    AudioBufferPlay(b, 1);
    EXPECT_EQ(Mix(9), (std::vector<int16_t>{5, 5, 6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 8, 8, 5, 5}));
    // Out of range.
    EXPECT_EQ(AudioBufferLock(b, 16, 2, &p1, &n1, &p2, &n2), -1);
    EXPECT_EQ(AudioBufferLock(b, 0, 18, &p1, &n1, &p2, &n2), -1);
    EXPECT_EQ(AudioBufferSetPosition(b, 16), -1);
}

TEST_F(Mixer, DuplicatesShareTheDataButPlayOnTheirOwn) {
    AudioBuffer* a = Make(kMono16, Stereo16({1, 2, 3, 4}));
    AudioBuffer* d = AudioBufferDuplicate(a);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(AudioBufferSize(d), 8u);
    AudioBufferPlay(a, 0);
    Mix(2);
    AudioBufferPlay(d, 0);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{4, 4, 6, 6}));
    // Released while its duplicate plays on.
    AudioBufferRelease(a);
    EXPECT_EQ(Mix(3), (std::vector<int16_t>{3, 3, 4, 4, 0, 0}));
}

TEST_F(Mixer, NewBuffersReadAndPlayAsSilence) {
    // 16-bit silence is 0, 8-bit silence is 128; a big buffer too (its
    // memory comes fresh from the system, not filled).
    const std::pair<AudioFormat, uint32_t> cases[] = {
        {kStereo16, 16}, {{1, 8, 44100}, 8}, {{2, 8, 44100}, 8}, {kStereo16, 8u << 20}};
    for (const auto& c : cases) {
        AudioBuffer* b = AudioBufferCreate(set_, c.first, c.second);
        ASSERT_NE(b, nullptr);
        void *p1, *p2;
        uint32_t n1, n2;
        ASSERT_EQ(AudioBufferLock(b, 0, c.second, &p1, &n1, &p2, &n2), 0);
        const uint8_t silence = c.first.bitsPerSample == 8 ? 128 : 0;
        const auto* bytes = static_cast<const uint8_t*>(p1);
        EXPECT_EQ(std::count(bytes, bytes + n1, silence), std::ptrdiff_t(c.second));
        ASSERT_EQ(AudioBufferUnlock(b, p1, n1, p2, n2), 0);
        AudioBufferPlay(b, 1);
        EXPECT_EQ(Mix(2), (std::vector<int16_t>{0, 0, 0, 0}));
        AudioBufferRelease(b);
    }
}

TEST_F(Mixer, TheMixerNeverSeesALockedRangeBeforeItsUnlock) {
    // Locked while it plays: the written range joins the mix at the unlock.
    AudioBuffer* a = Make(kMono16, Stereo16({1, 2, 3, 4}));
    AudioBufferPlay(a, 1);
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(AudioBufferLock(a, 0, 8, &p1, &n1, &p2, &n2), 0);
    const int16_t loud[4] = {9, 9, 9, 9};
    std::memcpy(p1, loud, 8);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{1, 1, 2, 2}));
    ASSERT_EQ(AudioBufferUnlock(a, p1, n1, p2, n2), 0);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{9, 9, 9, 9}));
    AudioBufferStop(a);
    Mix(220);   // its ramp

    // Locked while still, then started (here through a duplicate): nothing
    // over the data is mixed until the unlock, and a second lock over the
    // same data waits for it too.
    AudioBuffer* d = AudioBufferDuplicate(a);
    ASSERT_EQ(AudioBufferLock(a, 0, 8, &p1, &n1, &p2, &n2), 0);
    AudioBufferPlay(d, 0);
    std::memcpy(p1, Stereo16({5, 6, 7, 8}).data(), 8);
    void *q1, *q2;
    uint32_t m1, m2;
    EXPECT_EQ(AudioBufferLock(d, 0, 2, &q1, &m1, &q2, &m2), -1);
    EXPECT_EQ(Mix(1), (std::vector<int16_t>{0, 0}));
    ASSERT_EQ(AudioBufferUnlock(a, p1, n1, p2, n2), 0);
    EXPECT_EQ(Mix(2), (std::vector<int16_t>{5, 5, 6, 6}));

    // A buffer released in the middle of its lock frees the data for the rest.
    ASSERT_EQ(AudioBufferLock(d, 0, 2, &q1, &m1, &q2, &m2), 0);   // staged: d plays
    ASSERT_EQ(AudioBufferUnlock(d, q1, m1, q2, m2), 0);
    AudioBufferStop(d);
    Mix(220);
    ASSERT_EQ(AudioBufferLock(a, 0, 8, &p1, &n1, &p2, &n2), 0);
    AudioBufferRelease(a);
    AudioBufferPlay(d, 0);
    EXPECT_EQ(Mix(1), (std::vector<int16_t>{7, 7}));
}

TEST_F(Mixer, UnplayableBuffersAreNotMade) {
    const std::pair<AudioFormat, uint32_t> cases[] = {
        {{3, 16, 44100}, 64}, {{2, 24, 44100}, 64}, {{0, 16, 44100}, 64}, {{2, 16, 50}, 64},
        {{2, 16, 400000}, 64}, {{2, 16, 44100}, 0}, {{2, 16, 44100}, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(AudioBufferCreate(set_, c.first, c.second), nullptr);
    EXPECT_EQ(AudioBufferPlay(nullptr, 0), -1);
    EXPECT_EQ(AudioBufferDuplicate(nullptr), nullptr);
}

TEST(PrimaryFormat, FollowsTheDeviceUpTo44100Hz) {
    struct Case {
        bool stereo, sixteen;
        uint32_t maxRate;
        AudioFormat expect;
    };
    const Case cases[] = {
        {true, true, 48000, {2, 16, 44100}},
        {true, true, 22050, {2, 16, 22050}},
        {false, true, 44100, {1, 16, 44100}},
        {true, false, 44100, {2, 8, 44100}},
    };
    for (const Case& c : cases) {
        AudioDeviceCaps caps = {};
        caps.primaryStereo = c.stereo;
        caps.primary16Bit = c.sixteen;
        caps.maxSecondaryRate = c.maxRate;
        AudioFormat f = ChoosePrimaryFormat(caps);
        EXPECT_EQ(f.channels, c.expect.channels);
        EXPECT_EQ(f.bitsPerSample, c.expect.bitsPerSample);
        EXPECT_EQ(f.samplesPerSec, c.expect.samplesPerSec);
    }
}
