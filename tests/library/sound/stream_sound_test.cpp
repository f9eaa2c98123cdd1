// Stream sounds stepped frame by frame: how far the refill runs ahead, gapless
// loops, the end of a once-played stream and its silence, chained and repeated
// sources, stop and resume, compressed sources, and shared buffers.
#include <gtest/gtest.h>

#include "sound/sound_play.h"
#include "sound_test_support.h"
#include "zv_counted_reads.h"

using namespace soundtest;

namespace {

constexpr int kFramesPerStep = 735;   // one 60th of a second at 44100 Hz
// How long a sound stopped, deleted or taken over while it plays is still
// heard ramping down.
constexpr int kRampFrames = 220;

class StreamSound : public SoundSystem {
protected:
    // Mixes and refills step by step until the sound has stopped (or the
    // time is up); returns what was heard.
    std::vector<int16_t> PlayOut(int handle, double maxSeconds) {
        std::vector<int16_t> heard;
        for (int step = 0; step < int(maxSeconds * 60); ++step) {
            auto out = Mix(kFramesPerStep);
            heard.insert(heard.end(), out.begin(), out.end());
            ProcessStreamSoundMemAll();
            if (CheckSoundPlaying(handle) != 1) break;
        }
        return heard;
    }
    // Bytes the refill has written ahead of the play cursor.
    static int Lead(SOUND* s) {
        uint32_t cursor = 0;
        SoundBuffer_GetCurrentPosition(&s->buffers[0], &cursor, nullptr);
        return (s->writePos - int(cursor) + s->streamBufferSize) % s->streamBufferSize;
    }
    // The buffer's bytes from offset, read through a lock.
    static Bytes BufferBytes(SOUND* s, int offset, int bytes) {
        void *p1, *p2;
        uint32_t n1, n2;
        Bytes out;
        if (SoundBuffer_Lock(&s->buffers[0], uint32_t(offset), uint32_t(bytes), &p1, &n1, &p2, &n2) != 0) return out;
        out.assign(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p1) + n1);
        if (n2) out.insert(out.end(), static_cast<uint8_t*>(p2), static_cast<uint8_t*>(p2) + n2);
        SoundBuffer_Unlock(&s->buffers[0], p1, n1, p2, n2);
        return out;
    }
};

Bytes RampWav(int frames, int channels = 2) {
    WavSpec w;
    w.channels = channels;
    w.data = ToBytes(Ramp(frames, channels));
    return MakeWav(w);
}

// Frame i of what was heard against frame j of the source (stereo output,
// source of the given channels).
::testing::AssertionResult SameFrames(const std::vector<int16_t>& heard, size_t from, const std::vector<int16_t>& src,
                                      int channels, size_t srcFrom, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 2; ++c) {
            int16_t want = src[(srcFrom + i) * size_t(channels) + size_t(channels == 2 ? c : 0)];
            int16_t got = heard[(from + i) * 2 + size_t(c)];
            if (want != got)
                return ::testing::AssertionFailure() << "heard frame " << from + i << " channel " << c << ": " << got
                                                     << ", source frame " << srcFrom + i << ": " << want;
        }
    }
    return ::testing::AssertionSuccess();
}

bool AllZero(const std::vector<int16_t>& v, size_t fromFrame) {
    for (size_t i = fromFrame * 2; i < v.size(); ++i)
        if (v[i] != 0) return false;
    return true;
}

}  // namespace

TEST_F(StreamSound, BufferSizesFollowTheFormat) {
    int h = Load("ramp.wav", RampWav(1000), 3);
    ASSERT_NE(h, -1);
    SOUND* s = GetSoundData(h);
    EXPECT_EQ(s->streamFlag, 1);
    EXPECT_EQ(s->streamBufferSize, 6 * 176400);
    EXPECT_EQ(s->bufferCount, 1);
    EXPECT_EQ(AudioBufferSize(s->buffers[0].buffer), 6u * 176400u);
    EXPECT_EQ(s->totalBlocks, 1000);
}

TEST_F(StreamSound, RefillStaysThreeToFourSecondsAheadAndLoopsWithoutAGap) {
    const int frames = 66150;   // 1.5 s
    const auto source = Ramp(frames, 2);
    for (int type : {SOUND_DATATYPE_FILE, SOUND_DATATYPE_MEMIMAGE}) {
        SCOPED_TRACE(type);
        int h = Load("loop.wav", RampWav(frames), type);
        ASSERT_NE(h, -1);
        SOUND* s = GetSoundData(h);
        const int A = 176400;
        EXPECT_EQ(Lead(s), 4 * A);   // filled at load
        ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_LOOP, 1), 0);
        std::vector<int16_t> heard;
        for (int step = 0; step < 600; ++step) {
            auto out = Mix(kFramesPerStep);
            heard.insert(heard.end(), out.begin(), out.end());
            RefillStreamSound(h);
            ASSERT_GE(Lead(s), 3 * A) << "step " << step;
            ASSERT_LE(Lead(s), 4 * A + A / 8) << "step " << step;
        }
        const size_t total = heard.size() / 2;
        for (size_t at = 0; at < total; at += size_t(frames)) {
            size_t n = std::min(size_t(frames), total - at);
            ASSERT_TRUE(SameFrames(heard, at, source, 2, 0, n));
        }
        EXPECT_EQ(CheckSoundPlaying(h), 1);
        DeleteSoundMemImpl(h, 0);
        Mix(kRampFrames);
    }
}

TEST_F(StreamSound, PlayedOnceItEndsByItselfWithSilenceAfterTheData) {
    const int frames = 44100;
    const auto source = Ramp(frames, 2);
    int h = Load("once.wav", RampWav(frames), SOUND_DATATYPE_MEMIMAGE);
    ASSERT_NE(h, -1);
    SOUND* s = GetSoundData(h);
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    // The end lies in the first fill already: what follows it is silence.
    ASSERT_EQ(s->endReached, 1);
    EXPECT_EQ(BufferBytes(s, s->endPos, 176400 / 8), Bytes(176400 / 8, 0));

    auto heard = PlayOut(h, 4);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
    ASSERT_GE(heard.size() / 2, size_t(frames));
    EXPECT_LE(heard.size() / 2, size_t(frames + 2 * kFramesPerStep));
    EXPECT_TRUE(SameFrames(heard, 0, source, 2, 0, frames));
    EXPECT_TRUE(AllZero(heard, frames));
    // Played again, it starts over.
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    heard = PlayOut(h, 0.5);
    EXPECT_TRUE(SameFrames(heard, 0, source, 2, 0, 1000));
}

TEST_F(StreamSound, EightBitSilenceIsTheMiddleValue) {
    WavSpec w;
    w.channels = 1;
    w.bits = 8;
    w.rate = 22050;
    w.data = Bytes(11025, 200);
    int h = Load("eight.wav", MakeWav(w), SOUND_DATATYPE_FILE);
    ASSERT_NE(h, -1);
    SOUND* s = GetSoundData(h);
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    EXPECT_EQ(BufferBytes(s, s->endPos, 22050 / 8), Bytes(22050 / 8, 128));
    auto heard = PlayOut(h, 2);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
    const int16_t level = (200 - 128) << 8;
    EXPECT_EQ(heard[0], level);
    EXPECT_EQ(heard[2 * 22048], level);
    // Past the last frame (and the one frame blended with the silence) nothing is heard.
    EXPECT_TRUE(AllZero(heard, 22051));
}

TEST_F(StreamSound, SourcesChainRepeatAndRefuseAnotherFormat) {
    const auto a = Ramp(3000, 2);
    std::vector<int16_t> b;
    for (int i = 0; i < 2000 * 2; ++i) b.push_back(int16_t(-7000 - i));
    const Bytes wavA = RampWav(3000);
    WavSpec wb;
    wb.data = ToBytes(b);
    const Bytes wavB = MakeWav(wb);

    int h = AddSoundData();
    ASSERT_EQ(AddStreamSourceFromImage(wavA.data(), int(wavA.size()), 1, h, SOUND_DATATYPE_MEMIMAGE, -1), 0);
    ASSERT_EQ(AddStreamSourceFromImage(wavB.data(), int(wavB.size()), 0, h, SOUND_DATATYPE_FILE, -1), 0);
    WavSpec mono;
    mono.channels = 1;
    mono.data = Bytes(100, 0);
    const Bytes other = MakeWav(mono);
    EXPECT_EQ(AddStreamSourceFromImage(other.data(), int(other.size()), 0, h, SOUND_DATATYPE_MEMIMAGE, -1), -1);
    EXPECT_NE(Log().find("フォーマットの違う音声データは同時に使うことは出来ません"), std::string::npos);
    ASSERT_EQ(AddStreamSourceFromImage(wavB.data(), int(wavB.size()), 0, h, SOUND_DATATYPE_MEMIMAGE, -1), 0);
    EXPECT_EQ(AddStreamSourceFromImage(wavB.data(), int(wavB.size()), 0, h, SOUND_DATATYPE_MEMIMAGE, -1), -1);
    EXPECT_NE(Log().find("ストリーム風サウンドの制御データ領域がいっぱいです"), std::string::npos);
    EXPECT_EQ(GetSoundData(h)->totalBlocks, 3000 + 2000 + 2000);
    PrepareStreamSound(h);

    // A twice (it repeats once), then B twice, then silence.
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    auto heard = PlayOut(h, 2);
    EXPECT_TRUE(SameFrames(heard, 0, a, 2, 0, 3000));
    EXPECT_TRUE(SameFrames(heard, 3000, a, 2, 0, 3000));
    EXPECT_TRUE(SameFrames(heard, 6000, b, 2, 0, 2000));
    EXPECT_TRUE(SameFrames(heard, 8000, b, 2, 0, 2000));
    EXPECT_TRUE(AllZero(heard, 10000));
    EXPECT_EQ(CheckSoundPlaying(h), 0);

    // A source that repeats forever never gives way to the next one.
    int forever = AddSoundData();
    ASSERT_EQ(AddStreamSourceFromImage(wavA.data(), int(wavA.size()), 255, forever, SOUND_DATATYPE_MEMIMAGE, -1), 0);
    ASSERT_EQ(AddStreamSourceFromImage(wavB.data(), int(wavB.size()), 0, forever, SOUND_DATATYPE_MEMIMAGE, -1), 0);
    PrepareStreamSound(forever);
    ASSERT_EQ(PlaySoundMemImpl(forever, SOUND_PLAYTYPE_BACK, 1), 0);
    heard = PlayOut(forever, 2);
    EXPECT_EQ(CheckSoundPlaying(forever), 1);
    for (size_t at = 0; at + 3000 <= heard.size() / 2; at += 3000) ASSERT_TRUE(SameFrames(heard, at, a, 2, 0, 3000));
}

TEST_F(StreamSound, EmptySourcesEndInsteadOfSpinning) {
    WavSpec empty;
    for (int type : {SOUND_PLAYTYPE_LOOP, SOUND_PLAYTYPE_BACK}) {
        int h = Load("empty.wav", MakeWav(empty), SOUND_DATATYPE_MEMIMAGE);
        ASSERT_NE(h, -1);
        ASSERT_EQ(PlaySoundMemImpl(h, type, 1), 0);
        auto heard = PlayOut(h, 1);
        EXPECT_TRUE(AllZero(heard, 0));
        EXPECT_EQ(CheckSoundPlaying(h), 0);
        DeleteSoundMemImpl(h, 0);
    }
    int repeating = AddSoundData();
    const Bytes file = MakeWav(empty);
    ASSERT_EQ(AddStreamSourceFromImage(file.data(), int(file.size()), 255, repeating, SOUND_DATATYPE_MEMIMAGE, -1), 0);
    PrepareStreamSound(repeating);
    ASSERT_EQ(PlaySoundMemImpl(repeating, SOUND_PLAYTYPE_LOOP, 1), 0);
    PlayOut(repeating, 1);
    EXPECT_EQ(CheckSoundPlaying(repeating), 0);
}

TEST_F(StreamSound, StopKeepsThePlaceAndTopPositionStartsOver) {
    const int frames = 300000;   // longer than the buffer
    const auto source = Ramp(frames, 2);
    int h = Load("long.wav", RampWav(frames), SOUND_DATATYPE_FILE);
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    auto heard = PlayOut(h, 5);   // 5 s of 6.8 s
    ASSERT_EQ(CheckSoundPlaying(h), 1);
    const size_t played = heard.size() / 2;
    ASSERT_TRUE(SameFrames(heard, 0, source, 2, 0, played));
    ASSERT_EQ(StopSoundMemImpl(h), 0);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
    // Heard ramping down over 220 frames, then nothing.
    EXPECT_TRUE(AllZero(Mix(1000), 220));
    ProcessStreamSoundMemAll();

    // Played on from there, it ramps in over as many frames.
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 0), 0);
    heard = PlayOut(h, 1);
    EXPECT_TRUE(SameFrames(heard, kRampFrames, source, 2, played + kRampFrames, heard.size() / 2 - kRampFrames));

    // Started over while it plays, the place it left ramps down over the start.
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    heard = PlayOut(h, 1);
    EXPECT_TRUE(SameFrames(heard, kRampFrames, source, 2, kRampFrames, heard.size() / 2 - kRampFrames));
}

// Looped, a compressed sound plays the PCM of a whole decode in every data
// type (streamed from its file or from memory, or decoded whole). The MP3
// carries the encoder's tag: a turn ends before the padding, and the next
// starts behind the tag frame and the encoder's and decoder's delays (1152 +
// 576 + 529 samples), so the turns join without a gap.
TEST_F(StreamSound, CompressedSoundsLoopThePcmOfAWholeDecodeInEveryDataType) {
    const auto tone = Sine(3 * 44100, 2, 330, 44100, 9000);
    const std::pair<const char*, Bytes> files[] = {
        {"music.mp3", EncodeMp3(tone, 2, 44100, 128)},
        {"music.ogg", EncodeOgg(tone, 2, 44100)},
    };
    for (const auto& f : files) {
        const Decoded whole = DecodeWhole(f.second);
        const auto reference = ToSamples(whole.pcm.data(), whole.pcm.size());
        const size_t n = reference.size() / 2;
        const bool mp3 = std::string(f.first) == "music.mp3";
        EXPECT_EQ(whole.musicStart, mp3 ? 2257 : 0);
        const size_t start = size_t(whole.musicStart);
        const size_t end = whole.musicEnd ? size_t(whole.musicEnd) : n;
        if (mp3) {
            EXPECT_LT(end, n);
        }
        for (int type : {SOUND_DATATYPE_FILE, SOUND_DATATYPE_MEMIMAGE, SOUND_DATATYPE_STATIC}) {
            SCOPED_TRACE(::testing::Message() << f.first << " type " << type);
            int h = Load(f.first, f.second, type);
            ASSERT_NE(h, -1);
            ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_LOOP, 1), 0);
            auto heard = PlayOut(h, 10);
            ASSERT_GT(heard.size() / 2, end + 2 * (end - start));
            // Three times round, without a seam.
            EXPECT_TRUE(SameFrames(heard, 0, reference, 2, 0, end));
            EXPECT_TRUE(SameFrames(heard, end, reference, 2, start, end - start));
            EXPECT_TRUE(SameFrames(heard, 2 * end - start, reference, 2, start, end - start));
            DeleteSoundMemImpl(h, 0);
            Mix(kRampFrames);
        }
    }
}

// A repeat of a tagged MP3 joins its turns as a loop does: a turn that the
// same source follows ends before the encoder's padding, and the next one
// starts behind the delay. The last turn plays out whole. A sound decoded
// whole has no repeat count: it repeats by its loop flag.
TEST_F(StreamSound, RepeatsOfATaggedMp3JoinWithoutThePadding) {
    const Bytes file = EncodeMp3(Sine(44100, 2, 330, 44100, 9000), 2, 44100, 128);
    const Decoded whole = DecodeWhole(file);
    const auto reference = ToSamples(whole.pcm.data(), whole.pcm.size());
    const size_t n = reference.size() / 2;
    const size_t start = size_t(whole.musicStart), end = size_t(whole.musicEnd);
    ASSERT_GT(start, 0u);
    ASSERT_LT(end, n);
    const struct {
        int type, repeats;
    } rows[] = {{SOUND_DATATYPE_FILE, 1},   {SOUND_DATATYPE_FILE, 255},   {SOUND_DATATYPE_MEMIMAGE, 1},
                {SOUND_DATATYPE_MEMIMAGE, 255}, {SOUND_DATATYPE_STATIC, 255}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "type " << row.type << ", repeats " << row.repeats);
        int h;
        if (row.type == SOUND_DATATYPE_STATIC) {
            h = Load("tone.mp3", file, row.type);
        } else {
            h = AddSoundData();
            ASSERT_EQ(AddStreamSourceFromImage(file.data(), int(file.size()), row.repeats, h, row.type, -1), 0);
            PrepareStreamSound(h);
            EXPECT_EQ(GetSoundData(h)->sources[0].loopStart, int(start));
            EXPECT_EQ(GetSoundData(h)->sources[0].loopEnd, int(end));
        }
        const bool forever = row.repeats == 255;
        ASSERT_EQ(PlaySoundMemImpl(h, forever && row.type == SOUND_DATATYPE_STATIC ? SOUND_PLAYTYPE_LOOP
                                                                                 : SOUND_PLAYTYPE_BACK,
                                   1),
                  0);
        const auto heard = PlayOut(h, 4);
        ASSERT_GT(heard.size() / 2, 2 * end - start);
        EXPECT_TRUE(SameFrames(heard, 0, reference, 2, 0, end));
        if (!forever) {
            EXPECT_TRUE(SameFrames(heard, end, reference, 2, start, n - start));
            EXPECT_TRUE(AllZero(heard, end + n - start));
            EXPECT_EQ(CheckSoundPlaying(h), 0);
        } else {
            for (size_t at = end; at + (end - start) <= heard.size() / 2; at += end - start)
                ASSERT_TRUE(SameFrames(heard, at, reference, 2, start, end - start)) << "turn at " << at;
            EXPECT_EQ(CheckSoundPlaying(h), 1);
        }
        DeleteSoundMemImpl(h, 0);
        Mix(kRampFrames);
    }
}

// A stream sound reads its file as it plays: a long MP3 holds what a short
// one holds and plays the same start, and when the encoder's tag counts its
// frames it opens from its first bytes. Its decoded size is the frames'
// samples however many (seven hours here: more bytes than an int counts).
// Both files are MPEG-2: 576 samples a frame.
TEST_F(StreamSound, ALongMp3StreamsHoldingWhatAShortOneHolds) {
    const auto second = Sine(16000, 1, 440, 16000, 8000);
    // MPEG-2 frames of silence, 8 kbit/s at 24000 Hz stereo: 24 bytes each.
    auto silence = [](int seconds) {
        Bytes b;
        for (int i = 0; i < seconds * 24000 / 576; ++i) Append(b, SilentMp3Frame(0xF3, 0x14, 0x00, 24));
        return b;
    };
    const struct {
        const char* name;
        Bytes shortFile, longFile;
        bool tagged;
    } rows[] = {
        {"encoded at about 8 kbit/s, a minute and an hour", EncodeMp3(second, 1, 16000, 0, 60),
         EncodeMp3(second, 1, 16000, 0, 3600), true},
        {"frames of silence, a minute and seven hours", silence(60), silence(7 * 3600), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        uint32_t held[2];
        std::vector<int16_t> heard[2];
        for (int i = 0; i < 2; ++i) {
            const Bytes& file = i == 0 ? row.shortFile : row.longFile;
            const uint32_t before = ZvAllocTotalSize();
            zvtest::CountedReads counted;
            const int h = Load("long.mp3", file, SOUND_DATATYPE_FILE);
            ASSERT_NE(h, -1);
            held[i] = ZvAllocTotalSize() - before;
            EXPECT_EQ(GetSoundData(h)->totalBlocks, int64_t(Mp3FrameOffsets(file).size()) * 576);
            if (row.tagged) {
                EXPECT_LT(zvtest::CountedReads::bytes, 1 << 20);
            }
            ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
            heard[i] = PlayOut(h, 1);
            EXPECT_EQ(CheckSoundPlaying(h), 1);
            DeleteSoundMemImpl(h, 0);
            Mix(kRampFrames);
        }
        EXPECT_EQ(held[1], held[0]);
        EXPECT_EQ(heard[1], heard[0]);
        if (row.tagged) {
            EXPECT_FALSE(AllZero(heard[1], 0));
        }
    }
}

TEST_F(StreamSound, ASharedBufferGoesToTheLastPlayerAndOutlivesItsOwnerUntilFreed) {
    const auto first = Ramp(50000, 2);
    std::vector<int16_t> second;
    for (int i = 0; i < 40000 * 2; ++i) second.push_back(int16_t(5000 - (i % 9000)));
    WavSpec w2;
    w2.data = ToBytes(second);
    int owner = Load("a.wav", RampWav(50000), SOUND_DATATYPE_FILE);
    int sharer = Load("b.wav", MakeWav(w2), SOUND_DATATYPE_FILE, 3, owner);
    ASSERT_NE(owner, -1);
    ASSERT_NE(sharer, -1);
    EXPECT_EQ(GetSoundData(sharer)->sharedBufferSource, owner);
    EXPECT_EQ(GetSoundData(owner)->shareCount, 1);
    EXPECT_FALSE(GetSoundData(sharer)->buffers[0].valid);

    ASSERT_EQ(PlaySoundMemImpl(owner, SOUND_PLAYTYPE_LOOP, 1), 0);
    auto heard = PlayOut(owner, 0.5);
    EXPECT_TRUE(SameFrames(heard, 0, first, 2, 0, heard.size() / 2));
    // The sharer takes the buffer; the owner is no longer playing, and heard
    // only as it ramps down.
    ASSERT_EQ(PlaySoundMemImpl(sharer, SOUND_PLAYTYPE_BACK, 1), 0);
    EXPECT_EQ(CheckSoundPlaying(owner), 0);
    EXPECT_EQ(CheckSoundPlaying(sharer), 1);
    heard = PlayOut(sharer, 0.5);
    EXPECT_TRUE(SameFrames(heard, kRampFrames, second, 2, kRampFrames, heard.size() / 2 - kRampFrames));
    // Taken back, the owner fills the buffer anew: nothing of the sharer is
    // heard past its ramp.
    ASSERT_EQ(PlaySoundMemImpl(owner, SOUND_PLAYTYPE_LOOP, 0), 0);
    EXPECT_EQ(CheckSoundPlaying(sharer), 0);
    heard = PlayOut(owner, 0.2);
    ASSERT_FALSE(heard.empty());
    for (size_t i = 2 * kRampFrames; i < heard.size(); i += 2)
        ASSERT_EQ(heard[i + 1], 1 - heard[i]) << "frame " << i / 2;

    // Deleting the owner waits for the sharer.
    ASSERT_EQ(DeleteSoundMemImpl(owner, 0), 0);
    ASSERT_NE(GetSoundData(owner), nullptr);
    EXPECT_EQ(GetSoundData(owner)->deletePending, 1);
    ASSERT_EQ(DeleteSoundMemImpl(sharer, 0), 0);
    EXPECT_EQ(GetSoundData(owner), nullptr);
    EXPECT_EQ(SoundState().soundTable.used, 0);
}
