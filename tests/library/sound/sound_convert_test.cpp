// Sound files to PCM: WAVE layouts and their faults, MP3 frame headers, tags
// and frame counts, MP3 inside WAVE, Ogg Vorbis, and seeking.
#include <gtest/gtest.h>

#include <cmath>

#include "sound_test_support.h"

using namespace soundtest;

namespace {

// A log to read and a check that the converters give back all they take.
class Converter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDir = dir_.path();
        g_Library.persistent.startupDirOnDisk = dir_.path();
        LogFileInitialize();
        allocBefore_ = ZvAllocCount();
    }
    void TearDown() override { EXPECT_EQ(ZvAllocCount(), allocBefore_); }
    std::string Log() const { return zvtest::ReadWholeFile(GetLogFilePath()); }
    zvtest::ScopedTempDir dir_;
    uint32_t allocBefore_ = 0;
};

// An open converter over a memory image, closed at the end.
struct OpenConverter {
    explicit OpenConverter(const Bytes& file) : image(file) {
        memory = MemStreamOpen(image.data(), image.size());
        reader = {*GetMemStreamFunctions(), reinterpret_cast<intptr_t>(memory)};
        std::memset(&conv, 0, sizeof conv);
        result = OpenSoundConverter(&reader, &conv);
    }
    ~OpenConverter() {
        if (conv.openFlag) CloseSoundConverter(&conv);
        MemStreamClose(reader.handle);
    }
    Bytes Read(int bytes) {
        Bytes out(static_cast<size_t>(bytes), 0);
        int n = ReadSoundConverter(&conv, out.data(), bytes);
        out.resize(size_t(n > 0 ? n : 0));
        return out;
    }
    Bytes image;
    MemStream* memory;
    StreamReader reader;
    SOUNDCONV conv;
    int result;
};

double Rms(const std::vector<int16_t>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

// Sign changes of one channel of interleaved samples.
int ZeroCrossings(const std::vector<int16_t>& s, int channels, size_t fromFrame, size_t toFrame) {
    int n = 0;
    for (size_t i = fromFrame + 1; i < toFrame; ++i)
        if ((s[(i - 1) * channels] < 0) != (s[i * channels] < 0)) ++n;
    return n;
}

}  // namespace

TEST_F(Converter, WaveFilesDecodeToTheirSamples) {
    struct Case {
        const char* name;
        WavSpec spec;
        int channels, bits, rate;
        size_t expectBytes;   // of the data, from its start
    };
    WavSpec stereo16;
    stereo16.data = ToBytes(Ramp(1000, 2));
    WavSpec mono8;
    mono8.channels = 1, mono8.bits = 8, mono8.rate = 22050, mono8.fmtSize = 18;
    for (int i = 0; i < 301; ++i) mono8.data.push_back(uint8_t(i * 7));
    WavSpec withList = stereo16;
    withList.channels = 1, withList.rate = 11025;
    withList.beforeData = {{"LIST", Bytes(5, 0xFF)}, {"fact", Bytes(4, 0xFF)}};
    // Old 16-byte format chunks: the bit count follows from the block align.
    WavSpec oldFormat = stereo16;
    oldFormat.bitsField = 8;
    WavSpec longData = stereo16;
    longData.data.resize(10);
    longData.dataSizeField = 1000000;

    const Case cases[] = {
        {"16-bit stereo", stereo16, 2, 16, 44100, stereo16.data.size()},
        {"8-bit mono, 18-byte format", mono8, 1, 8, 22050, mono8.data.size()},
        {"chunks between format and data", withList, 1, 16, 11025, withList.data.size()},
        {"16-byte format with a wrong bit count", oldFormat, 2, 16, 44100, oldFormat.data.size()},
        {"data size beyond the file: clamped to whole blocks", longData, 2, 16, 44100, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = DecodeWhole(MakeWav(c.spec));
        ASSERT_EQ(d.result, 0);
        EXPECT_EQ(d.format.formatTag, 1);
        EXPECT_EQ(d.format.channels, c.channels);
        EXPECT_EQ(d.format.bitsPerSample, c.bits);
        EXPECT_EQ(d.format.samplesPerSec, uint32_t(c.rate));
        EXPECT_EQ(d.format.blockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(d.format.avgBytesPerSec, uint32_t(c.rate * c.channels * c.bits / 8));
        EXPECT_EQ(d.pcm, Bytes(c.spec.data.begin(), c.spec.data.begin() + long(c.expectBytes)));
    }
}

TEST_F(Converter, MalformedWaveFilesAreRefused) {
    WavSpec good;
    good.data = Bytes(400, 0x80);   // no byte pair here looks like an MP3 frame
    auto with = [&](auto change) {
        WavSpec w = good;
        change(w);
        return MakeWav(w);
    };
    Bytes truncatedHeader = MakeWav(good);
    truncatedHeader.resize(22);
    const std::pair<const char*, Bytes> cases[] = {
        {"0 channels", with([](WavSpec& w) { w.channels = 0, w.blockAlign = 4; })},
        {"3 channels", with([](WavSpec& w) { w.channels = 3; })},
        {"12 bits", with([](WavSpec& w) { w.bits = 12, w.fmtSize = 18, w.blockAlign = 4; })},
        {"block align not channels x bytes", with([](WavSpec& w) { w.fmtSize = 18, w.blockAlign = 3; })},
        {"rate 0", with([](WavSpec& w) { w.rate = 0; })},
        {"format chunk shorter than 16 bytes", [&] {
             Bytes b = MakeWav(good);
             b[16] = 8;
             return b;
         }()},
        {"LIST before the format chunk", with([](WavSpec& w) { w.beforeFmt = {{"LIST", Bytes(4, 0)}}; })},
        {"no data chunk", [&] {
             Bytes b = MakeWav(good);
             std::memcpy(b.data() + 36, "junk", 4);
             return b;
         }()},
        {"cut inside the format chunk", truncatedHeader},
        {"chunk size far beyond the file", [&] {
             Bytes b = with([](WavSpec& w) { w.beforeData = {{"LIST", Bytes(2, 0)}}; });
             const uint8_t huge[4] = {0xF0, 0xFF, 0xFF, 0xFF};
             std::memcpy(b.data() + 40, huge, 4);   // the LIST chunk's size
             return b;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(DecodeWhole(c.second).result, -1);
    }
}

TEST_F(Converter, CompressedWaveOtherThanMp3IsRefusedWithALogLine) {
    WavSpec adpcm;
    adpcm.tag = 2;
    adpcm.bits = 4;
    adpcm.fmtSize = 18;
    adpcm.blockAlign = 1024;
    adpcm.data = Bytes(4096, 0xFF);   // would read as frame headers if the MP3 scan saw it
    EXPECT_EQ(DecodeWhole(MakeWav(adpcm)).result, -1);
    EXPECT_NE(Log().find("WAVE ファイルの圧縮形式 0x0002 には対応していません"), std::string::npos) << Log();
}

TEST(Mp3FrameHeader, GivesFrameLengthAndSamplesOrRefusesWhatCannotBeWalked) {
    struct Case {
        uint8_t h[4];
        int result, samples, length, rate, channels;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 0, 1152, 417, 44100, 2},   // MPEG-1 layer III 128 kbit/s
        {{0xFF, 0xFB, 0x92, 0x00}, 0, 1152, 418, 44100, 2},   // padding
        {{0xFF, 0xFB, 0x90, 0xC0}, 0, 1152, 417, 44100, 1},   // single channel
        {{0xFF, 0xFB, 0x94, 0x00}, 0, 1152, 384, 48000, 2},
        {{0xFF, 0xF3, 0x90, 0x00}, 0, 576, 261, 22050, 2},    // MPEG-2, 80 kbit/s
        {{0xFF, 0xF3, 0x18, 0x00}, 0, 576, 36, 16000, 2},     // MPEG-2, 8 kbit/s
        {{0xFF, 0xFD, 0x90, 0x00}, -1, 0, 0, 0, 0},           // layer II
        {{0xFF, 0xFF, 0x90, 0x00}, -1, 0, 0, 0, 0},           // layer I
        {{0xFF, 0xF9, 0x90, 0x00}, -1, 0, 0, 0, 0},           // reserved layer
        {{0xFF, 0xFB, 0x00, 0x00}, -1, 0, 0, 0, 0},           // free format
        {{0xFF, 0xFB, 0xF0, 0x00}, -1, 0, 0, 0, 0},           // bit rate index 15
        {{0xFF, 0xFB, 0x9C, 0x00}, -1, 0, 0, 0, 0},           // reserved rate
        {{0xFF, 0xE3, 0x90, 0x00}, -2, 0, 0, 0, 0},           // MPEG 2.5 is no header here
        {{0xFE, 0xFB, 0x90, 0x00}, -2, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.h[1]) << " " << int(c.h[2]) << " " << int(c.h[3]));
        Mp3FrameInfo info = {};
        ASSERT_EQ(AnalyzeMp3FrameHeader(c.h, &info), c.result);
        if (c.result != 0) continue;
        EXPECT_EQ(info.samples, c.samples);
        EXPECT_EQ(info.frameLength, c.length);
        EXPECT_EQ(info.sampleRate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
    }
}

TEST_F(Converter, SilentMp3FramesGiveFrameCountTimesSamplesAfterTheTags) {
    struct Case {
        const char* name;
        Bytes head, tail;
        int frames;
    };
    const Case cases[] = {
        {"plain", {}, {}, 5},
        {"ID3v2.3", Id3v2Tag(3, 100, false), {}, 3},
        {"ID3v2.4 with footer", Id3v2Tag(4, 50, true), {}, 4},
        {"ID3v1", {}, Id3v1Tag(), 2},
        {"both", Id3v2Tag(3, 20, false), Id3v1Tag(), 7},
        // A header that no frame follows at its length is no frame.
        {"a lone frame header before the frames", [] {
             Bytes b = {0xFF, 0xFB, 0x90, 0x00};
             b.resize(24, 0);
             return b;
         }(), {}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = c.head;
        Append(file, SilentMp3(c.frames));
        Append(file, c.tail);
        OpenConverter open(file);
        ASSERT_EQ(open.result, 0);
        EXPECT_EQ(open.conv.method, SOUNDCONV_METHOD_MPEG);
        EXPECT_EQ(open.conv.dataStart, int32_t(c.head.size()));
        EXPECT_EQ(open.conv.dataSize, int32_t(417 * c.frames));
        EXPECT_EQ(GetSoundConverterSize(&open.conv), c.frames * 1152 * 4);
        Bytes pcm = open.Read(1 << 20);
        EXPECT_EQ(pcm.size(), size_t(c.frames) * 1152 * 4);
        EXPECT_EQ(pcm, Bytes(pcm.size(), 0));
    }
}

TEST_F(Converter, Mp3Of128BytesOrLessHasNoId3v1Tail) {
    // "TAG" stands exactly 128 bytes before the end, but the file is not longer than a tag.
    Bytes file;
    PutText(file, "TAG");
    for (int i = 0; i < 4; ++i) Append(file, SilentMp3Frame(0xF3, 0x10, 0x00, 26));   // MPEG-2, 8 kbit/s
    file.resize(128, 0);
    Decoded d = DecodeWhole(file);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.format.samplesPerSec, 22050u);
    EXPECT_EQ(d.pcm.size(), size_t(4 * 576 * 4));
}

TEST_F(Converter, BrokenMp3DataEndsOrIsRefusedWithoutHanging) {
    Bytes cut = SilentMp3(3);
    cut.resize(417 * 2 + 200);
    Decoded d = DecodeWhole(cut);
    ASSERT_EQ(d.result, 0);
    EXPECT_GE(d.pcm.size(), size_t(2 * 1152 * 4));
    EXPECT_LE(d.pcm.size(), size_t(3 * 1152 * 4));

    Bytes freeFormat = {0xFF, 0xFB, 0x00, 0x00};
    freeFormat.resize(2000, 0);
    Bytes layer2 = SilentMp3Frame(0xFD);
    Append(layer2, SilentMp3Frame(0xFD));
    const std::pair<const char*, Bytes> refused[] = {
        {"header only", {0xFF, 0xFB, 0x90}},
        {"free format", freeFormat},
        {"layer II", layer2},
        {"a layer II header after good frames", [] {
             Bytes b = SilentMp3(2);
             Append(b, SilentMp3Frame(0xFD));
             return b;
         }()},
        {"no frame at all", Bytes(5000, 0x11)},
        // The frames are looked for in the first 64 KiB only.
        {"frames only past 64 KiB of other bytes", [] {
             Bytes b(70000, 0x11);
             Append(b, SilentMp3(3));
             return b;
         }()},
        {"empty", {}},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(DecodeWhole(c.second).result, -1);
    }
}

TEST_F(Converter, EncodedMp3DecodesToTheTone) {
    const int rate = 44100;
    auto tone = Sine(rate, 2, 440, rate, 12000);
    Bytes file = EncodeMp3(tone, 2, rate, 128);
    Decoded d = DecodeWhole(file);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.format.channels, 2);
    EXPECT_EQ(d.format.bitsPerSample, 16);
    EXPECT_EQ(d.format.samplesPerSec, 44100u);
    auto out = ToSamples(d.pcm.data(), d.pcm.size());
    const size_t frames = out.size() / 2;
    // Whole frames, the info frame among them, and at least the tone's length.
    EXPECT_EQ(frames % 1152, 0u);
    EXPECT_GE(frames, size_t(rate));
    EXPECT_LE(frames, size_t(rate) + 4 * 1152);
    // The middle of the output is the tone (the encoder delays it a little).
    EXPECT_NEAR(Rms(out, rate / 2, rate * 3 / 2), 12000 / std::sqrt(2.0), 600);
    EXPECT_NEAR(ZeroCrossings(out, 2, rate / 4, rate * 3 / 4), 440, 4);
}

// The encoder's count of the frames gives the decoded size when the byte
// count beside it is the file's; a file cut or added to since is measured by
// walking its frames. Either way the size is what decodes.
TEST_F(Converter, TheDecodedSizeOfAnMp3IsWhatDecodes) {
    const Bytes one = EncodeMp3(Sine(44100, 2, 440, 44100, 8000), 2, 44100, 128);
    const Bytes two = EncodeMp3(Sine(22050, 2, 660, 44100, 8000), 2, 44100, 128);
    const size_t oneFrames = Mp3FrameOffsets(one).size(), twoFrames = Mp3FrameOffsets(two).size();
    Bytes joined = one;
    Append(joined, two);
    const Bytes cut(one.begin(), one.begin() + long(Mp3FrameOffsets(one)[20]));
    const struct {
        const char* name;
        Bytes file;
        size_t frames;
    } rows[] = {{"as encoded", one, oneFrames},
                {"another file added", joined, oneFrames + twoFrames},
                {"cut after 20 frames", cut, 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenConverter open(row.file);
        ASSERT_EQ(open.result, 0);
        EXPECT_EQ(GetSoundConverterSize(&open.conv), int(row.frames * 1152 * 4));
        EXPECT_EQ(open.Read(1 << 22).size(), row.frames * 1152 * 4);
    }
}

TEST_F(Converter, Mp3InsideWaveDecodesLikeTheMp3File) {
    auto tone = Sine(22050, 1, 300, 22050, 8000);
    Bytes mp3 = EncodeMp3(tone, 1, 22050, 64);
    WavSpec w;
    w.tag = 0x55;
    w.channels = 1;
    w.rate = 22050;
    w.bits = 0;
    w.blockAlign = 1;
    w.fmtSize = 18;
    w.data = mp3;
    w.beforeData = {{"fact", Bytes(4, 0)}};
    Decoded inWave = DecodeWhole(MakeWav(w));
    Decoded plain = DecodeWhole(mp3);
    ASSERT_EQ(inWave.result, 0);
    ASSERT_EQ(plain.result, 0);
    EXPECT_EQ(inWave.format.channels, 1);
    EXPECT_EQ(inWave.format.samplesPerSec, 22050u);
    EXPECT_GT(inWave.pcm.size(), size_t(22050 * 2));
    EXPECT_EQ(inWave.pcm, plain.pcm);
}

TEST_F(Converter, OggVorbisDecodesToTheSameLengthAndTone) {
    struct Case {
        int channels, rate, frames;
    };
    for (const Case& c : {Case{1, 22050, 16537}, Case{2, 44100, 44100}}) {
        SCOPED_TRACE(c.channels);
        auto tone = Sine(c.frames, c.channels, 500, c.rate, 10000);
        Decoded d = DecodeWhole(EncodeOgg(tone, c.channels, c.rate));
        ASSERT_EQ(d.result, 0);
        EXPECT_EQ(d.format.channels, c.channels);
        EXPECT_EQ(d.format.samplesPerSec, uint32_t(c.rate));
        EXPECT_EQ(d.format.bitsPerSample, 16);
        auto out = ToSamples(d.pcm.data(), d.pcm.size());
        ASSERT_EQ(out.size(), tone.size());
        EXPECT_NEAR(Rms(out, out.size() / 4, out.size() * 3 / 4), 10000 / std::sqrt(2.0), 500);
        EXPECT_NEAR(ZeroCrossings(out, c.channels, c.frames / 4, c.frames * 3 / 4), 500 * c.frames / c.rate, 4);
    }
}

TEST_F(Converter, BrokenOggDataEndsOrIsRefused) {
    Bytes ogg = EncodeOgg(Sine(44100, 2, 500, 44100, 10000), 2, 44100);
    Bytes half(ogg.begin(), ogg.begin() + long(ogg.size() / 2));
    Decoded d = DecodeWhole(half);
    if (d.result == 0) {
        EXPECT_LT(d.pcm.size(), size_t(44100 * 4));
    }
    Bytes scrambled = ogg;
    for (size_t i = 200; i < scrambled.size(); i += 7) scrambled[i] ^= 0x5A;
    DecodeWhole(scrambled);   // whatever it gives, it gives it without harm
    Bytes headOnly(ogg.begin(), ogg.begin() + 60);
    EXPECT_EQ(DecodeWhole(headOnly).result, -1);
}

TEST_F(Converter, SeeksGiveTheSamePcmAsReadingStraightThrough) {
    WavSpec wav;
    wav.data = ToBytes(Ramp(30000, 2));
    const auto tone = Sine(30000, 2, 700, 44100, 9000);
    const std::pair<const char*, Bytes> files[] = {
        {"PCM WAVE", MakeWav(wav)},
        {"MP3", EncodeMp3(tone, 2, 44100, 128)},
        {"Ogg Vorbis", EncodeOgg(tone, 2, 44100)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.first);
        const Bytes reference = DecodeWhole(f.second).pcm;
        ASSERT_GT(reference.size(), 100000u);
        OpenConverter open(f.second);
        ASSERT_EQ(open.result, 0);
        auto expectAt = [&](int sample, int bytes) {
            Bytes got = open.Read(bytes);
            ASSERT_EQ(got.size(), size_t(bytes));
            EXPECT_TRUE(std::equal(got.begin(), got.end(), reference.begin() + sample * 4)) << "at " << sample;
        };
        // Forwards over several blocks, backwards, and within one block.
        SeekSoundConverter(&open.conv, 25000);
        expectAt(25000, 4000);
        SeekSoundConverter(&open.conv, 1234);
        expectAt(1234, 400);
        SeekSoundConverter(&open.conv, 1400);
        expectAt(1400, 400);
        // Less than 16 bytes away: the position stays.
        SeekSoundConverter(&open.conv, 1500 + 3);
        expectAt(1500, 40);
        // After the end, a seek makes the data readable again.
        while (!open.Read(65536).empty()) {
        }
        EXPECT_EQ(open.conv.endFlag, 1);
        SeekSoundConverter(&open.conv, 0);
        expectAt(0, 400);
    }
}
