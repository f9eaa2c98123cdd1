// Save files survive a kill while they are written: the game is stopped between writing the new file and
// putting it in place, and the old score file, replay slot and system file are still whole and load.
#include "scene_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scenes/replay_file.h"
#include "scenes/score_system.h"

namespace {
bool g_killBeforeRename = false;
}  // namespace

// The game puts every save in place with rename; this one can stop the process just before.
extern "C" int rename(const char* from, const char* to) {
    if (g_killBeforeRename) raise(SIGKILL);
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

namespace {
class SaveKillTest : public replayfix::SceneTest {
protected:
    // Runs save in a child process that is killed before its rename; true when it died so.
    static bool KilledWhileSaving(const std::function<void()>& save) {
        fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            g_killBeforeRename = true;
            save();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
};
}  // namespace

TEST_F(SaveKillTest, AKillBetweenWriteAndRenameLeavesTheOldFilesReadable) {
    CScoreSystem& table = game_->Scores();
    ScoreRecord old;
    old.score = 700;
    old.name = "OLD";
    table.Insert(0, old);
    ASSERT_TRUE(table.SaveScoreFile());
    CReplayRecord& record = game_->ReplayWritten();
    for (int i = 0; i < 500; ++i) record.PushInput(i);
    ReplayHeader header;
    header.name = "OLD";
    header.mode = 2;
    header.shotType = 0;
    header.startStage = 1;
    header.frameCount = 500;
    ASSERT_TRUE(record.SaveReplayFile(ReplaySlotPath(0), header));
    game_->SetBestStage(2);
    ASSERT_TRUE(game_->SaveSystem());
    const std::string oldScore = zvtest::ReadWholeFile("data/score/score.dat");
    const std::string oldSlot = zvtest::ReadWholeFile("data/replay/data1.dat");
    const std::string oldSystem = zvtest::ReadWholeFile("data/dat/system.dat");

    ScoreRecord better;
    better.score = 900;
    better.name = "NEW";
    table.Insert(0, better);
    EXPECT_TRUE(KilledWhileSaving([&] { table.SaveScoreFile(); }));
    record.PushInput(8);
    header.name = "NEW";
    EXPECT_TRUE(KilledWhileSaving([&] { record.SaveReplayFile(ReplaySlotPath(0), header); }));
    game_->SetBestStage(3);
    EXPECT_TRUE(KilledWhileSaving([&] { game_->SaveSystem(); }));

    EXPECT_EQ(zvtest::ReadWholeFile("data/score/score.dat"), oldScore);
    EXPECT_EQ(zvtest::ReadWholeFile("data/replay/data1.dat"), oldSlot);
    EXPECT_EQ(zvtest::ReadWholeFile("data/dat/system.dat"), oldSystem);
    EXPECT_NE(gamefix::ReadDataFile("data/score/score.dat.tmp").find("NEW"), std::string::npos)
        << "the new file was written in full before the kill";

    // The old files load as they were.
    CScoreSystem reread;
    EXPECT_EQ(reread.GetRecord(0).score, 700);
    EXPECT_EQ(reread.GetRecord(0).name, "OLD");
    CReplayRecord played;
    ASSERT_TRUE(played.LoadReplayFile(0));
    EXPECT_EQ(played.GetFrameCount(), 500);
    EXPECT_EQ(ReadReplayHeader(0, true).name, "OLD");
    EXPECT_TRUE(game_->LoadSystem());
    EXPECT_EQ(game_->GetBestStage(), 2);

    // The next save goes through over what the killed one left.
    ASSERT_TRUE(table.SaveScoreFile());
    EXPECT_EQ(CScoreSystem().GetRecord(0).name, "NEW");
}
