// The stage script: reading commands from a scrambled file, their timing, and the file chosen per mode.
#include <gtest/gtest.h>

#include "actors/enemy_kinds.h"
#include "game/frame/game_fixture.h"
#include "scenes/command_list.h"

using gamefix::GameTest;

namespace {
class ScriptTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MakeGame();
    }
    CCommandList& Load(const std::string& text) {
        gamefix::WriteDataFile("data/dat/t.dat", text);
        game_->Script().Load("data/dat/t.dat");
        return game_->Script();
    }
};
}  // namespace

TEST_F(ScriptTest, EnemyLinesKeepTenParametersAndDropBrokenOnes) {
    struct Case {
        const char* text;
        int commands;
        std::vector<int> params;   // of the first command, when it is an enemy
    } cases[] = {
        {"enemy crystal1 100 ;", 0, {}},
        {"enemy basic 240 100 3 ;", 1, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"enemy basic 240 100 1 2 3 4 5 6 7 8 9 10 11 ;", 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"enemy nosuchkind 10 20 ;", 0, {}},
        {"enemy end 10 20 ;", 0, {}},
        {"enemy crystal8, -20: 30 ; wait", 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"music stop ; music play ; music play bgm2 ; message ; message mes1.dat ; clear ; gameover ;", 5, {}},
        {"// nothing here\n/* nor here */", 0, {}},
    };
    for (const auto& c : cases) {
        CCommandList& script = Load(c.text);
        ASSERT_EQ(script.GetCount(), c.commands) << c.text;
        if (c.params.empty()) continue;
        auto* enemy = dynamic_cast<const CEnemyCommand*>(script.GetCommand(0));
        ASSERT_NE(enemy, nullptr) << c.text;
        EXPECT_EQ(enemy->Params(), c.params) << c.text;
    }
    auto* enemy = dynamic_cast<const CEnemyCommand*>(Load("enemy crystal8 -20 30 ;").GetCommand(0));
    EXPECT_EQ(enemy->X(), -20.0f);
    EXPECT_EQ(enemy->Y(), 30.0f);
    EXPECT_EQ(enemy->Creator(), EnemyCreators[17]);
    EXPECT_NE(dynamic_cast<const CMusicStopCommand*>(Load("music stop ;").GetCommand(0)), nullptr);
}

TEST_F(ScriptTest, AWaitOfNFramesRunsTheNextCommandNPlusOneFramesLater) {
    for (int n : {0, 1, 5}) {
        CCommandList& script = Load("enemy crystal8 100 100 ; wait " + std::to_string(n) + " ; enemy crystal8 100 100 ;");
        std::vector<int> madeIn;
        for (int frame = 1; frame <= 20; ++frame) {
            int before = (int)game_->Pool(POOL_ENEMY)->GetCount();
            script.Update();
            for (int i = before; i < (int)game_->Pool(POOL_ENEMY)->GetCount(); ++i) madeIn.push_back(frame);
        }
        ASSERT_EQ(madeIn.size(), 2u);
        EXPECT_EQ(madeIn[1], madeIn[0] + (n == 0 ? 0 : n + 1)) << "wait " << n;
        EXPECT_TRUE(script.IsFinished());
        game_->Pool(POOL_ENEMY)->Clear();
    }
}

TEST_F(ScriptTest, AStoppedScriptNeitherRunsNorCountsItsWait) {
    CCommandList& script = Load("wait 2 ; enemy crystal8 100 100 ;");
    script.Update();
    script.SetStop(true);
    for (int i = 0; i < 10; ++i) script.Update();
    EXPECT_EQ(script.Wait(), 2);
    script.SetStop(false);
    for (int i = 0; i < 3; ++i) script.Update();
    EXPECT_EQ(game_->Pool(POOL_ENEMY)->GetCount(), 1u);
}

TEST_F(ScriptTest, AClearFinishesTheScriptEvenWithCommandsLeft) {
    CCommandList& script = Load("clear ; wait 10 ; enemy crystal8 100 100 ;");
    script.Update();
    EXPECT_TRUE(game_->IsStageClearShown());
    EXPECT_TRUE(script.IsFinished());
    EXPECT_TRUE(script.IsStop());
}

TEST_F(ScriptTest, TheModePicksThePracticeRoomOrTheNumberedStage) {
    gamefix::WriteDataFile("data/dat/room.dat", "wait 1 ;");
    gamefix::WriteDataFile("data/dat/stage1.dat", "wait 1 ; wait 1 ;");
    gamefix::WriteDataFile("data/dat/stage2.dat", "wait 1 ; wait 1 ; wait 1 ;");
    gamefix::WriteDataFile("data/dat/stage3.dat", "wait 1 ; wait 1 ; wait 1 ; wait 1 ;");
    gamefix::WriteDataFile("data/dat/stage0.dat", "wait 1 ; wait 1 ; wait 1 ; wait 1 ; wait 1 ;");
    struct Case {
        int mode, stage, commands;
        const char* name;
    } cases[] = {{0, 2, 1, "空の部屋"}, {1, 1, 2, "魔女の森"}, {2, 2, 3, "静寂の海"},
                 {3, 3, 4, "上の大地"}, {2, 4, 5, "無き世界"}, {2, 0, 5, "無き世界"}};
    for (const Case& c : cases) {
        game_->SetMode(c.mode);
        game_->SetStage(7);
        game_->StartStage(c.stage);
        EXPECT_EQ(game_->Script().GetCount(), c.commands) << c.mode << "/" << c.stage;
        EXPECT_EQ(game_->GetStageName(), c.name);
        EXPECT_EQ(game_->GetStage(), c.mode == 0 ? 7 : c.stage) << "the practice room keeps the stage number";
        EXPECT_EQ(game_->Pool(POOL_SCENE)->GetCount(), c.mode == 0 ? 0u : 1u) << "the stage name screen";
        game_->Pool(POOL_SCENE)->Clear();
    }
}

TEST_F(ScriptTest, AMissingScriptFinishesAtOnce) {
    game_->Script().Load("data/dat/none.dat");
    EXPECT_TRUE(game_->Script().IsFinished());
}

TEST_F(ScriptTest, MusicCommandsStartAndStopTheGamesMusic) {
    CCommandList& script = Load("music play bgm2 ; wait 1 ; music stop ; wait 1 ;");
    script.Update();
    EXPECT_EQ(game_->Music().Current(), 4) << "bgm2 is the fifth piece of the music list";
    for (int i = 0; i < 2; ++i) script.Update();
    EXPECT_EQ(game_->Music().Current(), -1);
}
