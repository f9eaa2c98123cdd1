// Start-up and shutdown of the whole library, headless: the log they write,
// the message loop's contract, a second copy, and repeated cycles.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/alloc.h"
#include "core/library_state.h"
#include "core/lock.h"
#include "core/startup.h"
#include "core/window.h"
#include "platform/message_queue.h"
#include "platform/system_posix.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace {
class Library : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        SetSkipStartupWaits(1);
        // The window's names outlive a start and an end, as every setting
        // made before start-up does: each test begins without them.
        g_Library.persistent.title.clear();
        g_Library.persistent.className.clear();
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }
    void ExpectInOrder(const std::vector<std::string>& texts) { zvtest::ExpectInOrder(Log(), texts); }
    zvtest::ScopedTempDir dir_;
};
}  // namespace

TEST_F(Library, StartsAndEndsWithItsLogLinesInOrder) {
    ChangeWindowMode(1);
    SetMainWindowText("Velmora ver 1.000");
    ASSERT_EQ(ZoVav_Init(), 0) << Log();
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_EQ(ZoVav_End(), 0);
    // Nothing is logged before the start-up folder is known: the settings
    // made before start-up leave no line.
    EXPECT_EQ(Log().find("ChangeWindowMode"), std::string::npos);
    ExpectInOrder({
        "システムの情報を出力します\r\n",
        "\tREvevev Ver2.23a\r\n",
        "\tＯＳ  Linux",
        "ＣＯＭの初期化... 成功しました\r\n",
        "メモリ総量:",
        "タイマーの精度を検査します\r\n",
        "精度結果 更新回数 マルチメディアタイマー：",
        "パフォーマンスカウンターを使用します タイマー分解能 : 1000000.000000 KHz",
        "ソフトの二重起動検査... 二重起動はされていませんでした\r\n",
        "ウインドウクラスを登録します... 登録に成功しました\r\n",
        "ウインドウモード起動用のウインドウを作成します\r\n",
        "ウインドウを閉じようとしています\r\n",
        "ウインドウが破棄されようとしています\r\n",
        "ソフトを終了する準備が整いました\r\n",
        "ＣＯＭを終了... 完了\r\n",
        "Alloc memory dump\tTotal size:0(0.000kb)  Alloc num:0\r\n",
    });
    // Every line starts with its time stamp.
    EXPECT_TRUE(std::regex_search(Log(), std::regex("^[0-9]+:システムの情報を出力します\r\n[0-9]+:\tREvevev")));
    EXPECT_FALSE(GetLibraryLockInfo().created);
}

TEST_F(Library, ClosedWindowMakesProcessMessageReturnMinusOne) {
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    EXPECT_EQ(ProcessMessage(), 0);
    PostWindowMessage(WM_CLOSE, 0, 0);
    EXPECT_EQ(ProcessMessage(), -1);
    EXPECT_EQ(ProcessMessage(), -1);
    EXPECT_EQ(g_Library.session.closeState, 4);
    EXPECT_EQ(ZoVav_End(), 0);
    ExpectInOrder({"ウインドウを閉じようとしています\r\n", "ＣＯＭを終了... 完了\r\n", "Total size:0("});
}

TEST_F(Library, AtMostFiveMessagesAPass) {
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    LockLibrary();   // keep the message thread out while counting
    ProcessMessageImpl();
    g_Library.session.messageCounter = 0;
    int before = g_Library.session.wheelCount;
    for (int i = 0; i < 6; ++i) PostWindowMessage(WM_MOUSEWHEEL, uintptr_t(120) << 16, 0);
    EXPECT_EQ(ProcessMessageImpl(), 0);
    // All six were taken: five in the first pass, the sixth in the second.
    EXPECT_EQ(g_Library.session.wheelCount, before + 6);
    EXPECT_EQ(g_Library.session.messageCounter, 1);
    EXPECT_EQ(WndProc(WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
    UnlockLibrary();
    ZoVav_End();
}

TEST_F(Library, InactiveWindowHoldsTheMainThreadUntilActivated) {
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    PostWindowMessage(WM_ACTIVATE, 0, 0);
    PostWindowMessage(WM_ACTIVATEAPP, 0, 0);
    std::atomic<bool> activated{false};
    std::thread activator([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        activated = true;
        PostWindowMessage(WM_ACTIVATEAPP, 1, 0);
        PostWindowMessage(WM_ACTIVATE, 1, 0);
    });
    uint32_t start = PlatformTimeMs();
    EXPECT_EQ(ProcessMessage(), 0);
    EXPECT_TRUE(activated);
    EXPECT_GE(PlatformTimeMs() - start, 100u);
    EXPECT_EQ(g_Library.session.active, 1);
    activator.join();
    ZoVav_End();
}

// Drawing, loading and input calls on another thread while the window is
// inactive go on at once: waiting there would keep the library lock from the
// main thread, the only one that can make the window active again. Run in a
// child process so that a hang ends by the alarm instead of blocking the test
// program; a passing run takes no time of its own.
TEST_F(Library, CallsOnAnotherThreadWhileInactiveLeaveTheLockToTheMainThread) {
    struct Call {
        const char* name;
        std::function<int()> call;
        int result;
    };
    const std::vector<Call> calls = {
        {"DrawBox", [] { return DrawBox(0, 0, 8, 8, GetColor(255, 0, 0), 1); }, 0},
        {"SetDrawBlendMode", [] { return SetDrawBlendMode(ZV_BLEND_ALPHA, 128); }, 0},
        {"LoadGraph", [] { return LoadGraph("missing.png"); }, -1},
        {"CheckHitKey", [] { return CheckHitKey(DIK_ESCAPE); }, 0},
    };
    ChangeWindowMode(1);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(zvtest::kHangSeconds);
        if (ZoVav_Init() != 0) _exit(100);
        SetDrawScreen(SCREEN_BACK);
        LockLibrary();
        WndProc(WM_ACTIVATE, 0, 0);
        UnlockLibrary();
        for (size_t i = 0; i < calls.size(); ++i) {
            int result = -9;
            std::thread other([&] { result = calls[i].call(); });
            other.join();
            if (result != calls[i].result) _exit(int(1 + i));
        }
        if (g_Library.session.active != 0) _exit(101);
        PostWindowMessage(WM_ACTIVATEAPP, 1, 0);
        PostWindowMessage(WM_ACTIVATE, 1, 0);
        if (ProcessMessage() != 0 || g_Library.session.active != 1) _exit(102);
        ZoVav_End();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "hung: ended by signal " << WTERMSIG(status);
    const int code = WEXITSTATUS(status);
    EXPECT_EQ(code, 0) << (code >= 1 && code <= int(calls.size()) ? calls[size_t(code - 1)].name : "");
}

TEST_F(Library, SecondCopyInTheSameFolderIsRefused) {
    // Another process holding the folder's lock file is what a running copy looks like.
    int fd = open((dir_.path() + "/.ZoVav-test.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    SetMainWindowText("ZoVav-test");
    ChangeWindowMode(1);
    pid_t child = fork();
    if (child == 0) {
        int rc = ZoVav_Init();
        _exit(rc == -1 && GetQuitFlag() == 1 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ExpectInOrder({"ソフトの二重起動検査... 二重起動されています、ソフトを終了します\r\n"});
}

TEST_F(Library, TwoCyclesInOneProcess) {
    for (int cycle = 0; cycle < 2; ++cycle) {
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0) << "cycle " << cycle;
        EXPECT_EQ(ProcessMessage(), 0);
        EXPECT_EQ(ZoVav_End(), 0);
        ExpectInOrder({"Total size:0("});
    }
}

TEST_F(Library, UntitledWindowUsesTheDefaultNames) {
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    EXPECT_EQ(g_Library.persistent.className, "D123987X");
    EXPECT_EQ(g_Library.persistent.title, "ZoVav");
    ZoVav_End();
}

TEST_F(Library, ChangeWindowModeToTheCurrentModeOnlyLogs) {
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    size_t before = Log().size();
    EXPECT_EQ(ChangeWindowMode(1), 0);
    std::string added = Log().substr(before);
    EXPECT_EQ(std::regex_replace(added, std::regex("^[0-9]+:"), "T:"), "T:ChangeWindowMode実行 \r\n");
    ZoVav_End();
}

// No sound device (the machine has no card): ALSA's own error lines stay off
// the terminal, and the log says once that the library runs silent.
TEST_F(Library, WithoutASoundDeviceTheLibraryRunsSilentAndQuiet) {
    const char* previous = getenv("SDL_AUDIODRIVER");
    const std::string previousDriver = previous ? previous : "";
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    fflush(stderr);
    int savedErr = dup(2);
    int capture = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(capture, 2);
    ChangeWindowMode(1);
    int started = ZoVav_Init();
    fflush(stderr);
    dup2(savedErr, 2);
    close(savedErr);
    close(capture);
    setenv("SDL_AUDIODRIVER", previousDriver.c_str(), 1);
    ASSERT_EQ(started, 0);
    EXPECT_EQ(ProcessMessage(), 0);
    ZoVav_End();
    const std::string log = Log();
    const std::string silent = "サウンドデバイスが使えないため音を出さずに動作します\r\n";
    const size_t first = log.find(silent);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(silent, first + 1), std::string::npos) << "said once";
    EXPECT_EQ(zvtest::ReadWholeFile(dir_.path() + "/stderr.txt").find("ALSA lib"), std::string::npos);
}

// A program that exits without ZoVav_End still ends, with its own exit code.
TEST_F(Library, ExitWithoutEndStopsTheMessageThread) {
    ChangeWindowMode(1);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(zvtest::kHangSeconds);
        if (ZoVav_Init() != 0) _exit(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 3);
}
