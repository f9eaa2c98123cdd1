// The score table: the default file, broken files, insertion and number text.
#include "game_fixture.h"

#include <sstream>

#include "scenes/score_system.h"

namespace {
std::string DefaultBlock() { return "0\n-1\n-1\n0\n0\n0\n0\n----------\n"; }

std::string Table(int records, const std::string& lastName = "----------\n") {
    std::string text = "KLOV_SYSTEM\n";
    for (int i = 0; i < records; ++i)
        text += i + 1 < records ? DefaultBlock() : "5\n1\n0\n2000\n1\n1\n60\n" + lastName;
    return text;
}

class ScoreTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories("data/score"); }
    // The exit status when loading ends the program, -1 when it does not.
    int Load(std::unique_ptr<CScoreSystem>& out) {
        try {
            out = std::make_unique<CScoreSystem>();
        } catch (const gamefix::ExitCalled& e) {
            return e.status;
        }
        return -1;
    }
    zvtest::ScopedTempDir dir_;
    gamefix::FakeSystem sys_;
};
}  // namespace

TEST_F(ScoreTest, AMissingFileIsWrittenWithTenDefaultRecords) {
    std::unique_ptr<CScoreSystem> s;
    ASSERT_EQ(Load(s), -1);
    std::string text = gamefix::ReadDataFile(ScoreFilePath);
    std::string expected = "KLOV_SYSTEM\n";
    for (int i = 0; i < 10; ++i) expected += DefaultBlock();
    EXPECT_EQ(text, expected);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 81);
    EXPECT_EQ(s->GetRecord(9).name, "----------");
    EXPECT_TRUE(sys_.boxes.empty());
}

TEST_F(ScoreTest, BrokenFilesEndTheProgramWithError3) {
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty file", ""},
        {"wrong first line", "KLOV\n" + DefaultBlock()},
        {"fewer than ten records", Table(4)},
        {"a record cut before its name", Table(10).substr(0, Table(10).size() - 11)},
        {"a record cut inside its numbers", Table(10).substr(0, Table(10).size() - 14)},
        {"a name of 101 characters", Table(10, std::string(101, 'n') + "\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gamefix::WriteDataFile(ScoreFilePath, c.text);
        sys_.boxes.clear();
        std::unique_ptr<CScoreSystem> s;
        EXPECT_EQ(Load(s), 1);
        ASSERT_EQ(sys_.boxes.size(), 1u);
        EXPECT_EQ(sys_.boxes[0].caption, "エラー発生 ID=003");
        EXPECT_EQ(sys_.boxes[0].text, "スコアファイルが壊れています。");
        EXPECT_EQ(gamefix::ReadDataFile(ScoreFilePath), c.text) << "the broken file is left as it is";
    }
}

TEST_F(ScoreTest, GoodFilesLoadWhateverTheNames) {
    const struct {
        const char* what;
        std::string text;
        std::string lastName;
    } cases[] = {
        {"a player named err", Table(10, "err\n"), "err"},
        {"a name of 100 characters", Table(10, std::string(100, 'n') + "\n"), std::string(100, 'n')},
        {"a last name without its line feed", Table(3, "end"), "end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gamefix::WriteDataFile(ScoreFilePath, c.text);
        std::unique_ptr<CScoreSystem> s;
        ASSERT_EQ(Load(s), -1);
        int last = c.text.size() < Table(10).size() - 20 ? 2 : 9;
        EXPECT_EQ(s->GetRecord(last).name, c.lastName);
        EXPECT_EQ(s->GetRecord(last).score, 5);
        EXPECT_EQ(s->GetRecord(last).playTime, 60);
        if (last == 2) {
            EXPECT_EQ(s->GetRecord(3).name, "----------") << "records past the end keep the default";
        }
    }
}

TEST_F(ScoreTest, InsertMovesLaterRecordsDownAndDropsTheLast) {
    std::unique_ptr<CScoreSystem> s;
    ASSERT_EQ(Load(s), -1);
    for (int i = 0; i < 10; ++i) s->GetRecord(i).score = 100 - i;
    ScoreRecord r;
    r.score = 500;
    s->Insert(0, r);
    EXPECT_EQ(s->GetRecord(0).score, 500);
    EXPECT_EQ(s->GetRecord(1).score, 100);
    EXPECT_EQ(s->GetRecord(9).score, 92);
    r.score = 7;
    s->Insert(9, r);
    EXPECT_EQ(s->GetRecord(8).score, 93);
    EXPECT_EQ(s->GetRecord(9).score, 7);

    ASSERT_TRUE(s->SaveScoreFile());
    std::unique_ptr<CScoreSystem> again;
    ASSERT_EQ(Load(again), -1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(again->GetRecord(i).score, s->GetRecord(i).score);
}

TEST(NumberToTextTest, WritesSignedDecimals) {
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(-5), "-5");
    EXPECT_EQ(NumberToText(300000), "300000");
    EXPECT_EQ(NumberToText(INT32_MIN), "-2147483648");
}
