// Stream sounds over PCM that their owner hands out, as a movie's sound
// track is, started the ways a movie starts them: from the beginning with
// its attack, on from a pause, and at a new place while another plays (a
// seek), stepped through the mixer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/pcm_stream_sound.h"
#include "sound/sound_play.h"
#include "sound_test_support.h"

using namespace soundtest;

namespace {

constexpr int kFramesPerStep = 735;   // one 60th of a second at 44100 Hz
constexpr int kTenMs = 441;

// A cosine of 441 Hz (a period of 100 frames), stereo: it starts at its
// peak, so a start from the beginning has an attack of full level.
struct Tone {
    std::vector<int16_t> samples;
    int64_t at = 0;
};
constexpr double kLevel = 8000;

int ReadTone(void* handle, void* dest, int bytes) {
    auto* t = static_cast<Tone*>(handle);
    const int64_t frames = int64_t(t->samples.size() / 2);
    const int n = int(std::min<int64_t>(bytes / 4, frames - t->at));
    std::memcpy(dest, t->samples.data() + 2 * t->at, size_t(n) * 4);
    t->at += n;
    return n * 4;
}
int SeekTone(void* handle, int64_t sample) {
    auto* t = static_cast<Tone*>(handle);
    if (sample > int64_t(t->samples.size() / 2)) return -1;
    t->at = sample;
    return 0;
}
int64_t ToneLength(void* handle) { return int64_t(static_cast<Tone*>(handle)->samples.size() / 2); }
void CloseTone(void* handle) { delete static_cast<Tone*>(handle); }

std::vector<int16_t> CosineTone(int frames) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        const auto v = int16_t(std::lround(kLevel * std::cos(2 * M_PI * i / 100)));
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

// The tone's own largest step between neighbouring samples.
const int kOwnStep = int(std::ceil(kLevel * 2 * M_PI / 100));

class PcmStreamSound : public SoundSystem {
protected:
    int AddTone() {
        auto* tone = new Tone{CosineTone(10 * 44100)};
        const PcmSource source{tone, 2, 44100, ReadTone, SeekTone, ToneLength, CloseTone};
        return AddPcmStreamSound(&source);
    }
    // A movie's sound starting at a place of the track.
    static void StartAt(int handle, int64_t sample) {
        ASSERT_EQ(SeekStreamSoundSample(handle, sample), 0);
        ASSERT_EQ(PlaySoundMemImpl(handle, SOUND_PLAYTYPE_BACK, 0), 0);
    }
    // Mixes and refills for a number of steps; the left channel heard.
    std::vector<int> Hear(int steps) {
        std::vector<int> left;
        for (int step = 0; step < steps; ++step) {
            const std::vector<int16_t> out = Mix(kFramesPerStep);
            for (size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
            ProcessStreamSoundMemAll();
        }
        return left;
    }
};

double Rms(const std::vector<int>& s, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(count));
}

}  // namespace

// From the beginning the tone keeps its attack; on from a pause, at any
// phase of its wave, it ramps in: no step over 1.5 times its own in the
// first 10 ms.
TEST_F(PcmStreamSound, APauseAndResumeRampsInWhileTheStartKeepsItsAttack) {
    const int h = AddTone();
    ASSERT_NE(h, -1);
    StartAt(h, 0);
    std::vector<int> heard = Hear(10);
    EXPECT_EQ(heard[0], int(kLevel)) << "the attack";

    for (int phase : {0, 12, 25, 50, 75, 90}) {
        SCOPED_TRACE(::testing::Message() << "phase " << phase);
        ASSERT_EQ(StopSoundMemImpl(h), 0);
        Hear(6);
        // Resumed a little on from the pause, as a movie's clock may be.
        const int64_t place = TellStreamSoundSample(h) / 100 * 100 + 100 + phase;
        StartAt(h, place);
        heard = Hear(2);
        EXPECT_EQ(heard[0], 0) << "ramped in from nothing";
        EXPECT_LE(zvtest::LargestStep(heard, 0, kTenMs), kOwnStep * 3 / 2);
        EXPECT_NEAR(Rms(heard, kTenMs, 400), kLevel / std::sqrt(2.0), 20) << "then at full level";
        Hear(10);
    }
    DeleteSoundMemImpl(h, 0);
    Mix(1000);
}

// A seek while playing, as a movie makes it: the spare sound starts at the
// new place and the one that played stops, between the same two mixing
// passes. The two crossfade: no step over twice the tone's own and no 5 ms
// 20 dB under the tone, whatever phase the new place lies at against the old.
TEST_F(PcmStreamSound, ASeekWhilePlayingCrossfadesTheOldPlaceIntoTheNew) {
    int playing = AddTone();
    int spare = AddTone();
    ASSERT_NE(playing, -1);
    ASSERT_NE(spare, -1);
    StartAt(playing, 0);
    std::vector<int> heard = Hear(12);
    for (int phase : {0, 25, 50, 75, 33, 60}) {
        SCOPED_TRACE(::testing::Message() << "phase " << phase);
        const int64_t target = 3 * 44100 + phase + 7 * 100 * phase;
        // Where the old place stands within its wave is whatever it is.
        HoldSoundMixing(true);
        StartAt(spare, target);
        ASSERT_EQ(SeekStreamSoundSample(playing, 0), 0);
        HoldSoundMixing(false);
        std::swap(playing, spare);
        const size_t seam = heard.size();
        const std::vector<int> more = Hear(12);
        heard.insert(heard.end(), more.begin(), more.end());
        EXPECT_LE(zvtest::LargestStep(heard, seam - 2 * kTenMs, seam + 2 * kTenMs), 2 * kOwnStep);
        for (size_t at = seam - kTenMs; at < seam + 2 * kTenMs; at += 20)
            EXPECT_GT(Rms(heard, at, 220), kLevel / std::sqrt(2.0) / 10) << (int(at) - int(seam)) << " frames on";
    }
    DeleteSoundMemImpl(playing, 0);
    DeleteSoundMemImpl(spare, 0);
    Mix(1000);
}
