// The table of the library's subsystems: each registers its own row, and
// start-up, shutdown, the periodic work, activation and the window messages
// walk the rows, so the core names no subsystem.
#pragma once
#include <cstdint>

// What the window procedure learns on activation; a row may mark that the
// display gave up its screen, which later rows read.
struct ActivationEvent {
    bool active;
    bool minimized;
    bool screenLost;
};

// Every hook may be null. A row is made from its name and its hooks are set
// by field name: several hooks share a type, and a list by position would
// let two of them swap unnoticed.
struct SubsystemRow {
    SubsystemRow() = default;
    explicit SubsystemRow(const char* rowName) : name(rowName) {}

    const char* name = "";
    int (*checkSettings)() = nullptr;   // before start-up logs the system; negative refuses it
    int (*start)() = nullptr;           // negative fails start-up
    int (*started)() = nullptr;         // once every subsystem has started
    int (*stop)() = nullptr;            // shutdown's first pass: stop what is running
    int (*end)() = nullptr;
    // Any thread, under the library lock: calls no window-system function
    // and never waits for the window. inactiveWait: the main thread waits
    // for the window to become active again.
    void (*periodic)(bool inactiveWait) = nullptr;
    // The main thread after each message pass.
    void (*mainThreadWork)() = nullptr;
    void (*onActivate)(ActivationEvent* event) = nullptr;
    // Sets *handled when the message is the row's; returns its result.
    intptr_t (*windowMessage)(uint32_t message, uintptr_t wParam, intptr_t lParam, bool* handled) = nullptr;
};

// Adds a row, or replaces the row of the same name.
void RegisterSubsystem(const SubsystemRow& row);
// The list of subsystems, outside the core: has each register its row.
// Called once, on the table's first use.
void RegisterLibrarySubsystems();

// Every row's settings check; -1 when one refuses start-up.
int CheckSubsystemSettings();
// Start-up's steps in order; -1 at the first step that fails.
int StartSubsystems();
// Shutdown's steps in order.
void EndSubsystems();
void RunSubsystemPeriodicWork(bool inactiveWait);
void RunSubsystemMainThreadWork();
void ActivateSubsystems(ActivationEvent* event);
// Offers a message to the rows; false when none took it.
bool SubsystemWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result);

// What the window code asks of the display, registered with its row.
struct DisplayHooks {
    void (*screenSize)(int* width, int* height);
    int (*applyWindowMode)();            // after the window mode flag changed
    void (*restoreLostGraphs)();         // after an inactive wait
};
void RegisterDisplayHooks(const DisplayHooks& hooks);
// The screen size, 640 x 480 while no display is registered.
void GetDisplayScreenSize(int* width, int* height);
int ApplyDisplayWindowMode();
void RestoreDisplayLostGraphs();
