// The audio tools' own rules: the song format turns text into the notes a
// musician would expect (or names the line that is wrong), and the loop
// encoder's MP3 decodes through the library with the loop exactly where the
// renderer put it, the encoder's tag saying where.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <lame/lame.h>

#include "audio_decode.h"
#include "loop_mp3.h"
#include "song_score.h"
#include "sound/sound_convert_methods.h"
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

// A test tone for the encoder: two partials, the right channel at half level.
double LoopSignal(int i) {
    return 6000 * std::sin(2 * M_PI * 440 * i / kMp3Rate) + 4000 * std::sin(2 * M_PI * 3000 * i / kMp3Rate);
}

std::vector<int16_t> LoopPcm(int frames) {
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) {
        const int16_t v = int16_t(std::lround(LoopSignal(i)));
        pcm.push_back(v);
        pcm.push_back(int16_t(v / 2));
    }
    return pcm;
}

// Plain LAME output of pcm with or without its own tag frame; the padding
// LAME counted in *padding.
std::string LameMp3(const std::vector<int16_t>& pcm, bool tagged, int* padding) {
    lame_t gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, kMp3Rate);
    lame_set_brate(gf, 128);
    lame_set_bWriteVbrTag(gf, tagged ? 1 : 0);
    lame_init_params(gf);
    std::vector<uint8_t> out(pcm.size() * 2 + 16384);
    int n = lame_encode_buffer_interleaved(gf, const_cast<short*>(pcm.data()), int(pcm.size() / 2), out.data(),
                                           int(out.size()));
    n += lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
    if (tagged) lame_get_lametag_frame(gf, out.data(), out.size());
    *padding = lame_get_encoder_padding(gf);
    lame_close(gf);
    return std::string(out.begin(), out.begin() + n);
}

TEST(LoopMp3, IsWholeFramesAndTaggedWithTheLoopEndingTheLastFrame) {
    constexpr int kFrames = 24;
    const int length = LoopSamplesFor(kFrames);
    std::string error;
    const std::vector<uint8_t> mp3 = EncodeLoopMp3(LoopPcm(length), kFrames, 128, &error);
    ASSERT_FALSE(mp3.empty()) << error;
    // The tag frame, then the loop's frames, and nothing after them.
    size_t at = 0;
    int frames = 0;
    for (Mp3FrameInfo f; at + 4 <= mp3.size() && AnalyzeMp3FrameHeader(&mp3[at], &f) == 0; ++frames)
        at += size_t(f.frameLength);
    EXPECT_EQ(at, mp3.size());
    EXPECT_EQ(frames, 1 + kFrames + 1);
    EXPECT_EQ(std::string(mp3.begin() + 36, mp3.begin() + 40), "Info");
    const uint32_t delayPadding = uint32_t(mp3[177]) << 16 | uint32_t(mp3[178]) << 8 | mp3[179];
    EXPECT_EQ(delayPadding >> 12, uint32_t(kMp3EncoderDelay + kMp3Preroll));
    EXPECT_EQ(delayPadding & 0xFFF, uint32_t(kMp3DecoderDelay));

    const audiotest::Decoded d = audiotest::Decode(std::string(mp3.begin(), mp3.end()));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.format.channels, 2);
    // Every frame decodes, the tag frame too: the size counts them all.
    ASSERT_EQ(d.frames(), size_t(1 + kFrames + 1) * kMp3FrameSamples);
    // The loop lies behind the tag frame, the lead and the pre-roll (the
    // loop's end), up to the last sample.
    const int start = kMp3LoopStart;
    EXPECT_EQ(start, 1152 + 576 + 1152 + 529);
    EXPECT_EQ(d.musicStart, start);
    EXPECT_EQ(d.musicEnd, int(d.frames()));
    for (int i = 0; i < 128; ++i) ASSERT_LE(std::abs(d.samples[2 * size_t(i)]), 8) << i;
    // The decoded loop lines up with the input exactly there, to its end: one
    // sample either way is much further off.
    auto misfit = [&](int shift, int from, int to) {
        double error = 0, power = 0;
        for (int i = from; i < to; ++i) {
            const double diff = d.samples[2 * size_t(start + shift + i)] - LoopSignal(i);
            error += diff * diff;
            power += LoopSignal(i) * LoopSignal(i);
        }
        return std::sqrt(error / power);
    };
    EXPECT_LT(misfit(0, 2000, length - 2000), 0.08);
    EXPECT_GT(misfit(-1, 2000, length - 2000), 2 * misfit(0, 2000, length - 2000));
    EXPECT_GT(misfit(1, 2000, length - 2000), 2 * misfit(0, 2000, length - 2000));
    EXPECT_LT(misfit(0, length - 1000, length), 0.1) << "the loop's last samples";

    for (int wrong : {length - 1, length + 1}) {
        EXPECT_TRUE(EncodeLoopMp3(std::vector<int16_t>(size_t(wrong) * 2, 0), kFrames, 128, &error).empty());
        EXPECT_EQ(error, "the loop does not fill its frames");
    }
}

// The music's place as libmpg123 reads the encoder tag: behind the tag frame
// and the delay (576 encoder + 529 decoder samples), before the padding
// beyond the decoder's delay; nothing without a tag.
TEST(LoopMp3, TheMusicLiesWhereTheEncoderTagSays) {
    const std::vector<int16_t> pcm = LoopPcm(30000);
    int padding = 0;
    const audiotest::Decoded tagged = audiotest::Decode(LameMp3(pcm, true, &padding));
    ASSERT_TRUE(tagged.ok);
    EXPECT_GT(padding, kMp3DecoderDelay);
    EXPECT_EQ(tagged.musicStart, 1152 + 576 + 529);
    EXPECT_EQ(tagged.musicEnd, int(tagged.frames()) - (padding - 529));
    EXPECT_EQ(tagged.musicEnd - tagged.musicStart, 30000);
    const audiotest::Decoded plain = audiotest::Decode(LameMp3(pcm, false, &padding));
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.frames(), tagged.frames() - 1152);
    EXPECT_EQ(plain.musicStart, 0);
    EXPECT_EQ(plain.musicEnd, 0);
}

}  // namespace
