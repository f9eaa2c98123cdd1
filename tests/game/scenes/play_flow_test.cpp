// The play flow driven update by update: title to a play, game over, retry and back; the pause menu; a talk.
#include <gtest/gtest.h>

#include "actors/player.h"
#include "frame/message_script.h"
#include "game/frame/game_fixture.h"
#include "scenes/command_list.h"
#include "scenes/play_flow.h"
#include "scenes/score_system.h"
#include "scenes/title.h"

using gamefix::GameTest;

namespace {
constexpr int kDown = 1, kUp = 8, kDecide = 0x10, kCancel = 0x20, kPause = 0x2000;

class FlowTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MakeGame();
    }
};
}  // namespace

TEST_F(FlowTest, TitleToAPlayToGameOverToRetryAndBack) {
    gamefix::WriteDataFile("data/dat/stage1.dat", "wait 30 ; gameover ;");
    new CTitle(false);
    Tick(0, 2);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CModeSelect");
    Press(kDown);   // NORMAL -> CRISIS
    Press(kDecide);
    EXPECT_EQ(game_->GetMode(), 3);
    EXPECT_EQ(Scenes(), "CShotSelect");
    EXPECT_EQ(game_->Pool(POOL_ENEMY)->GetCount(), 2u) << "two preview targets";
    Press(kDown);
    EXPECT_EQ(game_->Pool(POOL_PLAYER)->GetCount(), 1u) << "one style only with an empty ranking";
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CReady");
    EXPECT_EQ(game_->GetLives(), 3);
    EXPECT_EQ(game_->Pool(POOL_ENEMY)->GetCount(), 0u);
    EXPECT_EQ(game_->Pool(POOL_BACKGROUND)->GetCount(), 1u);
    Tick(0, 100);
    EXPECT_EQ(Scenes(), "CStage+CStageMessage");
    EXPECT_EQ(game_->GetStageName(), "魔女の森");
    Tick(0, 31);
    EXPECT_EQ(Scenes(), "CStageMessage+CGameOver") << "the stage scene ends with its script";
    Tick(0, 200);
    EXPECT_EQ(Scenes(), "CReTry");
    EXPECT_EQ(game_->Pool(POOL_PLAYER)->GetCount(), 0u) << "the end of a play clears every list";
    Press(kDown);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CReplayDataSelect") << "the replay save list";
    Press(kCancel);
    EXPECT_EQ(Scenes(), "CReTry") << "leaving the save list comes back";
    Press(kDown);
    Press(kDown);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CTitle");
}

TEST_F(FlowTest, AContinueKeepsTheStageAndCountsUp) {
    game_->SetMode(2);
    game_->SetStage(2);
    new CReTry();
    Tick(0, 2);
    Tick(kDecide | kDown);
    Tick(0);
    EXPECT_EQ(Scenes(), "CReady") << "decide acts before the cursor moves";
    EXPECT_EQ(game_->GetContinues(), 1);
    EXPECT_EQ(game_->GetStage(), 2);
    EXPECT_EQ(game_->GetLives(), 3);
}

TEST_F(FlowTest, ThePauseOpensOncePerPressAndStopsTheActors) {
    game_->SetMode(2);
    gamefix::WriteDataFile("data/dat/stage1.dat", "wait 1000 ; wait 1 ;");
    new CStage(1);
    CNormalPlayer* ship = new CNormalPlayer(240, 400);
    game_->SetPlayer(ship);
    Tick(0, 2);
    Tick(kPause, 5);
    EXPECT_TRUE(game_->IsPaused());
    EXPECT_EQ(game_->Pool(POOL_SCENE)->GetCount(), 3u) << "stage, stage name and one pause menu";
    Tick(kPause | 2, 5);
    EXPECT_EQ(ship->x, 240.0f) << "paused ships stand still";
    Tick(0);
    Tick(kPause, 5);
    EXPECT_FALSE(game_->IsPaused()) << "the press closes the menu and, held on, does not reopen it";
    Tick(0);
    Press(kPause);
    EXPECT_TRUE(game_->IsPaused());
    Press(kDown);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CTitle") << "back to the title without the retry menu";
}

TEST_F(FlowTest, ATalkHoldsTheScriptAndStandsStillWhilePaused) {
    game_->SetMode(2);
    game_->SetLives(3);
    gamefix::WriteDataFile("data/dat/mes9.dat", "<window>A<stop>B<stop><end>");
    gamefix::WriteDataFile("data/dat/stage1.dat", "message mes9.dat ; enemy crystal8 100 100 ; wait 1000 ; clear ;");
    new CStage(1);
    Tick(0, 3);
    EXPECT_TRUE(game_->Script().IsStop());
    EXPECT_TRUE(game_->IsAttackLocked());
    game_->SetPaused(true);
    Tick(kDecide);
    Tick(0, 4000);
    game_->SetPaused(false);
    EXPECT_EQ(game_->Messages().Tokens().size(), 7u) << "no page turned by itself while paused";
    Press(kDecide);
    Press(kDecide);
    Tick(0, 2);
    EXPECT_FALSE(game_->IsAttackLocked());
    EXPECT_EQ(game_->Pool(POOL_ENEMY)->GetCount(), 1u) << "the script went on after the talk";
}

TEST_F(FlowTest, ClearingThePracticeRoomGoesStraightToTheTitle) {
    game_->SetMode(0);
    gamefix::WriteDataFile("data/dat/room.dat", "clear ;");
    new CStage(1);
    Tick(0, 105);
    EXPECT_EQ(Scenes(), "CTitle");
}

TEST_F(FlowTest, ClearingAStageRaisesTheBestStageAndGoesOn) {
    game_->SetMode(1);
    gamefix::WriteDataFile("data/dat/stage1.dat", "clear ;");
    new CStage(1);
    Tick(0, 105);
    EXPECT_EQ(game_->GetBestStage(), 1);
    EXPECT_EQ(game_->GetStage(), 2);
    EXPECT_EQ(Scenes(), "CReady");
}

TEST_F(FlowTest, TheTitleMenuDoesNotWrapAndItsLastItemQuits) {
    new CTitle(false);
    Tick(0, 2);
    Press(kUp);
    Press(kDecide);
    EXPECT_EQ(Scenes(), "CModeSelect") << "up at the first item stays there";
    Press(kCancel);
    EXPECT_EQ(Scenes(), "CTitle");
    for (int i = 0; i < 8; ++i) Press(kDown);
    Press(kDecide);
    EXPECT_TRUE(game_->IsQuitRequested());
}

TEST_F(FlowTest, TheTitleActsOnTheItemBelowWhenDownAndDecideComeTogether) {
    new CTitle(false);
    Tick(0, 2);
    for (int i = 0; i < 4; ++i) Press(kDown);
    Tick(kDown | kDecide);
    Tick(0);
    EXPECT_TRUE(game_->IsQuitRequested()) << "the cursor moved to the last item first";
}

TEST_F(FlowTest, TheSecondShotStyleNeedsAHighScoreOf300000) {
    for (int best : {299999, 300000}) {
        game_->Scores().GetRecord(0).score = best;
        new CShotSelect();
        Tick(0, 2);
        Press(kDown);
        Press(kDecide);
        EXPECT_EQ(game_->GetShotType(), best >= 300000 ? 1 : 0) << best;
        game_->ClearAllBut(0);
    }
}

TEST_F(FlowTest, ATalkStandsStillWhileNoLifeIsLeft) {
    game_->SetMode(2);
    game_->SetLives(0);
    gamefix::WriteDataFile("data/dat/mes9.dat", "A<stop><end>");
    gamefix::WriteDataFile("data/dat/stage1.dat", "message mes9.dat ; wait 1 ;");
    new CStage(1);
    Tick(0, 2);
    Press(kDecide);
    Tick(0, 4000);
    EXPECT_TRUE(game_->Script().IsStop());
    EXPECT_TRUE(game_->IsAttackLocked());
}

TEST_F(FlowTest, ATalkTurnsItsPageOnDecideWhateverUnrecordedButtonIsHeld) {
    game_->SetMode(2);
    game_->SetLives(3);
    gamefix::WriteDataFile("data/dat/mes9.dat", "A<stop>B<stop><end>");
    gamefix::WriteDataFile("data/dat/stage1.dat", "message mes9.dat ; wait 1 ;");
    new CStage(1);
    Tick(0, 2);
    ASSERT_EQ(game_->Messages().Tokens().size(), 6u);
    Press(kDecide | 0x40 | 0x100);   // the screenshot button and one no replay keeps
    EXPECT_EQ(game_->Messages().Tokens().size(), 5u) << "one page turned";
}
