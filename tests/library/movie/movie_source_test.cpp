// The movie source on its own, over bytes in memory and an injected clock:
// which frame is due when, late frames, the end, pause, tell and seek, the
// pixel formats, lossy movies, and the files it refuses; the sound track
// resampled, placed on the movie's time and sought.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "library/graphics/image_fixtures.h"
#include "memory_source.h"
#include "movie_writer.h"
#include "platform/movie_ffmpeg.h"
#include "tone_check.h"
#include "zv_test_support.h"

namespace {

int64_t g_nowUs = 0;
int64_t FakeClock() { return g_nowUs; }
int g_closedSources = 0;

MovieOpenResult OpenBytes(const std::string& bytes, MovieStream** out) {
    const MovieByteSource source = moviefix::MemorySource(bytes, &g_closedSources);
    return MovieStreamOpen(&source, out);
}

std::string Slurp(const std::string& path) { return zvtest::ReadWholeFile(path); }

class MovieSource : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_nowUs = 1000000;
        MovieSetClock(FakeClock);
    }
    void TearDown() override {
        MovieStreamClose(stream_);
        MovieSetClock(nullptr);
    }
    // Opens a movie of spec written to a file, and starts it at the current time.
    void OpenMovie(const moviefix::MovieSpec& spec, const char* name = "m.mkv") {
        ASSERT_TRUE(moviefix::WriteMovie(name, spec));
        ASSERT_EQ(OpenBytes(Slurp(name), &stream_), MOVIE_OPENED);
        MovieStreamGetInfo(stream_, &info_);
        pixels_.assign(size_t(info_.width) * size_t(info_.height), 0xDEADBEEF);
        MovieStreamRun(stream_);
        start_ = g_nowUs;
    }
    void At(int ms) { g_nowUs = start_ + int64_t(ms) * 1000; }
    MovieFrameResult Update() {
        return MovieStreamUpdate(stream_, MOVIE_PIXELS_X8R8G8B8, pixels_.data(), info_.width * 4);
    }
    // The frame the 32-bit pixels show, or -1 when they are no exact frame.
    int ShownFrame() const {
        const int i = int(pixels_[size_t(info_.width) + 1] >> 16 & 0xFF) / 8;
        for (int y = 0; y < info_.height; ++y)
            for (int x = 0; x < info_.width; ++x)
                if ((pixels_[size_t(y * info_.width + x)] & 0xFFFFFF) != moviefix::FramePixel(i, x, y)) return -1;
        return i;
    }

    zvtest::ScopedTempDir dir_;
    MovieStream* stream_ = nullptr;
    MovieStreamInfo info_{};
    std::vector<uint32_t> pixels_;
    int64_t start_ = 0;
};

TEST_F(MovieSource, TheDueFrameFollowsTheClockToTheEnd) {
    OpenMovie(moviefix::MovieSpec{});
    EXPECT_EQ(info_.width, 64);
    EXPECT_EQ(info_.height, 48);
    EXPECT_EQ(info_.timePerFrameUs, 100000);
    EXPECT_EQ(info_.hasSound, 0);
    struct Step {
        int ms;
        MovieFrameResult result;
        int frame;   // shown afterwards
    };
    const Step steps[] = {
        {0, MOVIE_FRAME_NEW, 0},      {0, MOVIE_FRAME_PENDING, 0}, {99, MOVIE_FRAME_PENDING, 0},
        {100, MOVIE_FRAME_NEW, 1},    {550, MOVIE_FRAME_NEW, 5},   // 2 to 4 are late and skipped
        {599, MOVIE_FRAME_PENDING, 5}, {1999, MOVIE_FRAME_NEW, 19},
        {1999, MOVIE_FRAME_PENDING, 19},   // the last frame has its 100 ms too
        {2000, MOVIE_FRAME_END, 19},  {9000, MOVIE_FRAME_END, 19},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ms);
        At(s.ms);
        EXPECT_EQ(Update(), s.result);
        EXPECT_EQ(ShownFrame(), s.frame);
    }
    // The clock stopped at the end: the movie tells its length.
    EXPECT_EQ(MovieStreamIsRunning(stream_), 0);
    EXPECT_EQ(MovieStreamTellMs(stream_), 2000);
}

TEST_F(MovieSource, PauseHoldsTheClockAndSeekMovesIt) {
    OpenMovie(moviefix::MovieSpec{});
    At(300);
    EXPECT_EQ(MovieStreamTellMs(stream_), 300);
    MovieStreamPause(stream_);
    At(1300);
    EXPECT_EQ(MovieStreamTellMs(stream_), 300);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 3);
    MovieStreamRun(stream_);
    At(1450);
    EXPECT_EQ(MovieStreamTellMs(stream_), 450);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 4);

    // Forwards and backwards, running and paused.
    EXPECT_EQ(MovieStreamSeekMs(stream_, 1530), 0);
    EXPECT_EQ(MovieStreamTellMs(stream_), 1530);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 15);
    MovieStreamPause(stream_);
    EXPECT_EQ(MovieStreamSeekMs(stream_, 210), 0);
    At(5000);
    EXPECT_EQ(MovieStreamTellMs(stream_), 210);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 2);
    EXPECT_EQ(MovieStreamSeekMs(stream_, -1), -1);
    EXPECT_EQ(MovieStreamTellMs(stream_), 210);

    // Past the end: the last frame at once, and the time is the length; a
    // seek back plays again.
    MovieStreamRun(stream_);
    EXPECT_EQ(MovieStreamSeekMs(stream_, 60000), 0);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 19);
    EXPECT_EQ(MovieStreamTellMs(stream_), 2000);
    EXPECT_EQ(MovieStreamIsRunning(stream_), 0);
    EXPECT_EQ(Update(), MOVIE_FRAME_END);
    EXPECT_EQ(MovieStreamTellMs(stream_), 2000);
    EXPECT_EQ(MovieStreamSeekMs(stream_, 0), 0);
    MovieStreamRun(stream_);
    EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
    EXPECT_EQ(ShownFrame(), 0);
}

TEST_F(MovieSource, FramesComeInEachPixelFormat) {
    OpenMovie(moviefix::MovieSpec{});
    At(550);
    std::vector<uint8_t> rgb24(size_t(64 * 3 + 0) * 48), rgb16(size_t(64 * 2) * 48);
    ASSERT_EQ(MovieStreamUpdate(stream_, MOVIE_PIXELS_R8G8B8, rgb24.data(), 64 * 3), MOVIE_FRAME_NEW);
    // The same frame again in another format.
    ASSERT_EQ(MovieStreamSeekMs(stream_, 550), 0);
    ASSERT_EQ(MovieStreamUpdate(stream_, MOVIE_PIXELS_R5G6B5, rgb16.data(), 64 * 2), MOVIE_FRAME_NEW);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t want = moviefix::FramePixel(5, x, y);
            const uint8_t* p = &rgb24[size_t(y * 64 + x) * 3];
            ASSERT_EQ(uint32_t(p[0] | p[1] << 8 | p[2] << 16), want) << x << "," << y;
            const uint16_t v = uint16_t(rgb16[size_t(y * 64 + x) * 2] | rgb16[size_t(y * 64 + x) * 2 + 1] << 8);
            const int r = (v >> 11) << 3, g = (v >> 5 & 0x3F) << 2, b = (v & 0x1F) << 3;
            ASSERT_NEAR(r, int(want >> 16 & 0xFF), 8) << x << "," << y;
            ASSERT_NEAR(g, int(want >> 8 & 0xFF), 4) << x << "," << y;
            ASSERT_NEAR(b, int(want & 0xFF), 8) << x << "," << y;
        }
}

// Narrow frames whose rows are no multiple of the converter's block: each row
// lands at its own width, and nothing is written past the last one. 32-bit
// pixels carry their spare byte set, as the library's colour formats do (a
// transparent colour is compared with it).
TEST_F(MovieSource, FramesStayInsideTheirPixels) {
    const struct {
        int width, height;
        AVPixelFormat pixels;
    } movies[] = {{2, 8, AV_PIX_FMT_BGR0}, {27, 6, AV_PIX_FMT_BGR0}, {29, 4, AV_PIX_FMT_YUV420P}};
    const struct {
        MoviePixelFormat format;
        int bytes;
    } formats[] = {{MOVIE_PIXELS_X8R8G8B8, 4}, {MOVIE_PIXELS_R8G8B8, 3}, {MOVIE_PIXELS_R5G6B5, 2}};
    constexpr size_t kGuard = 256;
    for (const auto& m : movies) {
        moviefix::MovieSpec spec;
        spec.width = m.width;
        spec.height = m.height;
        spec.pixels = m.pixels;
        MovieStreamClose(stream_);
        stream_ = nullptr;
        OpenMovie(spec);
        for (const auto& f : formats) {
            SCOPED_TRACE(testing::Message() << m.width << "x" << m.height << " in " << f.bytes << " bytes");
            ASSERT_EQ(MovieStreamSeekMs(stream_, 250), 0);
            const size_t size = size_t(m.width) * size_t(f.bytes) * size_t(m.height);
            std::vector<uint8_t> pixels(size + kGuard, 0xA5);
            ASSERT_EQ(MovieStreamUpdate(stream_, f.format, pixels.data(), m.width * f.bytes), MOVIE_FRAME_NEW);
            for (size_t i = size; i < pixels.size(); ++i) ASSERT_EQ(pixels[i], 0xA5) << "byte " << i - size << " past";
            if (f.bytes == 4) {
                for (size_t i = 3; i < size; i += 4) ASSERT_EQ(pixels[i], 0xFF) << "spare byte of pixel " << i / 4;
            }
            if (f.bytes == 3 && m.pixels == AV_PIX_FMT_BGR0) {
                for (int y = 0; y < m.height; ++y)
                    for (int x = 0; x < m.width; ++x) {
                        const uint8_t* p = &pixels[size_t(y * m.width + x) * 3];
                        ASSERT_EQ(uint32_t(p[0] | p[1] << 8 | p[2] << 16), moviefix::FramePixel(2, x, y))
                            << x << "," << y;
                    }
            }
        }
    }
}

TEST_F(MovieSource, LossyMoviesPlayWithinTolerance) {
    moviefix::MovieSpec spec;
    spec.container = "avi";
    spec.codec = "mpeg4";
    spec.pixels = AV_PIX_FMT_YUV420P;
    OpenMovie(spec, "m.avi");
    for (int frame : {0, 5, 12, 19}) {
        SCOPED_TRACE(frame);
        At(frame * 100 + 50);
        ASSERT_EQ(Update(), MOVIE_FRAME_NEW);
        // Away from the marker, which a lossy codec smears.
        for (const auto& [x, y] : {std::pair<int, int>{32, 24}, {63, 47}, {0, 40}}) {
            const uint32_t got = pixels_[size_t(y * 64 + x)], want = moviefix::FrameColour(frame);
            for (int shift : {16, 8, 0}) EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 10);
        }
    }
}

TEST_F(MovieSource, WhatIsNoMovieIsRefusedAndTheSourceClosed) {
    moviefix::MovieSpec wide;
    wide.width = 8200;
    wide.height = 2;
    wide.frames = 1;
    moviefix::MovieSpec widest = wide;
    widest.width = 8192;
    ASSERT_TRUE(moviefix::WriteMovie("m.mkv", moviefix::MovieSpec{}));
    ASSERT_TRUE(moviefix::WriteMovie("wide.mkv", wide));
    ASSERT_TRUE(moviefix::WriteMovie("widest.mkv", widest));
    ASSERT_TRUE(moviefix::WriteSoundOnly("tone.mkv"));
    ASSERT_TRUE(moviefix::WriteSoundOnly("tone.avi", "avi"));
    const std::string movie = Slurp("m.mkv");
    std::string garbage(4096, '\0');
    uint32_t x = 7;
    for (char& c : garbage) c = char((x = x * 1103515245 + 12345) >> 24);
    // A picture is no movie, even though a picture reader would take it.
    const imgfix::Bytes picture = imgfix::MakeRgbPng(16, 16, std::vector<uint32_t>(256, 0xFF336699), false);
    const std::string png(picture.begin(), picture.end());
    struct Case {
        const char* name;
        std::string bytes;
        MovieOpenResult result;
    };
    const Case cases[] = {
        {"empty", "", MOVIE_UNREADABLE},
        {"garbage", garbage, MOVIE_UNREADABLE},
        {"truncated header", movie.substr(0, 40), MOVIE_UNREADABLE},
        {"picture", png, MOVIE_UNREADABLE},
        {"sound only", Slurp("tone.mkv"), MOVIE_NOT_VIDEO},
        {"sound only in avi", Slurp("tone.avi"), MOVIE_NOT_VIDEO},
        {"frames too wide", Slurp("wide.mkv"), MOVIE_NOT_VIDEO},
        {"widest frames", Slurp("widest.mkv"), MOVIE_OPENED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int closedBefore = g_closedSources;
        MovieStream* s = nullptr;
        EXPECT_EQ(OpenBytes(c.bytes, &s), c.result);
        EXPECT_EQ(s != nullptr, c.result == MOVIE_OPENED);
        MovieStreamClose(s);
        EXPECT_EQ(g_closedSources, closedBefore + 1);
    }
}

TEST_F(MovieSource, ACutMoviePlaysWhatItHasAndEnds) {
    ASSERT_TRUE(moviefix::WriteMovie("m.mkv", moviefix::MovieSpec{}));
    const std::string movie = Slurp("m.mkv");
    ASSERT_EQ(OpenBytes(movie.substr(0, movie.size() / 2), &stream_), MOVIE_OPENED);
    MovieStreamGetInfo(stream_, &info_);
    pixels_.assign(size_t(info_.width) * size_t(info_.height), 0);
    MovieStreamRun(stream_);
    start_ = g_nowUs;
    int last = -1;
    MovieFrameResult r = MOVIE_FRAME_PENDING;
    for (int ms = 0; ms <= 3000 && r != MOVIE_FRAME_END; ms += 50) {
        At(ms);
        r = Update();
        if (r == MOVIE_FRAME_NEW) {
            EXPECT_GT(ShownFrame(), last);
            last = ShownFrame();
        }
    }
    EXPECT_EQ(r, MOVIE_FRAME_END);
    EXPECT_GE(last, 1);
    EXPECT_LT(last, 19);
}

// A seek past the end of a movie that breaks off early (its file says it is
// longer) ends where playing it to its end does: at the last frame it has.
TEST_F(MovieSource, ASeekPastTheEndOfACutMovieGoesToTheEndReached) {
    const struct {
        const char* container;
        const char* codec;
        AVPixelFormat pixels;
    } cases[] = {
        {"matroska", "ffv1", AV_PIX_FMT_BGR0},
        // The demuxer finds its place by the times it reads: past the end
        // of a cut one it is left where no frame follows.
        {"mpegts", "mpeg2video", AV_PIX_FMT_YUV420P},
    };
    for (const auto& c : cases) {
        moviefix::MovieSpec spec;
        spec.container = c.container;
        spec.codec = c.codec;
        spec.pixels = c.pixels;
        spec.frames = 30;
        ASSERT_TRUE(moviefix::WriteMovie("whole.movie", spec));
        const std::string movie = Slurp("whole.movie");
        for (int percent = 50; percent < 100; percent += 3) {
            SCOPED_TRACE(std::string(c.container) + " cut at " + std::to_string(percent) + "%");
            const std::string cut = movie.substr(0, movie.size() * size_t(percent) / 100);
            // Played to its end.
            ASSERT_EQ(OpenBytes(cut, &stream_), MOVIE_OPENED);
            MovieStreamGetInfo(stream_, &info_);
            pixels_.assign(size_t(info_.width) * size_t(info_.height), 0);
            MovieStreamRun(stream_);
            start_ = g_nowUs;
            At(60000);
            EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
            const int64_t end = MovieStreamTellMs(stream_);
            const std::vector<uint32_t> last = pixels_;
            EXPECT_GE(end, 1000);
            EXPECT_LE(end, 3000);
            MovieStreamClose(stream_);
            stream_ = nullptr;

            // Sought past its end, running and paused.
            for (const bool running : {true, false}) {
                ASSERT_EQ(OpenBytes(cut, &stream_), MOVIE_OPENED);
                pixels_.assign(size_t(info_.width) * size_t(info_.height), 0);
                if (running) MovieStreamRun(stream_);
                start_ = g_nowUs;
                At(100);
                EXPECT_EQ(MovieStreamSeekMs(stream_, 1000000), 0);
                EXPECT_EQ(Update(), MOVIE_FRAME_NEW);
                EXPECT_EQ(MovieStreamTellMs(stream_), end);
                EXPECT_TRUE(pixels_ == last) << "the last frame";
                EXPECT_EQ(MovieStreamIsRunning(stream_), 0);
                MovieStreamClose(stream_);
                stream_ = nullptr;
            }
        }
    }
}

// The sound of a movie read to its end as 44100 Hz stereo.
std::vector<int16_t> ReadWholeSound(MovieSound* sound) {
    std::vector<int16_t> all;
    std::vector<int16_t> block(4096);
    for (int n; (n = MovieSoundRead(sound, block.data(), int(block.size() * 2))) > 0;)
        all.insert(all.end(), block.begin(), block.begin() + n / 2);
    return all;
}

TEST_F(MovieSource, TheSoundTrackComesResampledOnTheMoviesTime) {
    struct Case {
        const char* name;
        const char* container;
        const char* codec;
        AVPixelFormat pixels;
        const char* soundCodec;
        int rate, channels, delayMs;
        double levelTolerance;   // of the loudness, as a share
        int lagTolerance;        // samples; -1 where the file does not say where its samples lie
    };
    const Case cases[] = {
        // Matroska keeps times in whole milliseconds: within half of one.
        {"PCM 48 kHz mono", "matroska", "ffv1", AV_PIX_FMT_BGR0, "pcm_s16le", 48000, 1, 0, 0.02, 23},
        {"PCM 22.05 kHz stereo", "matroska", "ffv1", AV_PIX_FMT_BGR0, "pcm_s16le", 22050, 2, 0, 0.02, 23},
        {"PCM starting 500 ms late", "matroska", "ffv1", AV_PIX_FMT_BGR0, "pcm_s16le", 48000, 1, 500, 0.02, 23},
        // AVI does not carry the encoder's delay.
        {"MPEG audio in AVI", "avi", "mpeg4", AV_PIX_FMT_YUV420P, "mp2", 44100, 2, 0, 0.1, -1},
        {"MP3 in Matroska", "matroska", "ffv1", AV_PIX_FMT_BGR0, "libmp3lame", 48000, 2, 0, 0.1, -1},
        {"AAC in MP4", "mp4", "mpeg4", AV_PIX_FMT_YUV420P, "aac", 48000, 2, 0, 0.1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        moviefix::MovieSpec spec;
        spec.container = c.container;
        spec.codec = c.codec;
        spec.pixels = c.pixels;
        spec.soundCodec = c.soundCodec;
        spec.soundRate = c.rate;
        spec.soundChannels = c.channels;
        spec.soundDelayMs = c.delayMs;
        spec.soundMs = 2000 - c.delayMs;
        ASSERT_TRUE(moviefix::WriteMovie("s.movie", spec));
        const std::string bytes = Slurp("s.movie");
        MovieStream* picture = nullptr;
        ASSERT_EQ(OpenBytes(bytes, &picture), MOVIE_OPENED);
        MovieStreamGetInfo(picture, &info_);
        EXPECT_EQ(info_.hasSound, 1);
        MovieStreamClose(picture);
        MovieSound* sound = nullptr;
        const MovieByteSource source = moviefix::MemorySource(bytes, &g_closedSources);
        ASSERT_EQ(MovieSoundOpen(&source, 44100, 2, &sound), MOVIE_OPENED);
        EXPECT_NEAR(double(MovieSoundLength(sound)), 88200, 4410);

        const std::vector<int16_t> all = ReadWholeSound(sound);
        EXPECT_NEAR(double(all.size() / 2), 88200, 2500);
        const std::vector<double> left = moviefix::Channel(all, 0), right = moviefix::Channel(all, 1);
        std::vector<double> difference(left.size());
        for (size_t i = 0; i < left.size(); ++i) difference[i] = left[i] - right[i];
        EXPECT_LT(moviefix::Rms(difference, 0, left.size()), 0.01 * moviefix::Rms(left, 0, left.size()))
            << "both channels carry the tone";
        const size_t delay = size_t(c.delayMs) * 441 / 10;
        EXPECT_LT(moviefix::Rms(left, 0, delay), 50) << "silence before the track starts";
        // Every 100 ms of the track as loud as the tone is there.
        for (size_t at = delay + 2205; at + 4410 + 2205 < left.size(); at += 4410) {
            const double t = double(at - delay + 2205) / 44100;
            EXPECT_NEAR(moviefix::Rms(left, at, 4410) * std::sqrt(2.0) / moviefix::ToneLevel(t), 1.0,
                        c.levelTolerance)
                << "at " << t << " s";
        }

        // A seek lands on its sample and sounds from there at the tone's level
        // (its first 5 ms), also back to where the track has not begun.
        for (int ms : {1501, 603, 0}) {
            SCOPED_TRACE(ms);
            ASSERT_EQ(MovieSoundSeek(sound, int64_t(ms) * 441 / 10), 0);
            std::vector<int16_t> part(4410 * 2);
            ASSERT_EQ(MovieSoundRead(sound, part.data(), int(part.size() * 2)), int(part.size() * 2));
            const std::vector<double> l = moviefix::Channel(part, 0);
            const int sinceStart = ms - c.delayMs;
            if (sinceStart + 100 <= 0) {
                EXPECT_LT(moviefix::Rms(l, 0, l.size()), 50);
            } else if (sinceStart >= 0) {
                // (A track's own start may be the encoder's silence.)
                if (sinceStart > 0) {
                    EXPECT_GT(moviefix::Rms(l, 0, 220) * std::sqrt(2.0) / moviefix::ToneLevel(sinceStart / 1000.0), 0.5);
                }
                if (c.lagTolerance >= 0) {
                    EXPECT_LE(std::abs(moviefix::ToneLag(l, 0, l.size(), sinceStart / 1000.0)), c.lagTolerance);
                }
            }
        }
        EXPECT_EQ(MovieSoundSeek(sound, -1), -1);
        ASSERT_EQ(MovieSoundSeek(sound, 44100 * 60), 0);
        std::vector<int16_t> past(1024);
        EXPECT_EQ(MovieSoundRead(sound, past.data(), int(past.size() * 2)), 0) << "nothing past the end";
        MovieSoundClose(sound);
    }
}

// A seek sounds from its first sample at the tone's level and without a step,
// however the container finds its place (a resume is such a seek too):
// MPEG's program and system streams go by the times they read and can land
// after it, and their MP3 frames' parser starts inside a frame, where it can
// take bytes for a frame's start and keep to that false step, refused by the
// decoder (silence) or decoded as noise. Places every 20 ms of 6 s of 48 kHz
// MP3, each read on from the last.
TEST_F(MovieSource, ASoundSeekSoundsAtOnceInEveryContainer) {
    const struct {
        const char* name;
        const char* container;
        const char* codec;
        AVPixelFormat pixels;
        int channels;   // two: both alike, as a mono source made stereo
        int bitRate;
    } cases[] = {
        {"program stream", "vob", "mpeg2video", AV_PIX_FMT_YUV420P, 2, 192000},
        {"program stream, mono at 64 kbit/s", "vob", "mpeg2video", AV_PIX_FMT_YUV420P, 1, 64000},
        {"MPEG-1 system stream", "mpeg", "mpeg2video", AV_PIX_FMT_YUV420P, 2, 192000},
        {"transport stream", "mpegts", "mpeg2video", AV_PIX_FMT_YUV420P, 2, 192000},
        {"Matroska", "matroska", "ffv1", AV_PIX_FMT_BGR0, 2, 192000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        moviefix::MovieSpec spec;
        spec.container = c.container;
        spec.codec = c.codec;
        spec.pixels = c.pixels;
        spec.frames = 60;
        spec.soundCodec = "libmp3lame";
        spec.soundChannels = c.channels;
        spec.soundBitRate = c.bitRate;
        ASSERT_TRUE(moviefix::WriteMovie("s.movie", spec));
        MovieSound* sound = nullptr;
        const MovieByteSource source = moviefix::MemorySource(Slurp("s.movie"), &g_closedSources);
        ASSERT_EQ(MovieSoundOpen(&source, 44100, 2, &sound), MOVIE_OPENED);
        std::string quiet, stepped;   // the places that fail
        for (int ms = 200; ms < 5800; ms += 20) {
            ASSERT_EQ(MovieSoundSeek(sound, int64_t(ms) * 441 / 10), 0);
            std::vector<int16_t> part(2205 * 2);
            ASSERT_EQ(MovieSoundRead(sound, part.data(), int(part.size() * 2)), int(part.size() * 2));
            const std::vector<double> left = moviefix::Channel(part, 0);
            const double level = moviefix::ToneLevel(ms / 1000.0);
            if (moviefix::Rms(left, 0, 220) * std::sqrt(2.0) < 0.5 * level) quiet += " " + std::to_string(ms);
            if (zvtest::LargestStep(left, 0) > 2 * level * 2 * M_PI * moviefix::kToneHz / 44100)
                stepped += " " + std::to_string(ms);
        }
        EXPECT_EQ(quiet, "") << "the first 5 ms are quiet after seeks to these places (ms)";
        EXPECT_EQ(stepped, "") << "a step after seeks to these places (ms)";
        MovieSoundClose(sound);
    }
}

// A sound track whose times put it an hour after the end of a movie that
// says it lasts 2 s (a broken file) starts by that end, not after an hour
// of silence.
TEST_F(MovieSource, ASoundTrackStartsNoLaterThanTheMoviesEnd) {
    moviefix::MovieSpec spec;
    spec.soundCodec = "pcm_s16le";
    spec.soundMs = 1000;
    spec.soundDelayMs = 3600 * 1000;
    ASSERT_TRUE(moviefix::WriteMovie("late.mkv", spec));
    std::string bytes = Slurp("late.mkv");
    // The segment's duration (ID 0x4489, an 8-byte float of milliseconds) is
    // the whole hour; it is made to say 2 s.
    const size_t at = bytes.find("\x44\x89\x88");
    ASSERT_NE(at, std::string::npos);
    const double stated = 2000;
    uint64_t bits;
    std::memcpy(&bits, &stated, 8);
    for (int i = 0; i < 8; ++i) bytes[at + 3 + size_t(i)] = char(bits >> (56 - 8 * i));

    MovieSound* sound = nullptr;
    const MovieByteSource source = moviefix::MemorySource(bytes, &g_closedSources);
    ASSERT_EQ(MovieSoundOpen(&source, 44100, 2, &sound), MOVIE_OPENED);
    std::vector<int16_t> heard(3 * 44100 * 2);
    EXPECT_EQ(MovieSoundRead(sound, heard.data(), int(heard.size() * 2)), int(heard.size() * 2));
    MovieSoundClose(sound);
    const std::vector<double> left = moviefix::Channel(heard, 0);
    EXPECT_LT(moviefix::Rms(left, 0, 88200), 1.0) << "silent up to the end";
    EXPECT_NEAR(moviefix::Rms(left, 88200, 44100) * std::sqrt(2.0) / moviefix::ToneLevel(0.5), 1.0, 0.05)
        << "the tone from there";
}

TEST_F(MovieSource, ASoundTrackIsFoundOrRefused) {
    moviefix::MovieSpec silent;
    ASSERT_TRUE(moviefix::WriteMovie("m.mkv", silent));
    ASSERT_TRUE(moviefix::WriteSoundOnly("tone.mkv"));
    const std::string movie = Slurp("m.mkv");
    const struct {
        const char* name;
        std::string bytes;
        MovieOpenResult result;
    } cases[] = {
        {"no sound track", movie, MOVIE_NO_SOUND},
        {"sound only", Slurp("tone.mkv"), MOVIE_OPENED},
        {"garbage", std::string(3000, 'g'), MOVIE_UNREADABLE},
        {"truncated header", movie.substr(0, 40), MOVIE_UNREADABLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int closedBefore = g_closedSources;
        const MovieByteSource source = moviefix::MemorySource(c.bytes, &g_closedSources);
        MovieSound* sound = nullptr;
        EXPECT_EQ(MovieSoundOpen(&source, 44100, 2, &sound), c.result);
        EXPECT_EQ(sound != nullptr, c.result == MOVIE_OPENED);
        if (sound) {
            EXPECT_GT(ReadWholeSound(sound).size(), 80000u) << "one second of 8 kHz mono, resampled";
        }
        MovieSoundClose(sound);
        EXPECT_EQ(g_closedSources, closedBefore + 1);
    }
}

}  // namespace
