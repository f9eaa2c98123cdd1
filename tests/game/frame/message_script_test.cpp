// The message script: page steps on the decide button, release before the
// next step, <clear>, cancel, the idle step and a missing file.
#include "game_fixture.h"

#include "frame/message_script.h"

namespace {
using Tokens = std::vector<std::string>;

class MessageScriptTest : public gamefix::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MakeGame();
    }
    void Load(const std::string& text) {
        gamefix::WriteDataFile("data/dat/mes1.dat", text);
        script_.Load("data/dat/mes1.dat");
    }
    // One update with this pad word.
    bool Advance(int pad) {
        game_->SetInput(pad);
        return script_.Advance();
    }
    CMessageScript script_;
};
}  // namespace

TEST_F(MessageScriptTest, EachDecidePressShowsTheNextPage) {
    Load("A<stop>B<stop><end>");
    EXPECT_EQ(script_.Tokens(), (Tokens{"A", "<stop>", "B", "<stop>", "<end>", "<end>"}));
    EXPECT_TRUE(Advance(16)) << "held over from the last screen: no step";
    EXPECT_EQ(script_.Tokens().size(), 6u);
    EXPECT_TRUE(Advance(0));
    EXPECT_TRUE(Advance(16));
    EXPECT_EQ(script_.Tokens(), (Tokens{"A", "B", "<stop>", "<end>", "<end>"})) << "A and B on one line";
    EXPECT_TRUE(Advance(16)) << "still held: no step";
    EXPECT_EQ(script_.Tokens().size(), 5u);
    EXPECT_TRUE(Advance(0));
    EXPECT_FALSE(Advance(16));
    EXPECT_TRUE(script_.Tokens().empty());
}

TEST_F(MessageScriptTest, OnlyTheDecideButtonAloneSteps) {
    Load("A<stop>B<stop>");
    for (int pad : {16 | 4, 16 | 32, 64}) {
        EXPECT_TRUE(Advance(0));
        EXPECT_TRUE(Advance(pad));
        EXPECT_EQ(script_.Tokens().size(), 5u) << "pad word " << pad;
    }
}

TEST_F(MessageScriptTest, ClearStartsTheWindowAfresh) {
    Load("A<stop><clear>B<stop>");
    Advance(0);
    EXPECT_TRUE(Advance(16));
    EXPECT_EQ(script_.Tokens(), (Tokens{"B", "<stop>", "<end>"}));
}

TEST_F(MessageScriptTest, CancelLeavesTheScriptAsItIs) {
    Load("A<stop>B<stop>");
    EXPECT_TRUE(Advance(32)) << "held from before: ignored";
    Advance(0);
    EXPECT_FALSE(Advance(32));
    EXPECT_EQ(script_.Tokens().size(), 5u);
}

TEST_F(MessageScriptTest, WhilePausedOnlyTheIdleCountSteps) {
    Load("A<stop>B<stop>");
    game_->SetPaused(true);
    Advance(0);
    for (int i = 0; i < 3599; ++i) ASSERT_TRUE(Advance(i % 2 ? 16 : 0));
    EXPECT_EQ(script_.Tokens().size(), 5u) << "decide does nothing while paused";
    EXPECT_TRUE(Advance(0));
    EXPECT_EQ(script_.Tokens().size(), 4u) << "the page moves on after 3601 updates";
}

TEST_F(MessageScriptTest, AMissingFileEndsAtTheFirstStep) {
    script_.Load("data/dat/none.dat");
    EXPECT_EQ(script_.Tokens(), Tokens{"<end>"});
    EXPECT_TRUE(Advance(0));
    EXPECT_FALSE(Advance(16));
}

TEST_F(MessageScriptTest, PortraitTagsWithNumbersAtTheIntLimitsDrawWithoutFault) {
    for (const char* number : {"-2147483648", "-1", "0", "1", "2147483647", "99999999999"}) {
        std::string n = number;
        Load("<window><img name=\"fuka\" id=\"" + n + "\" dx=\"" + n + "\" dy=\"" + n + "\" alpha=\"" + n +
             "\">A<stop><end>");
        script_.Draw();
        EXPECT_EQ(script_.Tokens().size(), 6u) << number;
    }
}
