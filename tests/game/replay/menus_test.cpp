// The scenes around play, update by update: the name grid, the ranking and the score entry, the replay lists
// and playback, the option menu, the sound player and the ending.
#include "scene_fixture.h"

#include <climits>

#include "actors/player.h"
#include "scenes/ending.h"
#include "scenes/name_entry.h"
#include "scenes/options.h"
#include "scenes/play_flow.h"
#include "scenes/replay_file.h"
#include "scenes/replay_scenes.h"
#include "scenes/replay_tasks.h"
#include "scenes/score_scenes.h"
#include "scenes/score_system.h"
#include "scenes/sound_select.h"
#include "scenes/title.h"

using gamefix::ReadDataFile;
using gamefix::WriteDataFile;
using namespace replayfix;

namespace {
class MenusTest : public SceneTest {
protected:
    // Plays from a new game with one life until the crash's game over hands over.
    void PlayToGameOver() {
        game_->SetMode(2);
        game_->NewGame();
        game_->SetLives(1);
        for (int i = 0; i < 200 && !dynamic_cast<CNormalPlayer*>(game_->GetPlayer()); ++i) Tick(0);
        ASSERT_TRUE(dynamic_cast<CNormalPlayer*>(game_->GetPlayer()));
        game_->GetPlayer()->life = 0;
        for (int i = 0; i < 400 && game_->Pool(POOL_PLAYER)->GetCount() + game_->Pool(POOL_EFFECT)->GetCount() +
                                           (Scene<CGameOver>() ? 1 : 0) > 0;
             ++i)
            Tick(0);
    }
    static std::string Line(const std::string& text, int n) {
        size_t at = 0;
        for (int i = 0; i < n; ++i) at = text.find('\n', at) + 1;
        return text.substr(at, text.find('\n', at) - at);
    }
};
}  // namespace

TEST(NameEntryTest, CursorPagesAndTyping) {
    CNameEntry grid(100, 350, 10, nullptr);
    EXPECT_EQ(grid.Cursor(), 26) << "a new grid stands on the next-page cell";
    EXPECT_FALSE(grid.Update(kDecide));
    EXPECT_EQ(grid.Page(), 1);
    grid.Update(kDecide);
    grid.Update(kDecide);
    EXPECT_EQ(grid.Page(), 0) << "three pages round";

    // 7 columns: up does nothing in the top row, down nothing in the bottom row; no wrap at either end.
    const struct {
        int from, input, to;
    } moves[] = {{3, kUp, 3},     {10, kUp, 3},   {21, kDown, 21}, {20, kDown, 27}, {27, kRight, 27},
                 {0, kLeft, 0},   {27, kRight | kLeft, 26},          {0, kRight | kLeft, 0}};
    for (const auto& m : moves) {
        CNameEntry g(0, 0, 10, nullptr);
        while (g.Cursor() > m.from) g.Update(kLeft);
        while (g.Cursor() < m.from) g.Update(kRight);
        g.Update(m.input);
        EXPECT_EQ(g.Cursor(), m.to) << m.from << " " << m.input;
    }
    grid.SetColumns(14);
    grid.Update(kUp);
    EXPECT_EQ(grid.Cursor(), 12);
    grid.Update(kUp);
    EXPECT_EQ(grid.Cursor(), 12) << "14 columns: two rows";

    // Typing: page 2 starts with "@" and runs from "!" to "9"; the eleventh character does not fit.
    grid.Update(kDown);   // back to ">"
    grid.Update(kDecide);
    grid.Update(kDecide);   // page 2
    for (int i = 0; i < 26; ++i) grid.Update(kLeft);
    for (int i = 0; i < 11; ++i) grid.Update(kDecide);
    EXPECT_EQ(grid.GetText(), "@@@@@@@@@@");
    grid.Update(kCancel | kDecide);
    EXPECT_EQ(grid.GetText(), "@@@@@@@@@@") << "the delete acts first, then the decide types again";
    grid.Clear();
    grid.Update(kRight);
    grid.Update(kDecide);
    grid.SetColumns(7);
    grid.Update(kDown);
    grid.Update(kDown);
    grid.Update(kDown);
    grid.Update(kDecide);
    EXPECT_EQ(grid.GetText(), "!6") << "page 2, cells 1 and 22";
    grid.Update(kDown);
    grid.Update(kRight);
    grid.Update(kRight);
    grid.Update(kRight);
    grid.Update(kRight);
    grid.Update(kRight);
    EXPECT_EQ(grid.Cursor(), 27);
    EXPECT_TRUE(grid.Update(kDecide)) << "END";
    EXPECT_EQ(grid.GetText(), "!6");
    grid.SetMaxLength(40);
    EXPECT_EQ(grid.MaxLength(), 31) << "the text's room";
}

TEST_F(MenusTest, TheFirstPlayOnAFreshScoreFileAlwaysGetsItsNameEntry) {
    PlayToGameOver();
    ASSERT_EQ(Scenes(), "CScoreInput") << "a crash adds 1 point, more than the empty table's 0";
    const ScoreRecord& row = game_->Scores().GetRecord(0);
    EXPECT_EQ(row.score, 1);
    EXPECT_EQ(row.mode, 2);
    EXPECT_EQ(row.year, 2000);
    EXPECT_GT(row.playTime, 60) << "the frames recorded for the play";
    EXPECT_EQ(row.playTime, game_->ReplayWritten().GetFrameCount());
    EXPECT_EQ(row.name, "");

    Press(kLeft);   // "Z", left of ">"
    Press(kDecide);
    EXPECT_EQ(game_->Scores().GetRecord(0).name, "Z") << "the row shows the name as it is typed";
    Press(kCancel);
    EXPECT_EQ(game_->Scores().GetRecord(0).name, "");
    EXPECT_EQ(Line(ReadDataFile("data/score/score.dat"), 8), "----------") << "written only at the end";
    Press(kRight);
    Press(kRight);
    Press(kDecide);   // END with nothing typed
    EXPECT_EQ(Scenes(), "CReTry");
    std::string file = ReadDataFile("data/score/score.dat");
    EXPECT_EQ(Line(file, 1), "1");
    EXPECT_EQ(Line(file, 2), "2");
    EXPECT_EQ(Line(file, 8), "KAZA") << "the NAME setting stands in for an empty name";
    EXPECT_EQ(Line(file, 9), "0") << "the old first row moved down";

    // A score equal to the lowest makes no entry; after a cleared last stage the entry leads to the save list.
    game_->ClearAllBut(0);
    new CScoreInput(0);
    Tick(0);
    EXPECT_EQ(Scenes(), "-");
    game_->SetReplayRecordRequested(true);
    new CScoreInput(50);
    EXPECT_EQ(game_->Scores().GetRecord(0).score, 50);
    EXPECT_EQ(game_->Scores().GetRecord(1).score, 1);
    Tick(0);
    Press(kDecide);   // the grid still stands on END
    EXPECT_EQ(Scenes(), "CReplayDataSelect");
    EXPECT_EQ(game_->Scores().GetRecord(0).name, "KAZA");
}

TEST_F(MenusTest, TheRankingLeavesOnAFreshDecideOrCancelOnly) {
    Tick(kDecide);
    new CScoreDraw();
    Tick(kDecide, 3);
    EXPECT_EQ(Scenes(), "CScoreDraw") << "a decide held from the title";
    Tick(0);
    Press(kLeft);
    Press(kDown);
    EXPECT_EQ(Scenes(), "CScoreDraw");
    Press(kCancel);
    EXPECT_EQ(Scenes(), "CTitle");

    const struct {
        int value;
        const char* mode;
        const char* style;
    } names[] = {{-1, "------", "------"}, {0, "BASIC ", "NORMAL"}, {1, "EASY  ", "DIRECT"},
                 {2, "NORMAL", "------"},  {3, "CRISIS", "------"}, {7, "------", "------"},
                 {-9, "------", "------"}};
    for (const auto& n : names) {
        EXPECT_STREQ(ModeName(n.value), n.mode) << n.value;
        EXPECT_STREQ(StyleName(n.value), n.style) << n.value;
    }
    EXPECT_STREQ(ModeName(0, false), "BASIC");
}

TEST_F(MenusTest, SavingAPlayFromTheRetryMenuAndWatchingItBack) {
    game_->SetMode(1);
    game_->SetShotType(1);
    game_->SetStage(2);
    game_->NewGame();
    Tick(kRight, 40);
    Tick(kDecide | kLeft, 40);
    const int recorded = game_->ReplayWritten().GetFrameCount();
    EXPECT_EQ(recorded, 80);
    EXPECT_EQ(game_->ReplayWritten().GetStartStage(), 2);
    game_->ClearAllBut(0);
    new CReTry();
    Tick(0);
    Press(kDown);
    Press(kDecide);
    ASSERT_EQ(Scenes(), "CReplayDataSelect");
    Press(kUp);
    Press(kUp);   // wraps over "戻る" to slot 10
    Press(kDecide);
    ASSERT_EQ(Scenes(), "CReplayDataName");
    Press(kRight);
    Press(kRight);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CReTry");
    std::string file = ReadDataFile("data/replay/data10.dat");
    const std::string header = "1.00\nKAZA\n80\n2000\n1\n1\n1\n1\n2\n";
    ASSERT_EQ(file.substr(0, header.size()), header);
    EXPECT_EQ(file.substr(header.size()), std::string(40, '\x08') + std::string(40, '\x14'));

    // Watch it: the play starts from the file's header and the recorded words come back.
    game_->ClearAllBut(0);
    game_->SetMode(3);
    game_->SetStage(1);
    new CReplayDataSelect(CReplayDataSelect::WATCH);
    Tick(0);
    Press(kUp);
    Press(kUp);
    Tick(kDecide);
    Tick(0);
    EXPECT_EQ(Scenes(), "CReady");
    EXPECT_TRUE(game_->IsReplayPlaying());
    EXPECT_EQ(game_->GetMode(), 1);
    EXPECT_EQ(game_->GetStage(), 2);
    EXPECT_EQ(game_->GetLives(), 5) << "EASY";
    EXPECT_EQ(game_->GetInput(), 4) << "frame 0 replaces the real pad in the same update";
    Tick(0, 39);
    EXPECT_EQ(game_->GetInput(), 4);
    Tick(0, 40);
    EXPECT_EQ(game_->GetInput(), 0x10 | 2);
    Tick(0);
    EXPECT_EQ(Scenes(), "CReplayDataSelect") << "the frames ran out";
    EXPECT_FALSE(game_->IsReplayPlaying());
    EXPECT_EQ(game_->ReplayPlayed().GetFrameCount(), 0);
    EXPECT_EQ(game_->Pool(POOL_PLAYER)->GetCount(), 0u);

    // The second button on the real pad ends a replay at once.
    Tick(0, 2);
    Press(kUp);
    Press(kUp);
    Tick(kDecide);
    Tick(0);
    ASSERT_TRUE(game_->IsReplayPlaying());
    Tick(kCancel);
    EXPECT_FALSE(game_->IsReplayPlaying());
    EXPECT_EQ(Scenes(), "CReplayDataSelect");
}

TEST_F(MenusTest, AReplayOfAClearedLastStageGoesBackToTheListAndARefusedOneFeedsNothing) {
    WriteDataFile("data/dat/stage3.dat", "clear ;");
    std::string frames(400, '\x10');
    WriteDataFile("data/replay/data1.dat", "1.00\nA\n400\n2000\n1\n1\n2\n0\n3\n" + frames);
    WriteDataFile("data/replay/data2.dat", "1.00\nB\n400\n2000\n1\n1\n0\n0\n1\n" + frames);
    new CReplayDataSelect(CReplayDataSelect::WATCH);
    Tick(0);
    Tick(kDecide);
    Tick(0);
    ASSERT_TRUE(game_->IsReplayPlaying());
    for (int i = 0; i < 300 && game_->IsReplayPlaying(); ++i) Tick(0);
    EXPECT_EQ(Scenes(), "CReplayDataSelect") << "no save offer over a slot: the play was not recorded";
    EXPECT_FALSE(game_->IsReplayRecordRequested());
    EXPECT_FALSE(game_->IsPlayEnded());
    Tick(0, 3);
    EXPECT_EQ(Scenes(), "CReplayDataSelect");
    EXPECT_EQ(ReadDataFile("data/replay/data1.dat").size(), 26u + 400u) << "the slot is untouched";

    // Slot 2 holds a practice-room header: shown unplayable, refused, and its frames never reach the list.
    Press(kDown);
    Tick(kDecide);
    Tick(0);
    EXPECT_EQ(Scenes(), "CReplayDataSelect");
    EXPECT_FALSE(game_->IsReplayPlaying());
    EXPECT_EQ(game_->ReplayPlayed().GetFrameCount(), 0);
    EXPECT_EQ(game_->Pool(POOL_REPLAY)->GetCount(), 0u) << "the player task ended at once";
    Tick(0, 30);
    EXPECT_EQ(Scenes(), "CReplayDataSelect");
    EXPECT_EQ(game_->Pool(POOL_PLAYER)->GetCount(), 0u);
}

TEST_F(MenusTest, TheOptionMenuTogglesOnSingleButtonsAndWritesSetupIniOnClose) {
    std::ofstream("setup.ini") << "FullScreen=2\nBGM=1\nSE=0\nHardDraw=1\nNAME=KAZA\n";
    game_->Settings().Load("setup.ini");
    Tick(kCancel);
    new COption();
    Tick(kCancel);
    Tick(0);
    Press(kDecide | kDown);
    Press(kLeft | kRight);
    EXPECT_EQ(Scenes(), "COption") << "two buttons at once only play the select sound";
    Press(kCancel);
    EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), "FullScreen=2\nBGM=1\nSE=0\nHardDraw=1\nNAME=KAZA\n")
        << "closing without a change keeps a stored 2";

    game_->ClearAllBut(0);
    new COption();
    Tick(0);
    Press(kRight);   // full screen 2 -> 0
    Press(kDown);
    Press(kLeft);    // music 1 -> 0
    Press(kDown);
    Press(kDecide);  // effects 0 -> 1
    Press(kDown);
    Press(kDown);    // stays on "戻る"
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CTitle");
    EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), "FullScreen=0\nBGM=0\nSE=1\nHardDraw=1\nNAME=KAZA\n");
}

TEST_F(MenusTest, TheSoundPlayerOffersPiecesByProgress) {
    new CSoundSelect();
    EXPECT_EQ(game_->Music().Current(), 0) << "the title music";
    EXPECT_EQ(CSoundSelect::SongCount(), 2);
    EXPECT_STREQ(CSoundSelect::SongTitle(0), "The Starting Point");
    EXPECT_STREQ(CSoundSelect::SongTitle(1), "Above The Cloud");
    EXPECT_STREQ(CSoundSelect::SongTitle(2), "戻る");
    const struct {
        int best, seen, count;
    } progress[] = {{1, 0, 4},       {3, 0, 8},       {3, 1, 9},      {5, 1, 9},      {-4, 0, 0},
                    {INT_MAX, 0, 9}, {INT_MAX, INT_MAX, 9}, {0, INT_MAX, 9}, {INT_MIN, 0, 0}, {INT_MIN, INT_MIN, 0}};
    for (const auto& p : progress) {
        game_->SetBestStage(p.best);
        game_->SetEndingSeen(p.seen);
        EXPECT_EQ(CSoundSelect::SongCount(), p.count) << p.best << " " << p.seen;
    }
    game_->SetBestStage(0);
    game_->SetEndingSeen(0);
    Tick(0);
    Press(kDown);
    Press(kDown);
    Press(kDown);   // already on "戻る"
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CTitle");
    EXPECT_EQ(game_->Music().Current(), 0) << "leaving plays the title music looping";
}

TEST_F(MenusTest, TheEndingIgnoresKeysBeforeItsFrame1100) {
    game_->SetReplayRecordRequested(true);
    new CEnding();
    EXPECT_EQ(game_->GetEndingSeen(), 1);
    EXPECT_EQ(game_->Pool(POOL_BACKGROUND)->GetCount(), 1u);
    for (int f = 1; f <= 1099; ++f) Tick(f % 2 ? kDecide : 0);
    EXPECT_EQ(Scenes(), "CEnding");
    Tick(0);
    Tick(kDecide);
    EXPECT_EQ(Scenes(), "CTitle");
    EXPECT_FALSE(game_->IsReplayRecordRequested());
    EXPECT_EQ(game_->Pool(POOL_BACKGROUND)->GetCount(), 0u);
}

TEST_F(MenusTest, AClearedLastStageGoesThroughTheNameEntryAndTheSaveListToTheEnding) {
    WriteDataFile("data/dat/stage3.dat", "wait 10 ; clear ;");
    game_->SetMode(1);
    game_->SetStage(3);
    game_->NewGame();
    game_->AddScore(10);
    game_->SetNameEntryNeeded(true);   // as an enemy shot down for a ranking score does
    for (int i = 0; i < 400 && !Scene<CScoreInput>(); ++i) Tick(kUp);
    ASSERT_EQ(Scenes(), "CScoreInput");
    EXPECT_TRUE(game_->IsReplayRecordRequested());
    const int frames = game_->ReplayWritten().GetFrameCount();
    EXPECT_GT(frames, 200);
    Tick(0, 2);
    Press(kRight);
    Press(kDecide);   // END
    ASSERT_EQ(Scenes(), "CReplayDataSelect");
    Press(kDecide);   // slot 1
    ASSERT_EQ(Scenes(), "CReplayDataName");
    Press(kDecide);   // the grid still stands on END
    EXPECT_EQ(Scenes(), "CEnding");
    const std::string header = "1.00\nKAZA\n" + std::to_string(frames) + "\n2000\n1\n1\n1\n0\n3\n";
    std::string slot = ReadDataFile("data/replay/data1.dat");
    EXPECT_EQ(slot.substr(0, header.size()), header);
    EXPECT_EQ(slot.substr(header.size()), std::string(size_t(frames), '\x01')) << "up, every recorded update";
    Tick(0, 1100);
    Press(kCancel);
    EXPECT_EQ(Scenes(), "CTitle");
    EXPECT_EQ(game_->GetEndingSeen(), 1);
    EXPECT_FALSE(game_->IsReplayRecordRequested());
}
