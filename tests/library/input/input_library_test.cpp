// The input inside a running library, each run in a child process of its own:
// start and end with their log lines, the main thread's key-state overlay,
// and real key presses under a private X server.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/lock.h"
#include "core/startup.h"
#include "platform/message_queue.h"
#include "fake_input_source.h"
#include "zovav.h"
#include "zv_test_support.h"
#include "zv_xserver.h"

namespace {
// Runs body in a forked child and returns its exit code (128 + signal when
// it died or hung). The child never returns into the test runner.
int RunInChild(const std::function<int()>& body) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        alarm(zvtest::kHangSeconds);
        int code = body();
        fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The child's start: the fake input with one pad (prepare sets it and the
// keys up), a window, the library.
int StartWithOneFakePad(const std::function<void()>& prepare) {
    SetSkipStartupWaits(1);
    g_fake = FakeInput{};
    g_fake.devices.emplace_back();
    prepare();
    PlatformSetInputSource(fake::Source());
    ChangeWindowMode(1);
    return ZoVav_Init();
}

TEST(InputInLibrary, StartsAndEndsWithTheLibraryAndOverlaysTheMainThreadsKeys) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    int code = RunInChild([] {
        const int started = StartWithOneFakePad([] {
            g_fake.devices[0].state.buttons[9] = 0x80;
            g_fake.SetKey(DIK_NUMPADENTER, true);
        });
        if (started != 0) return 10;
        ++g_fake.now;
        // The keypad's Enter is also VK_RETURN on the main thread.
        if (CheckHitKey(DIK_NUMPADENTER) != 1) return 11;
        if (CheckHitKey(DIK_RETURN) != 1) return 12;
        if (GetJoypadInputState(0x1001) != 0x2000) return 13;
        if (ZoVav_End() != 0) return 14;
        return 0;
    });
    std::string log = zvtest::ReadWholeFile(dir.path() + "/Log.txt");
    ASSERT_EQ(code, 0) << log;
    zvtest::ExpectInOrder(log, {
        "DirectInput関係初期化処理\r\n",
        "DirectInput7 の取得中... 成功\r\n",
        "引き続き初期化処理... 初期化成功\r\n",
        "ジョイパッドの初期化... \r\n",
        "入力装置を見つけました\r\n",
        "\tデバイスの登録名:Fake Pad\r\n",
        "\tデバイスの製品登録名:Fake Pad product\r\n",
        "ジョイパッドの追加は正常に終了しました\r\n",
        "ジョイパッドの初期化は正常に終了しました\r\n",
        "マウスデバイスの初期化... 初期化成功\r\n",
        "キーボードデバイスの初期化... 初期化成功\r\n",
        "DirectInput 関連の初期化は正常に終了しました\r\n",
        "文字コードバッファの初期化を行います... 完了しました\r\n",
        "DirectInput 関連の終了処理... 完了\r\n",
    });
}

TEST(InputInLibrary, WithoutTheDeviceLayerTheStartSaysSo) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    int code = RunInChild([] {
        SetSkipStartupWaits(1);
        g_fake = FakeInput{};
        g_fake.startResult = -1;
        g_fake.devices.resize(2);
        PlatformSetInputSource(fake::Source());
        ChangeWindowMode(1);
        if (ZoVav_Init() != 0) return 10;
        ZoVav_End();
        return 0;
    });
    std::string log = zvtest::ReadWholeFile(dir.path() + "/Log.txt");
    ASSERT_EQ(code, 0) << log;
    zvtest::ExpectInOrder(log, {
        "DirectInput7 の取得中... 取得に失敗。\r\n",
        "DirectInput8 の取得を試みます...取得に失敗。DirectInput を使用しません。\r\n",
        "パッドの数は 2 個です\r\n",
        "入力関連の初期化をしました\r\n",
        "入力関連の終了処理... 完了\r\n",
    });
}

// A timed vibration that runs out while the window is inactive and a close is
// pending: the message thread's pass must not wait for the window (it cannot
// pump it), and the main thread then closes the program.
TEST(InputInLibrary, TimedVibrationEndingWhileInactiveAndClosingLetsTheProgramEnd) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    int code = RunInChild([] {
        if (StartWithOneFakePad([] {}) != 0) return 10;
        LockLibrary();
        JoypadData& pad = g_Input.pads[0];
        pad.vibrationOn = 1;
        pad.vibrationDuration = 20;
        pad.vibrationElapsed = 0;
        pad.vibrationLastTime = g_fake.now;
        g_fake.now += 100;
        g_Library.session.active = 0;
        g_Library.session.closeRequested = 1;
        PostWindowMessage(WM_CLOSE, 0, 0);
        UnlockLibrary();
        // Long enough for several passes of the message thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        int passes = 0;
        while (ProcessMessage() == 0)
            if (++passes > 1000) return 11;
        if (g_Input.pads[0].vibrationOn != 0) return 12;
        if (ZoVav_End() != 0) return 13;
        return 0;
    });
    EXPECT_EQ(code, 0) << zvtest::ReadWholeFile(dir.path() + "/Log.txt");
}

// ---- real keys under a private X server ------------------------------------

constexpr int kNoLibraryOnX = 77;

// Polls the library until the pad word and the key test agree with what is
// expected, or about five seconds pass.
bool WaitForKeys(int word, int zDown) {
    for (int i = 0; i < 500; ++i) {
        ProcessMessage();
        if (GetJoypadInputState(0x1001) == word && CheckHitKey(DIK_Z) == zDown) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(InputInLibrary, RealKeyPressesReachTheKeyTestsAndThePadWord) {
    if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is needed";
    zvtest::XServer x;
    if (!x.Start()) GTEST_SKIP() << "no X server could be started (Xvfb is needed)";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string display = x.display();
    int code = RunInChild([&] {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        SetSkipStartupWaits(1);
        ChangeWindowMode(1);
        SetMainWindowText("zvinputkeys");
        if (ZoVav_Init() != 0) return kNoLibraryOnX;
        for (int i = 0; i < 10; ++i) ProcessMessage();
        // No window manager runs: the window is given the focus directly.
        if (system("timeout 10 xdotool search --sync --name '^zvinputkeys$' windowfocus --sync") != 0) return 20;
        if (!WaitForKeys(0, 0)) return 21;
        if (system("xdotool keydown z Left") != 0) return 22;
        bool down = WaitForKeys(0x12, 1);
        system("xdotool keyup z Left");
        if (!down) return 23;
        if (!WaitForKeys(0, 0)) return 24;
        ZoVav_End();
        return 0;
    });
    if (code == kNoLibraryOnX) GTEST_SKIP() << "the library could not open its window on " << display;
    EXPECT_EQ(code, 0) << zvtest::ReadWholeFile(dir.path() + "/Log.txt");
}
}  // namespace
