// The library's process-wide state record. The window-system start clears
// the session part; what the caller set before start-up lives in the
// persistent part and survives.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/window_messages.h"

struct PlatformWindow;

struct SystemInfoRecord {
    char osText[256];
    char cpuName[64];
    double totalMemoryMB;
    double freeMemoryMB;
    int cpuSpeed;          // time-stamp ticks per second / 100000
    int directXVersion;
};

// Kept across the clearing at the window-system start.
struct LibraryPersistentState {
    int startupInProgress = 0;
    int windowMode = 0;                 // 1 window, 0 full screen
    double windowScale = 1.0;
    std::string title;                  // Shift-JIS
    std::string className;
    int iconId = 0;
    std::string startupDir;             // Shift-JIS, as the file functions take it
    std::string startupDirOnDisk;       // the same folder as the disk names it
    SystemInfoRecord systemInfo = {};
    int mmxFlag = 0;
    int tscFlag = 0;
    uint64_t tscRate = 0;               // time-stamp ticks per second
    int windowShown = 0;                // keeps the window visible across restyling
    int mouseDisplayFlag = 1;
    // Tests may skip the fixed waits of start-up (timer test, processor
    // speed, the 200 ms settling pass).
    int skipFixedWaits = 0;
};

// Cleared at every window-system start.
struct LibrarySessionState {
    int libraryStarted = 0;
    int ending = 0;
    int comStarted = 0;
    int perfCounterInUse = 0;
    uint64_t perfFrequency = 0;
    int osCode = 0;
    int charCode = 1;

    PlatformWindow* mainWindow = nullptr;   // null once the window is taken down
    int windowExists = 0;                   // 1 from creation until the window system ends
    uint32_t mainThreadId = 0;
    int active = 0;
    int closeRequested = 0;
    int windowDestroyed = 0;
    int closeState = 0;                 // 0 running, 1 ending, 4 closed by the user
    int windowBeingCreated = 0;
    int painting = 0;
    int64_t inactiveSince = -1;
    int inactiveWait = 0;
    int restoreNeeded = 0;
    int displayChanged = 0;
    int wheelCount = 0;
    int modeChangeRunning = 0;
    int windowStyleApplied = 0;         // the window-mode style was applied once
    PlatformRect clientRect = {0, 0, 0, 0};
    int desktopWidth = 0, desktopHeight = 0, desktopColorBits = 0;
    uint32_t timerMinPeriod = 1;
    int cursorApplied = -1;             // visibility last applied, -1 none yet
    int messageThreadStarted = 0;
    std::thread messageThread;
    int messageCounter = 0;             // survives from pass to pass
    char* droppedFiles[1000] = {};
    int droppedFileCount = 0;
};

struct LibraryState {
    LibraryPersistentState persistent;
    LibrarySessionState session;
    // Read by the message thread without the lock.
    std::atomic<uint32_t> quit{0};
    std::atomic<uint32_t> messageThreadEnded{0};
    // A program that ends without ZoVav_End: the message thread sees quit
    // after its pass and is joined, so it never runs on while the process's
    // objects are destroyed.
    ~LibraryState() {
        quit = 1;
        if (session.messageThread.joinable()) session.messageThread.join();
    }
};

extern LibraryState g_Library;

// True on the thread that started the window system.
bool IsMainThread();

// Clears the session part (the window-system start).
void ResetLibrarySession();
