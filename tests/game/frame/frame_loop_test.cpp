// The frame loop on a scripted clock: 60 updates a second, draws dropped
// while behind, a fresh schedule after a long stall, fades that hold the
// loop one period per step, the word that an update has finished, and
// screenshots that never replace one another.
#include "game_fixture.h"

#include <fstream>
#include <map>
#include <set>

#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/scene.h"
#include "zovav_host.h"

namespace {
class FrameLoopTest : public gamefix::GameTest {
protected:
    // Runs `updates` updates; each turn of the loop takes 1 ms, and
    // stall(update) adds a jump of the clock after that update.
    void RunFor(long updates, std::function<int(long)> stall = nullptr) {
        MakeGame();
        new CScene();   // a still scene in place of the title, whose fades would move the schedule
        sys_.clock = [this, stall]() {
            long u = game_->UpdateCount();
            if (stall && u > stalledAfter_) {
                stalledAfter_ = u;
                sys_.now += stall(u);
            }
            return sys_.now;
        };
        sys_.stop = [this, updates]() {
            ++sys_.now;
            long u = game_->UpdateCount();
            if (u > seen_) {
                seen_ = u;
                startTimes_.push_back(lastTurn_);
            }
            lastTurn_ = sys_.now;
            return u >= updates;
        };
        sys_.onFlip = [this]() { drawn_.insert(game_->UpdateCount()); };
        game_->Run();
    }
    std::set<long> Undrawn(long updates) const {
        std::set<long> out;
        for (long u = 1; u <= updates; ++u)
            if (!drawn_.count(u)) out.insert(u);
        return out;
    }

    long stalledAfter_ = 0, seen_ = 0;
    int lastTurn_ = 0;
    std::vector<int> startTimes_;   // the clock when each update ran
    std::set<long> drawn_;
};
}  // namespace

TEST_F(FrameLoopTest, RunsSixtyUpdatesASecondAndDrawsEach) {
    RunFor(121);
    ASSERT_EQ(startTimes_.size(), 121u);
    // The schedule starts at 0 and keeps the fraction of a millisecond (the
    // sum of doubles may pass the whole millisecond by a hair).
    EXPECT_NEAR(startTimes_[60], 1000, 1);
    EXPECT_NEAR(startTimes_[120], 2000, 1);
    EXPECT_NEAR(startTimes_[30], 500, 1);
    EXPECT_TRUE(Undrawn(121).empty());
    // Every turn costs 1 ms here, sleeping ones too: about half the time is slept.
    EXPECT_GT(sys_.slept, 800) << "it sleeps while early instead of spinning";
}

TEST_F(FrameLoopTest, AfterAStallUpdatesCatchUpWithoutDrawing) {
    RunFor(40, [](long u) { return u == 10 ? 100 : 0; });
    EXPECT_EQ(Undrawn(40), (std::set<long>{10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(startTimes_[39], 650) << "no update is lost: update 40 keeps its time";
}

TEST_F(FrameLoopTest, FarBehindTheScheduleStartsAfresh) {
    RunFor(40, [](long u) { return u == 10 ? 1000 : 0; });
    EXPECT_EQ(Undrawn(40), (std::set<long>{10})) << "no run of updates without drawing";
    EXPECT_GE(startTimes_[10] - startTimes_[9], 1000);
    EXPECT_EQ(startTimes_[39] - startTimes_[10], 484) << "the new schedule runs at 60 a second";
}

TEST_F(FrameLoopTest, FadesHoldOnePeriodPerStepAndRestartTheClock) {
    MakeGame();
    CFader fader;
    fader.FadeIn(0);
    EXPECT_EQ(sys_.flips, 0);
    fader.FadeIn(1);
    EXPECT_EQ(sys_.flips, 2) << "brightness 0, then 255";
    sys_.flips = 0;
    sys_.slept = 0;
    fader.FadeOut(17);
    EXPECT_EQ(sys_.flips, 18);
    EXPECT_EQ(sys_.slept, 300) << "18 steps of 1000/60 ms";
}

namespace {
// A scene that reads the clock while it moves, as a fade does, and leaves in its third update.
class ClockReadingScene : public CScene {
public:
    bool Move() override {
        for (int i = 0; i < 3; ++i) Sys().NowMs();
        return ++moves_ < 3;
    }

private:
    int moves_ = 0;
};
}  // namespace

TEST_F(FrameLoopTest, EachUpdateIsReportedFinishedOnceAfterItsLastMoveAndBeforeItsDraw) {
    struct Seen {
        long update;
        uint32_t scenes;
        int flips;
    };
    std::vector<Seen> seen;
    MakeGame();
    new ClockReadingScene();
    sys_.onUpdateFinished = [&]() {
        seen.push_back({game_->UpdateCount(), game_->Pool(POOL_SCENE)->GetCount(), sys_.flips});
    };
    sys_.stop = [this]() {
        ++sys_.now;   // each turn of the loop takes 1 ms: every update on time and drawn
        return game_->UpdateCount() >= 4;
    };
    game_->Run();
    ASSERT_EQ(seen.size(), 4u) << "once per update, however often the clock is read";
    for (long u = 1; u <= 4; ++u) {
        EXPECT_EQ(seen[u - 1].update, u);
        EXPECT_EQ(seen[u - 1].flips, u - 1) << "before the update is drawn";
        EXPECT_EQ(seen[u - 1].scenes, u < 3 ? 1u : 0u) << "the scene that left in update 3 is gone";
    }
}

namespace {
// The frame loop with the library started, so that screenshots reach the disk.
class ScreenshotTest : public FrameLoopTest {
protected:
    void SetUp() override {
        FrameLoopTest::SetUp();
        HostSkipStartupWaits(1);
        HostSetVBlankImmediate(true);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
    }
    void TearDown() override {
        FrameLoopTest::TearDown();
        ZoVav_End();
    }
};
}  // namespace

TEST_F(ScreenshotTest, PicturesOfOneSecondEachKeepAFileOfTheirOwn) {
    const std::string kOld = "a picture saved before";
    for (const char* name : {"20000101000000.bmp", "20000101000000_2.bmp"})
        std::ofstream("data/screenshot/" + std::string(name), std::ios::binary) << kOld;
    // The button held: pictures in updates 1, 61 and 121; the clock's second
    // turns before the last.
    sys_.pad = kPadScreenshot;
    sys_.onUpdateFinished = [this]() { sys_.date.Sec = game_->UpdateCount() >= 100 ? 1 : 0; };
    RunFor(121);

    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("data/screenshot")) {
        std::string bytes = zvtest::ReadWholeFile(entry.path().string());
        bool picture = bytes.size() == 54u + 640u * 480u * 3u && bytes.compare(0, 2, "BM") == 0;
        files[entry.path().filename().string()] = bytes == kOld ? "old" : picture ? "new" : "broken";
    }
    EXPECT_EQ(files, (std::map<std::string, std::string>{{"20000101000000.bmp", "old"},
                                                         {"20000101000000_1.bmp", "new"},
                                                         {"20000101000000_2.bmp", "old"},
                                                         {"20000101000000_3.bmp", "new"},
                                                         {"20000101000001.bmp", "new"}}));
}
