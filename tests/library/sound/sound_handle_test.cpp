// The sound system's start and end, sound handles, loading into static
// sounds, playing them over their buffers, and the music and capture hooks.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "sound/music.h"
#include "sound/sound_play.h"
#include "sound_test_support.h"
#include "zv_counted_reads.h"

using namespace soundtest;

namespace {

int CheckOf(int handle) { return (handle >> 16) & 0x7FF; }

// A mono 16-bit sound whose sample i has the value i.
Bytes CountingWav(int frames) {
    WavSpec w;
    w.channels = 1;
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) s.push_back(int16_t(i));
    w.data = ToBytes(s);
    return MakeWav(w);
}

bool Contains(const std::string& log, const std::string& text) { return log.find(text) != std::string::npos; }

}  // namespace

TEST_F(SoundSystem, StartsOnTheOutputDeviceAndEndsOnce) {
    std::string log = Log();
    for (const char* text : {"DirectSound の初期化を行います\r\n", "DirectSound インターフェースの取得を行います....  成功\r\n",
                             "引き続きインターフェースの初期化処理...  成功\r\n", "\tDirectSound デバイスを列挙します\r\n",
                             "\tモジュール名:          dummy  ドライバ記述:", "利用可能チャンネル\r\n",
                             " プライマリ MONO = NO  STEREO = OK ", "DirectSound の初期化は正常に終了しました\r\n"})
        EXPECT_TRUE(Contains(log, text)) << text << "\n" << log;
    EXPECT_EQ(InitializeDirectSound(), -1);

    int handle = Load("a.wav", CountingWav(100));
    ASSERT_NE(handle, -1);
    ASSERT_EQ(TerminateDirectSound(), 0);
    EXPECT_TRUE(Contains(Log(), "DirectSound の終了処理は正常に終了しました\r\n"));
    EXPECT_EQ(TerminateDirectSound(), -1);

    // Without the output every sound function refuses; the music stop has nothing to do.
    EXPECT_EQ(Load("a.wav", CountingWav(100)), -1);
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_EQ(PlaySoundMemImpl(handle, SOUND_PLAYTYPE_BACK, 1), -1);
    EXPECT_EQ(StopSoundMemImpl(handle), -1);
    EXPECT_EQ(CheckSoundPlaying(handle), -1);
    EXPECT_EQ(DeleteSoundMemImpl(handle, 0), -1);
    EXPECT_EQ(StopSoundImpl(), -1);
    EXPECT_EQ(DeleteAllSoundHandles(0), -1);
    EXPECT_EQ(ProcessStreamSoundMemAll(), -1);
    EXPECT_EQ(ProcessMusicMemAll(), -1);
    EXPECT_EQ(DeleteAllMusicHandles(), -1);
    EXPECT_EQ(StopMusicImpl(), 0);
}

TEST_F(SoundSystem, WithoutAnOutputDeviceTheStartFailsAndEverythingRunsSilent) {
    TerminateDirectSound();
    const std::string previous = getenv("SDL_AUDIODRIVER") ? getenv("SDL_AUDIODRIVER") : "";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(InitializeDirectSound(), -1);
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    EXPECT_TRUE(Contains(Log(), "DirectSoundインターフェースの作成に失敗しました\r\n")) << Log();
    EXPECT_FALSE(SoundSystemRunning());
    EXPECT_EQ(Load("a.wav", CountingWav(100)), -1);
    EXPECT_EQ(ProcessStreamSoundMemAll(), -1);
}

TEST_F(SoundSystem, HandlesCarryKindSlotAndARunningCheckValue) {
    const int first = AddSoundData();
    const int second = AddSoundData();
    ASSERT_NE(first, -1);
    EXPECT_EQ(first & 0x7800FFFF, 0x10000000);
    EXPECT_EQ(second & 0x7800FFFF, 0x10000001);
    EXPECT_EQ(CheckOf(second), (CheckOf(first) + 1) % 2048);

    // Deleting the highest slot gives it to the next sound, under a new check value.
    ASSERT_EQ(DeleteSoundMemImpl(second, 0), 0);
    const int third = AddSoundData();
    EXPECT_EQ(third & 0xFFFF, 1);
    EXPECT_NE(third, second);
    for (int stale : {second, (first & ~0x78000000) | 0x08000000, first ^ (1 << 16), first | 0x0FFF, -1}) {
        SCOPED_TRACE(stale);
        EXPECT_EQ(GetSoundData(stale), nullptr);
        EXPECT_EQ(PlaySoundMemImpl(stale, SOUND_PLAYTYPE_BACK, 1), -1);
        EXPECT_EQ(StopSoundMemImpl(stale), -1);
        EXPECT_EQ(CheckSoundPlaying(stale), -1);
        EXPECT_EQ(DeleteSoundMemImpl(stale, 0), -1);
    }

    // The check value runs on from handle to handle and wraps after 2047.
    int previous = third;
    bool wrapped = false;
    for (int i = 0; i < 2100; ++i) {
        int h = AddSoundData();
        ASSERT_EQ(CheckOf(h), (CheckOf(previous) + 1) % 2048);
        wrapped = wrapped || CheckOf(h) == 0;
        DeleteSoundMemImpl(h, 0);
        previous = h;
    }
    EXPECT_TRUE(wrapped);
}

TEST_F(SoundSystem, TheTableHolds4096Sounds) {
    for (int i = 0; i < SOUND_HANDLE_MAX; ++i) ASSERT_NE(AddSoundData(), -1) << i;
    EXPECT_EQ(AddSoundData(), -1);
    EXPECT_TRUE(Contains(Log(), "サウンドの数が許容量を越えました\r\n"));
    EXPECT_EQ(DeleteAllSoundHandles(0), 0);
    EXPECT_EQ(SoundState().soundTable.used, 0);
    EXPECT_EQ(AddSoundData() & 0xFFFF, 0);
}

TEST_F(SoundSystem, BufferCountIsClampedAndASoundWithoutBuffersDoesNotPlay) {
    const Bytes wav = CountingWav(500);
    const std::pair<int, int> cases[] = {{20, 10}, {10, 10}, {3, 3}, {1, 1}, {0, 0}, {-5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        int h = Load("a.wav", wav, 0, c.first);
        ASSERT_NE(h, -1);
        EXPECT_EQ(GetSoundData(h)->bufferCount, c.second);
        EXPECT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), c.second > 0 ? 0 : -1);
        EXPECT_EQ(DeleteSoundMemImpl(h, 0), 0);
    }
    EXPECT_EQ(LoadSoundFromImage(wav.data(), int(wav.size()), 11, -1), -1);
}

// A static sound's data is decoded once into the data its buffers share; a header that
// claims more data than the file holds keeps what is there.
TEST_F(SoundSystem, EveryBufferHoldsTheWholeDecodedData) {
    for (int64_t claimed : {int64_t(-1), int64_t(4000)}) {
        SCOPED_TRACE(claimed);
        WavSpec w;
        w.channels = 1;
        std::vector<int16_t> samples;
        for (int i = 0; i < 500; ++i) samples.push_back(int16_t(i * 7 - 1000));
        w.data = ToBytes(samples);
        w.dataSizeField = claimed;
        const int h = Load("a.wav", MakeWav(w), 0, 2);
        ASSERT_NE(h, -1);
        SOUND* s = GetSoundData(h);
        ASSERT_EQ(s->bufferCount, 2);
        for (int i = 0; i < 2; ++i) {
            void *p1 = nullptr, *p2 = nullptr;
            uint32_t n1 = 0, n2 = 0;
            ASSERT_EQ(SoundBuffer_Lock(&s->buffers[i], 0, 1000, &p1, &n1, &p2, &n2), 0);
            ASSERT_EQ(n1, 1000u);
            EXPECT_EQ(std::memcmp(p1, samples.data(), 1000), 0) << "buffer " << i;
            SoundBuffer_Unlock(&s->buffers[i], p1, n1, p2, n2);
            EXPECT_NE(SoundBuffer_Lock(&s->buffers[i], 0, 1002, &p1, &n1, &p2, &n2), 0);  // nothing past the data
        }
        EXPECT_EQ(DeleteSoundMemImpl(h, 0), 0);
    }
}

TEST_F(SoundSystem, DataTypeSetterKeepsTheTypeOnABadValue) {
    EXPECT_EQ(SetCreateSoundDataTypeImpl(2), 0);
    EXPECT_EQ(SetCreateSoundDataTypeImpl(4), -1);
    EXPECT_EQ(SetCreateSoundDataTypeImpl(-1), -1);
    EXPECT_EQ(SoundState().createDataType, 2);
    // Type 1 has no loader: refused with a line, nothing left behind.
    EXPECT_EQ(Load("a.wav", CountingWav(100), 1), -1);
    EXPECT_TRUE(Contains(Log(), "データタイプ 1 の音声データには対応していません")) << Log();
    EXPECT_EQ(SoundState().soundTable.used, 0);
}

TEST_F(SoundSystem, BadFilesGiveMinusOneAndTheirLogLines) {
    EXPECT_EQ(LoadSoundMemImpl("missing.wav", 3, -1), -1);
    EXPECT_TRUE(Contains(Log(), "右記のファイルのオープンに失敗しました：missing.wav"));
    EXPECT_TRUE(Contains(Log(), "右記の音声ファイルのロードに失敗しました_1：missing.wav"));

    WavSpec noChannels;
    noChannels.channels = 0;
    noChannels.blockAlign = 4;
    noChannels.data = Bytes(64, 0);
    for (int type : {0, 2, 3}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(Load("broken.wav", MakeWav(noChannels), type), -1);
        EXPECT_EQ(Load("garbage.mp3", Bytes(3000, 0x42), type), -1);
        EXPECT_EQ(Load("empty.wav", {}, type), -1);
    }
    SetCreateSoundDataTypeImpl(3);
    EXPECT_EQ(LoadSoundMemImpl("missing_stream.wav", 3, -1), -1);
    SetCreateSoundDataTypeImpl(0);
    const std::string log = Log();
    EXPECT_TRUE(Contains(log, "音声ファイルのＰＣＭへの変換に失敗しました"));
    EXPECT_TRUE(Contains(log, "右記の音声ファイルのロードに失敗しました_2：broken.wav"));
    EXPECT_TRUE(Contains(log, "右記のＷＡＶファイルのセットアップに失敗しました：garbage.mp3 \r\n"));
    EXPECT_TRUE(Contains(log, "右記のＷＡＶファイルのロードに失敗しました：missing_stream.wav \r\n"));
    EXPECT_EQ(SoundState().soundTable.used, 0);
    EXPECT_TRUE(SoundSystemRunning());
}

// An MP3 whose frames hold no audio (only the encoder's info frame behind an
// ID3v2 tag, or a cut) has nothing to play: every load refuses it, the
// streamed ones as the whole one does, rather than playing silence.
TEST_F(SoundSystem, Mp3WithoutAnAudioFrameIsRefusedByEveryLoad) {
    const Bytes encoded = EncodeMp3(Sine(44100 / 2, 2, 440, 44100, 8000), 2, 44100, 128);
    Mp3FrameInfo first = {};
    ASSERT_EQ(AnalyzeMp3FrameHeader(encoded.data(), &first), 0);
    const Bytes infoFrame(encoded.begin(), encoded.begin() + first.frameLength);
    const Bytes id3 = Id3v2Tag(3, 64, false);
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes b;
        for (const Bytes& p : parts) Append(b, p);
        return b;
    };
    auto cut = [](Bytes b, size_t size) {
        b.resize(size);
        return b;
    };
    const Bytes secondFrameHeader(encoded.begin() + first.frameLength, encoded.begin() + first.frameLength + 4);
    const std::pair<const char*, Bytes> files[] = {
        {"info frame", infoFrame},
        {"ID3v2 and info frame", join({id3, infoFrame})},
        {"ID3v2 only", id3},
        {"info frame cut", cut(infoFrame, 200)},
        {"ID3v2 and info frame cut", join({id3, cut(infoFrame, 100)})},
        {"ID3v2 cut", cut(Id3v2Tag(3, 600, false), 300)},
        {"info frame and an audio frame's header", join({infoFrame, secondFrameHeader})},
    };
    for (const auto& f : files) {
        for (int type = 0; type <= 3; ++type) {
            SCOPED_TRACE(::testing::Message() << f.first << ", type " << type);
            EXPECT_EQ(Load("tag_only.mp3", f.second, type), -1);
        }
    }
    EXPECT_EQ(SoundState().soundTable.used, 0);
    const std::string log = Log();
    EXPECT_TRUE(Contains(log, "MP3 データに再生できるフレームがありません\r\n"));
    EXPECT_TRUE(Contains(log, "右記の音声ファイルのロードに失敗しました_2：tag_only.mp3"));
    EXPECT_TRUE(Contains(log, "右記のＷＡＶファイルのセットアップに失敗しました：tag_only.mp3 \r\n"));
}

// Opening an MP3 reads the file in a few large reads, however many frames
// it holds, tagged or not, and whether it is streamed from the file, kept in
// memory or decoded whole (an MP3 inside a WAVE file too).
TEST_F(SoundSystem, AnMp3OpensInAFewReadsWhateverItsLength) {
    const Bytes id3 = Id3v2Tag(3, 300, false);
    for (int seconds : {1, 30}) {
        const Bytes mp3 = EncodeMp3(Sine(44100 * seconds, 2, 440, 44100, 8000), 2, 44100, 128);
        Bytes tagged = id3;
        Append(tagged, mp3);
        Append(tagged, Id3v1Tag());
        WavSpec inWave;
        inWave.tag = WAVE_FORMAT_TAG_MPEGLAYER3;
        inWave.data = mp3;
        const std::pair<const char*, Bytes> files[] = {
            {"plain.mp3", mp3}, {"tagged.mp3", tagged}, {"mp3.wav", MakeWav(inWave)}};
        for (const auto& f : files) {
            WriteFile(f.first, f.second);
            for (int type : {SOUND_DATATYPE_STATIC, SOUND_DATATYPE_MEMIMAGE, SOUND_DATATYPE_FILE}) {
                SCOPED_TRACE(::testing::Message() << f.first << ", " << seconds << " s, type " << type);
                SetCreateSoundDataTypeImpl(type);
                int handle;
                int reads;
                {
                    zvtest::CountedReads counted;
                    handle = LoadSoundMemImpl(f.first, 1, -1);
                    reads = zvtest::CountedReads::reads;
                }
                SetCreateSoundDataTypeImpl(0);
                ASSERT_NE(handle, -1);
                EXPECT_LE(reads, 48);
                DeleteSoundMemImpl(handle, 0);
            }
        }
    }
}

// A file that is no sound, streamed from its file, is refused from its first
// bytes however long it is (the other data types keep the whole file in
// memory, so they read it whole first).
TEST_F(SoundSystem, AFileThatIsNoSoundIsRefusedFromItsFirstBytes) {
    // Noise, with frame sync patterns here and there, and a hole up to 64 MiB.
    Bytes noise(256 * 1024);
    uint32_t x = 1;
    for (uint8_t& b : noise) b = uint8_t((x = x * 1664525u + 1013904223u) >> 24);
    WriteFile("noise.bin", noise);
    std::filesystem::resize_file("noise.bin", 64 << 20);
    SetCreateSoundDataTypeImpl(SOUND_DATATYPE_FILE);
    zvtest::CountedReads counted;
    EXPECT_EQ(LoadSoundMemImpl("noise.bin", 1, -1), -1);
    SetCreateSoundDataTypeImpl(0);
    EXPECT_LT(zvtest::CountedReads::bytes, 1 << 20);
    EXPECT_TRUE(Contains(Log(), "右記のＷＡＶファイルのセットアップに失敗しました：noise.bin \r\n")) << Log();
    EXPECT_EQ(SoundState().soundTable.used, 0);
}

TEST_F(SoundSystem, AStaticSoundOverlapsItselfOverItsBuffersInTurn) {
    int h = Load("count.wav", CountingWav(20000), 0, 3);
    ASSERT_NE(h, -1);
    auto left = [](const std::vector<int16_t>& out, int frame) { return out[size_t(frame) * 2]; };
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1), 0);
    Mix(100);
    PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1);
    Mix(100);
    PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1);
    auto out = Mix(100);
    // Three copies, started 100 frames apart.
    EXPECT_EQ(left(out, 0), 200 + 100 + 0);
    EXPECT_EQ(left(out, 99), 299 + 199 + 99);
    // A fourth play restarts the oldest copy; where it was ramps down over
    // 220 frames.
    PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 1);
    out = Mix(10);
    EXPECT_EQ(left(out, 0), 0 + 200 + 100 + 300);
    // From the current position a playing copy goes on undisturbed.
    PlaySoundMemImpl(h, SOUND_PLAYTYPE_BACK, 0);
    out = Mix(10);
    EXPECT_EQ(left(out, 0), 10 + 210 + 110 + 310 * 210 / 220);
    EXPECT_EQ(CheckSoundPlaying(h), 1);
    // StopSound stops nothing (no sound is played from a file); StopSoundMem stops them all.
    EXPECT_EQ(StopSoundImpl(), 0);
    EXPECT_EQ(CheckSoundPlaying(h), 1);
    EXPECT_EQ(StopSoundMemImpl(h), 0);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
    Mix(220);
    EXPECT_EQ(Mix(10), std::vector<int16_t>(20, 0));
}

TEST_F(SoundSystem, LoopingStaticSoundRepeatsUntilStopped) {
    int h = Load("count.wav", CountingWav(1000), 0, 1);
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_LOOP, 1), 0);
    auto out = Mix(2500);
    EXPECT_EQ(out[2 * 999], 999);
    EXPECT_EQ(out[2 * 1000], 0);
    EXPECT_EQ(out[2 * 2499], 499);
    StopSoundMemImpl(h);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
}

TEST_F(SoundSystem, NormalPlayReturnsOnlyAfterTheSoundHasEnded) {
    int h = Load("short.wav", CountingWav(2205), 0, 1);
    ASSERT_NE(h, -1);
    AudioDevicePause(false);
    ASSERT_EQ(PlaySoundMemImpl(h, SOUND_PLAYTYPE_NORMAL, 1), 0);
    EXPECT_EQ(CheckSoundPlaying(h), 0);
    uint32_t position = 1;
    SoundBuffer_GetCurrentPosition(&GetSoundData(h)->buffers[0], &position, nullptr);
    EXPECT_EQ(position, 0u);   // played to its end, not stopped on the way
    AudioDevicePause(true);
}

TEST_F(SoundSystem, MusicHooksFindNothingToDo) {
    int sound = AddSoundData();
    EXPECT_EQ(StopMusicImpl(), 0);
    EXPECT_EQ(ProcessMusicMemAll(), 0);
    EXPECT_EQ(MidiCallBackProcess(), 0);
    EXPECT_EQ(DeleteAllMusicHandles(), 0);
    for (int handle : {sound, 0x58000000, 0x58010000, -1}) {
        EXPECT_EQ(CheckMusicHandle(handle), -1);
        EXPECT_EQ(StopMusicHandle(handle), -1);
        EXPECT_EQ(DeleteMusicHandle(handle), -1);
    }
    const auto before = std::distance(std::filesystem::directory_iterator(dir_.path()), {});
    EXPECT_EQ(FinishSoundCaptureWave(), -1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), before);
}

TEST(SoundCapture, HeaderDescribes16BitStereoAt44100) {
    uint8_t h[SOUND_CAPTURE_HEADER_SIZE];
    MakeSoundCaptureWaveHeader(1000, h);
    const uint8_t expect[SOUND_CAPTURE_HEADER_SIZE] = {
        'R', 'I', 'F', 'F', 0xC6, 0x0F, 0, 0,        // 4000 + 38
        'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0,
        1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,   // PCM, 2 channels, 44100, 176400
        4, 0, 16, 0, 0, 0,
        'd', 'a', 't', 'a', 0xA0, 0x0F, 0, 0,        // 4000
    };
    EXPECT_EQ(std::memcmp(h, expect, sizeof expect), 0);
}
