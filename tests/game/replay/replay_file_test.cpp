// Replay records and slot files: the file layout, the frame byte's bits, the version read by value, the headers
// that are refused and the headers the slot lists show.
#include "scene_fixture.h"

#include "scenes/replay_file.h"

using gamefix::ReadDataFile;
using gamefix::WriteDataFile;
using replayfix::SceneTest;

namespace {
class ReplayFileTest : public SceneTest {};

std::string Frames(const CReplayRecord& r) {
    std::string out;
    for (int i = 0; i < r.GetFrameCount(); ++i) out += char(r.GetFrame(i));
    return out;
}
}  // namespace

TEST_F(ReplayFileTest, ASlotHoldsTheHeaderLinesThenExactlyOneByteAFrame) {
    EXPECT_EQ(ReplaySlotPath(0), "data/replay/data1.dat");
    EXPECT_EQ(ReplaySlotPath(9), "data/replay/data10.dat");

    CReplayRecord& written = game_->ReplayWritten();
    for (int i = 0; i < 3600; ++i) written.PushInput(i * 7);
    ReplayHeader h;
    h.name = "ABC";
    h.frameCount = 3600;
    h.year = 2026;
    h.month = 12;
    h.day = 10;
    h.mode = 1;
    h.shotType = 0;
    h.startStage = 2;
    ASSERT_TRUE(written.SaveReplayFile(ReplaySlotPath(0), h));
    std::string file = ReadDataFile("data/replay/data1.dat");
    const std::string header = "1.00\nABC\n3600\n2026\n12\n10\n1\n0\n2\n";
    ASSERT_EQ(file.substr(0, header.size()), header);
    EXPECT_EQ(file.substr(header.size()), Frames(written)) << "one key stream, frames follow the header";
    EXPECT_EQ(file.size(), header.size() + 3600);

    game_->SetMode(3);
    CReplayRecord& played = game_->ReplayPlayed();
    ASSERT_TRUE(played.LoadReplayFile(0));
    EXPECT_EQ(Frames(played), Frames(written));
    EXPECT_EQ(game_->GetMode(), 1) << "the file's mode, shot type and stage are applied";
    EXPECT_EQ(game_->GetShotType(), 0);
    EXPECT_EQ(game_->GetStage(), 2);

    ReplayHeader shown = ReadReplayHeader(0, true);
    EXPECT_EQ(shown.name, "ABC");
    EXPECT_EQ(shown.frameCount, 3600);
    EXPECT_EQ(shown.startStage, 2);
}

TEST_F(ReplayFileTest, AFrameByteKeepsTheSixPlayBits) {
    const struct {
        int word;
        int byte;
        int back;
    } cases[] = {
        {8, 0x01, 8},       {1, 0x02, 1},       {2, 0x04, 2},      {4, 0x08, 4},
        {16, 0x10, 16},     {32, 0x20, 32},     {8 | 16, 0x11, 0x18},
        {0x2000, 0, 0},     {0x40, 0, 0},       {0x7FFFFFFF, 0x3F, 0x3F},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CReplayRecord::PackInput(c.word), c.byte) << std::hex << c.word;
        EXPECT_EQ(CReplayRecord::UnpackInput(uint8_t(c.byte)), c.back) << std::hex << c.byte;
    }
    CReplayRecord r;
    r.PushInput(8 | 16 | 0x2000);
    r.ApplyInput(0);
    EXPECT_EQ(game_->GetInput(), 0x18) << "the pause button never comes back";
    EXPECT_TRUE(r.IsEnd(1));
    EXPECT_FALSE(r.IsEnd(0));
}

TEST_F(ReplayFileTest, TheVersionIsComparedByValueAndUnplayableHeadersAreRefusedWithNothingLeft) {
    const struct {
        const char* file;
        bool loads;
        const char* listed;   // the name the slot list shows
    } cases[] = {
        {"1.0\nA\n2\n2000\n1\n1\n2\n1\n1\n\x11\x01", true, "A"},
        {"1.000\nA\n2\n2000\n1\n1\n2\n1\n1\n\x11\x01", true, "A"},
        {"1.01\nA\n2\n2000\n1\n1\n2\n1\n1\n\x11\x01", false, "再生不能データ"},
        {"1.00\nA\n2\n2000\n1\n1\n0\n1\n1\n\x11\x01", false, "再生不能データ"},   // the practice room
        {"1.00\nA\n2\n2000\n1\n1\n4\n1\n1\n\x11\x01", false, "A"},
        {"1.00\nA\n2\n2000\n1\n1\n2\n2\n1\n\x11\x01", false, "A"},
        {"1.00\nA\n2\n2000\n1\n1\n2\n-1\n1\n\x11\x01", false, "A"},
        {"1.00\nA\n2\n2000\n1\n1\n2\n1\n0\n\x11\x01", false, "再生不能データ"},
        {"1.00\nA\n0\n2000\n1\n1\n2\n1\n3\n", true, "A"},   // a replay of zero frames
        {"1.00\n", false, "再生不能データ"},                  // ends inside the header
    };
    for (const auto& c : cases) {
        WriteDataFile("data/replay/data3.dat", c.file);
        game_->SetMode(2);
        CReplayRecord& played = game_->ReplayPlayed();
        played.AddFrame(0x3F);
        EXPECT_EQ(played.LoadReplayFile(2), c.loads) << c.file;
        if (!c.loads) {
            EXPECT_EQ(played.GetFrameCount(), 0) << "a refusal leaves no frame behind: " << c.file;
            EXPECT_EQ(game_->GetMode(), 2) << c.file;
        }
        EXPECT_EQ(ReadReplayHeader(2, true).name, c.listed) << c.file;
    }
    ReplayHeader missing = ReadReplayHeader(5, true);
    EXPECT_EQ(missing.name, "------------");
    EXPECT_EQ(missing.mode, -1);
    EXPECT_EQ(missing.shotType, -1);
    EXPECT_EQ(missing.frameCount, 0);
    EXPECT_FALSE(game_->ReplayPlayed().LoadReplayFile(5));

    // The name scene shows the slot's own values where the list calls it unplayable.
    WriteDataFile("data/replay/data3.dat", "1.00\nA\n60\n2000\n1\n1\n0\n1\n0\n");
    ReplayHeader own = ReadReplayHeader(2, false);
    EXPECT_EQ(own.name, "A");
    EXPECT_EQ(own.mode, 0);
    EXPECT_EQ(own.frameCount, 60);
}
