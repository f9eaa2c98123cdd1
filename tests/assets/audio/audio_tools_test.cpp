// The audio tools' own rules: the song format turns text into the notes a
// musician would expect (or names the line that is wrong), and the loop
// encoder's MP3 decodes through the library with the loop exactly where the
// renderer put it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "audio_decode.h"
#include "loop_mp3.h"
#include "song_score.h"
#include "zv_test_support.h"

namespace {

bool LoadSongText(const std::string& text, Song* song, std::string* errors) {
    zvtest::ScopedTempDir dir;
    std::ofstream("test.song") << text;
    testing::internal::CaptureStderr();
    const bool ok = LoadSong("test.song", song);
    *errors = testing::internal::GetCapturedStderr();
    return ok;
}

struct Expected {
    int tick, length, channel, key, velocity;
};

TEST(SongFormat, WrittenNotesChordStylesDrumGridsAndCopiedSections) {
    const std::string text =
        "tempo 120\n"
        "meter 4\n"
        "part lead program 73 gate 1 velocity 90   # the tune\n"
        "part pad program 48 low c4 gate 1 velocity 70\n"
        "drums kit velocity 80\n"
        "section a 2\n"
        "  chords: C | Am . F G\n"
        "  lead: e5:q. d5:e c5:h | -:h r:e g5 a5+c#6:q!\n"
        "  pad: pad\n"
        "  kick: X............... x...............\n"
        "section b 2 like a\n"
        "  lead: rest\n"
        "form a b\n";
    Song song;
    std::string errors;
    ASSERT_TRUE(LoadSongText(text, &song, &errors)) << errors;
    EXPECT_EQ(song.tempo, 120);
    EXPECT_EQ(song.totalTicks, 4 * 4 * kTicksPerBeat);
    ASSERT_EQ(song.parts.size(), 3u);
    EXPECT_EQ(song.parts[1].program, 48);
    EXPECT_EQ(song.parts[2].channel, kDrumChannel);

    const int q = kTicksPerBeat, bar = 4 * q;
    std::vector<Expected> want = {
        // The tune: a dotted quarter, a tie across the bar line, a chord with an accent.
        {0, q + q / 2, 0, 76, 90}, {q + q / 2, q / 2, 0, 74, 90}, {2 * q, 4 * q, 0, 72, 90},
        {bar + 2 * q + q / 2, q / 2, 0, 79, 90}, {bar + 3 * q, q, 0, 81, 108}, {bar + 3 * q, q, 0, 85, 108},
    };
    // The pad voices each chord upwards from c4, holding it until the next.
    for (int at : {0, 2 * bar}) {
        for (int key : {60, 64, 67}) want.push_back({at, bar, 1, key, 70});
        for (int key : {60, 64, 69}) want.push_back({at + bar, 2 * q, 1, key, 70});
        for (int key : {60, 65, 69}) want.push_back({at + bar + 2 * q, q, 1, key, 70});
        for (int key : {62, 67, 71}) want.push_back({at + bar + 3 * q, q, 1, key, 70});
        want.push_back({at, kTicksPerStep, kDrumChannel, 36, 105});
        want.push_back({at + bar, kTicksPerStep, kDrumChannel, 36, 80});
    }
    ASSERT_EQ(song.notes.size(), want.size());
    for (const Expected& w : want) {
        bool found = false;
        for (const SongNote& n : song.notes) {
            if (n.tick == w.tick && n.length == w.length && n.channel == w.channel && n.key == w.key &&
                std::abs(n.velocity - w.velocity) <= 3)
                found = true;
        }
        EXPECT_TRUE(found) << "no note " << w.key << " on channel " << w.channel << " at tick " << w.tick
                           << " for " << w.length;
    }
}

TEST(SongFormat, MistakesNameTheirLine) {
    struct Case {
        const char* body;
        const char* message;
    };
    const std::string head = "part lead program 0\ndrums kit\nsection s 1\n  chords: C\n";
    const Case cases[] = {
        {"  lead: c4:q d4 e4 | f4\nform s\n", "test.song:5: a bar line 12 sixteenths into a bar"},
        {"  lead: c4:w d4\nform s\n", "test.song:5: the notes run past the end"},
        {"  lead: h4:q\nform s\n", "test.song:5: not a note letter"},
        {"  lead: c4:x\nform s\n", "test.song:5: bad length"},
        {"  lead: arp32\nform s\n", "test.song:5: bad note"},
        {"  chords: Cmajor\n  lead: pad\nform s\n", "test.song:5: unknown chord"},
        {"  kick: x...\nform s\n", "test.song:5: a drum grid must fill whole bars"},
        {"  organ: c4:q\nform s\n", "test.song:5: no part \"organ\""},
        {"form s t\n", "test.song:5: no section \"t\""},
        {"part lead program 1\nform s\n", "test.song:5: part \"lead\" twice"},
        {"part keys program 200\nform s\n", "test.song:5: program must lie in 0 to 127"},
    };
    for (const Case& c : cases) {
        Song song;
        std::string errors;
        EXPECT_FALSE(LoadSongText(head + c.body, &song, &errors)) << c.body;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.body << " gave: " << errors;
    }
}

TEST(LoopMp3, DecodesToWholeFramesWithTheLoopBehindTheSilentLead) {
    constexpr int kFrames = 24;
    const int length = kFrames * kMp3FrameSamples - kMp3Lead;
    std::vector<int16_t> pcm;
    auto signal = [](int i) {
        return 6000 * std::sin(2 * M_PI * 440 * i / kMp3Rate) + 4000 * std::sin(2 * M_PI * 3000 * i / kMp3Rate);
    };
    for (int i = 0; i < length; ++i) {
        const int16_t v = int16_t(std::lround(signal(i)));
        pcm.push_back(v);
        pcm.push_back(int16_t(v / 2));
    }
    std::string error;
    const std::vector<uint8_t> mp3 = EncodeLoopMp3(pcm, kFrames, 128, &error);
    ASSERT_FALSE(mp3.empty()) << error;
    const audiotest::Decoded d = audiotest::Decode(std::string(mp3.begin(), mp3.end()));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.format.channels, 2);
    ASSERT_EQ(d.frames(), size_t(kFrames * kMp3FrameSamples));
    // The stream starts in silence; what the lead holds after that is only
    // the encoder's pre-echo of the first notes, far below them.
    for (int i = 0; i < 128; ++i) ASSERT_LE(std::abs(d.samples[2 * size_t(i)]), 8) << i;
    double lead = 0;
    for (int i = 0; i < kMp3Lead; ++i) lead += double(d.samples[2 * size_t(i)]) * d.samples[2 * size_t(i)];
    EXPECT_LT(std::sqrt(lead / kMp3Lead), 0.1 * std::sqrt((6000.0 * 6000 + 4000.0 * 4000) / 2));
    // The decoded loop lines up with the input exactly at the lead: one
    // sample either way is much further off.
    auto misfit = [&](int shift) {
        double error = 0, power = 0;
        for (int i = 2000; i < length - 2000; ++i) {
            const double diff = d.samples[2 * size_t(kMp3Lead + shift + i)] - signal(i);
            error += diff * diff;
            power += signal(i) * signal(i);
        }
        return std::sqrt(error / power);
    };
    EXPECT_LT(misfit(0), 0.08);
    EXPECT_GT(misfit(-1), 2 * misfit(0));
    EXPECT_GT(misfit(1), 2 * misfit(0));

    const std::vector<int16_t> tooLong(size_t(length + 1) * 2, 0);
    EXPECT_TRUE(EncodeLoopMp3(tooLong, kFrames, 128, &error).empty());
    EXPECT_EQ(error, "the loop is longer than its frames");
}

}  // namespace
