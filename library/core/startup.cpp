// Library start-up and shutdown in their fixed order, the window-system
// layer's start and end, and the system-information log.
#include "core/startup.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/routines.h"
#include "core/subsystem.h"
#include "core/window.h"
#include "core/window_settings.h"
#include "platform/message_queue.h"
#include "platform/system_posix.h"
#include "platform/text_iconv.h"
#include "platform/window_sdl.h"

LibraryState g_Library;

namespace {
constexpr const char* kLibraryVersion = "2.23a";
constexpr const char* kDefaultClassName = "D123987X";
constexpr const char* kDefaultTitle = "ZoVav";
// The system this library behaves as: the newest one its start-up knows that
// still honours full screen.
constexpr int kOsCode = 0x107;

LibraryPersistentState& P() { return g_Library.persistent; }
LibrarySessionState& S() { return g_Library.session; }

int FailedStart() {
    ZoVav_EndImpl();
    P().startupInProgress = 0;
    return -1;
}

// Counts, over at most a second, how often each clock changes, and keeps
// the one that changes more often.
void TimerTest() {
    LibrarySessionState& s = S();
    ErrorLogAdd("タイマーの精度を検査します\n");
    int msCount = 0, counterCount = 0;
    uint32_t start = PlatformTimeMs(), lastMs = start;
    uint64_t lastCounter = PlatformPerfCounter();
    while (PlatformTimeMs() - start < 1000 && msCount < 60 && counterCount < 60) {
        if (ProcessMessageImpl() != 0) break;
        uint32_t ms = PlatformTimeMs();
        uint64_t counter = PlatformPerfCounter();
        if (ms != lastMs) ++msCount;
        if (counter != lastCounter) ++counterCount;
        lastMs = ms;
        lastCounter = counter;
    }
    ErrorLogFmtAdd("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", msCount, counterCount);
    ErrorLogAdd(" ");
    if (msCount > counterCount) {
        s.perfCounterInUse = 0;
        ErrorLogFmtAdd("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ", int(s.timerMinPeriod));
    } else {
        ErrorLogFmtAdd("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ", double(s.perfFrequency) * 0.001);
    }
    ErrorLogAdd(" ");
}

// Name of the file whose lock says that a copy of this program runs here.
std::string InstanceLockFileName() {
    std::string name;
    if (ShiftJisToUtf8(P().className.c_str(), name) != 0) name = "instance";
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return P().startupDirOnDisk + "/." + name + ".lock";
}

bool CreateMainWindow() {
    LibrarySessionState& s = S();
    int screenWidth, screenHeight;
    GetDisplayScreenSize(&screenWidth, &screenHeight);
    int x = 0, y = 0, width = screenWidth, height = screenHeight;
    bool fullScreen = !P().windowMode;
    if (P().windowMode) {
        ErrorLogAdd("ウインドウモード起動用のウインドウを作成します\n");
        GetWindowModeClientSize(&width, &height);
        int outerWidth = width, outerHeight = height;
        PlatformAdjustWindowSize(nullptr, &outerWidth, &outerHeight);
        x = (s.desktopWidth - outerWidth) / 2;
        y = (s.desktopHeight - outerHeight) / 2;
    } else {
        ErrorLogAdd("フルスクリーンモード用のウインドウを作成します\n");
    }
    s.mainWindow = PlatformCreateWindow(P().title.c_str(), x, y, width, height, fullScreen);
    if (!s.mainWindow) return false;
    s.windowExists = 1;
    ShowWindowIcon();
    PlatformShowWindow(s.mainWindow);
    return true;
}

// Every subsystem has started: the library counts as started from here.
int LibraryWindowSystemStarted() {
    S().libraryStarted = 1;
    return 0;
}
}  // namespace

void SetSkipStartupWaits(int flag) { P().skipFixedWaits = flag; }

void ResetLibrarySession() {
    if (S().messageThread.joinable()) S().messageThread.join();
    // COM is started just before this clearing; keeping its flag lets the
    // shutdown end it again.
    int comStarted = S().comStarted;
    S().~LibrarySessionState();
    new (&S()) LibrarySessionState();
    S().comStarted = comStarted;
    g_Library.quit = 0;
    g_Library.messageThreadEnded = 0;
}

void RegisterCoreSubsystems() {
    SubsystemRow com("com");
    com.start = InitializeCom;
    com.end = TerminateCom;
    RegisterSubsystem(com);

    SubsystemRow window("window");
    window.start = LibraryWindowSystemInit;
    window.started = LibraryWindowSystemStarted;
    window.end = LibraryWindowSystemEnd;
    RegisterSubsystem(window);
}

int InitializeCom() {
    if (S().comStarted) return -1;
    // Nothing on this system needs COM; the step keeps its place and its log.
    ErrorLogAdd("ＣＯＭの初期化... ");
    ErrorLogAdd("成功しました\n");
    S().comStarted = 1;
    return 0;
}

int TerminateCom() {
    if (!S().comStarted) return -1;
    ErrorLogAdd("ＣＯＭを終了... 完了\n");
    S().comStarted = 0;
    return 0;
}

int OutputSystemInfo() {
    LibraryPersistentState& p = P();
    ErrorLogAdd("システムの情報を出力します\n");
    ErrorLogTabAdd();
    char line[64];
    FormatString(line, sizeof line, "REvevev Ver%s\n", kLibraryVersion);
    ErrorLogAdd(line);

    ErrorLogAdd("ＯＳ  ");
    PlatformOsInfo os = PlatformGetOsInfo();
    S().osCode = kOsCode;
    FormatString(p.systemInfo.osText, sizeof p.systemInfo.osText, "%s ( Build %d %s )", os.name.c_str(), os.build,
                 os.service.c_str());
    ErrorLogFmtAdd("%s", p.systemInfo.osText);
    p.systemInfo.directXVersion = 0x70000;

    PlatformCpuInfo cpu = PlatformGetCpuInfo();
    p.tscFlag = cpu.hasTsc;
    if (cpu.hasTsc) {
        // Ticks of the time-stamp counter against the millisecond clock.
        uint32_t span = p.skipFixedWaits ? 10 : 100;
        uint64_t t0 = PlatformReadTsc();
        uint32_t start = PlatformTimeMs();
        while (PlatformTimeMs() - start < span) PlatformSleepMs(1);
        uint32_t elapsed = PlatformTimeMs() - start;
        uint64_t diff = PlatformReadTsc() - t0;
        p.tscRate = elapsed ? diff * 1000u / elapsed : 0;
        p.systemInfo.cpuSpeed = int(double(p.tscRate / 10) * 0.00001);
        ErrorLogFmtAdd("ＣＰＵ動作速度：大体%.2fGHz", p.systemInfo.cpuSpeed * 0.001);
    }
    // The software renderer's plain formulas are the reference, so the
    // processor's multimedia instructions are never used.
    p.mmxFlag = 0;
    if (cpu.hasCpuid) {
        ErrorLogAdd("ＭＭＸは使えません\n");
        ErrorLogAdd("ＣＰＵベンダ：");
        for (int i = 0; i < 3; ++i) {
            char piece[5] = {};
            memcpy(piece, cpu.vendor + i * 4, 4);
            ErrorLogAdd(piece);
        }
        ErrorLogAdd("\n");
        if (cpu.name[0]) {
            const char* name = cpu.name;
            while (*name == ' ') ++name;
            ErrorLogFmtAdd("ＣＰＵ名：%s", name);
            FormatString(p.systemInfo.cpuName, sizeof p.systemInfo.cpuName, "%s", name);
        }
    } else {
        ErrorLogAdd("ＣＰＵＩＤ命令は使えません\n");
    }
    ErrorLogTabSub();
    return 0;
}

int LibraryWindowSystemInit() {
    ResetLibrarySession();
    LibraryPersistentState& p = P();
    LibrarySessionState& s = S();
    s.inactiveSince = -1;

    if (p.className.empty()) p.className = p.title.empty() ? kDefaultClassName : p.title;
    s.mainThreadId = PlatformThreadId();

    uint64_t total = 0, available = 0;
    PlatformMemoryStatus(&total, &available);
    p.systemInfo.totalMemoryMB = double(total) / 1048576.0;
    p.systemInfo.freeMemoryMB = double(available) / 1048576.0;
    ErrorLogFmtAdd("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", p.systemInfo.totalMemoryMB, p.systemInfo.freeMemoryMB);

    PlatformGetDesktop(&s.desktopWidth, &s.desktopHeight, &s.desktopColorBits);

    s.perfFrequency = PlatformPerfFrequency();
    s.perfCounterInUse = s.perfFrequency != 0;
    s.timerMinPeriod = 1;
    if (s.perfCounterInUse) TimerTest();
    SRandMT(PlatformTimeMs());

    ErrorLogAdd("ソフトの二重起動検査... ");
    if (!PlatformAcquireInstanceLock(InstanceLockFileName())) {
        ErrorLogAdd("二重起動されています、ソフトを終了します\n");
        g_Library.quit = 1;
        return -1;
    }
    ErrorLogAdd("二重起動はされていませんでした\n");

    s.windowBeingCreated = 1;
    ErrorLogAdd("ウインドウクラスを登録します... ");
    ErrorLogAdd("登録に成功しました\n");
    if (p.title.empty()) p.title = kDefaultTitle;

    if (!CreateMainWindow()) {
        g_Library.quit = 1;
        ErrorLogAdd("ウインドウの作成に失敗しました\n");
        return -1;
    }
    s.closeRequested = 0;
    s.windowDestroyed = 0;
    s.active = 1;
    if (!p.windowMode) {
        ErrorLogAdd("カーソルを不可視にしました\n");
        PlatformShowCursor(false);
        ErrorLogAdd("ＩＭＥを無効にしました\n");
    } else {
        s.clientRect = PlatformGetClientRect(s.mainWindow);
    }
    s.charCode = 1;
    SetMouseDisplayFlag(p.windowMode ? 1 : 0);
    s.ending = 0;

    PlatformRaiseWindow(s.mainWindow);
    if (!p.skipFixedWaits) {
        uint32_t start = PlatformTimeMs();
        while (PlatformTimeMs() - start < 200) ProcessMessageImpl();
    }
    FitMainWindowToClientSize();
    s.windowBeingCreated = 0;

    try {
        s.messageThread = std::thread(MessageThreadProc);
        s.messageThreadStarted = 1;
    } catch (const std::system_error&) {
        ErrorLogAdd("ProcessMessage をひたすら呼びつづけるスレッドの立ち上げに失敗しました\n");
    }
    return 0;
}

int LibraryWindowSystemEnd() {
    LibrarySessionState& s = S();
    if (!s.windowExists) return 0;
    SetMouseDisplayFlag(1);
    if (!s.closeRequested) {
        s.closeRequested = 1;
        PostWindowMessage(WM_CLOSE, 0, 0);
    }
    while (ProcessMessageImpl() == 0) {
    }
    FreeDroppedFiles();
    if (s.messageThreadStarted) {
        while (!g_Library.messageThreadEnded) PlatformSleepMs(1);
        s.messageThread.join();
        s.messageThreadStarted = 0;
    }
    DestroyMainWindow();
    s.windowExists = 0;
    ClearMessages();
    PlatformReleaseInstanceLock();
    PlatformVideoStop();
    return 0;
}

int ZoVav_InitImpl() {
    LibraryPersistentState& p = P();
    p.startupInProgress = 1;
    InitializeZVArchiveManager();
    SetFileAccessFunctions(nullptr);

    char dir[ZV_PATH_MAX] = {};
    PlatformGetCurrentDir(p.startupDirOnDisk);
    if (FileGetDir(dir) == 0 && dir[0]) p.startupDir = dir;
    else p.startupDir.clear();
    LogFileInitialize();

    if (CheckSubsystemSettings() < 0) {
        p.startupInProgress = 0;
        return -1;
    }
    OutputSystemInfo();
    InitializeStreamFunctionTables();

    if (StartSubsystems() < 0) return FailedStart();
    p.startupInProgress = 0;
    return 0;
}

int ZoVav_EndImpl() {
    LibrarySessionState& s = S();
    s.ending = 1;
    s.closeState = 1;
    EndSubsystems();
    s.libraryStarted = 0;
    // With no window left there is nothing to pump.
    while (s.windowExists && ProcessMessageImpl() == 0 && !g_Library.quit) {
    }
    if (!P().startupDir.empty()) FileSetDir(P().startupDir.c_str());
    TerminateZVArchiveManager();
    ZvReleaseKeptBlocks();
    ZvDumpAlloc();
    return 0;
}

void ZoVav_FatalError(const char* text) {
    ErrorLogAdd(text);
    ErrorLogAdd("\n");
    ZoVav_EndImpl();
    DestroyLibraryLock();
    fflush(nullptr);
    _Exit(-1);
}

void ZoVav_FatalErrorFmt(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(buffer, sizeof buffer, format, args);
    va_end(args);
    ZoVav_FatalError(buffer);
}
