// The subsystem table and the fixed orders in which start-up and shutdown
// walk it.
#include "core/subsystem.h"

#include <cstring>

namespace {
constexpr int kMaxSubsystems = 16;

struct SubsystemTable {
    SubsystemRow rows[kMaxSubsystems] = {};
    int count = 0;
    DisplayHooks display = {};
    bool registered = false;
};
SubsystemTable g_subsystems;

// The rows are registered on first use, so a setting called before
// start-up already reaches its subsystem.
SubsystemTable& Table() {
    if (!g_subsystems.registered) {
        g_subsystems.registered = true;
        RegisterLibrarySubsystems();
    }
    return g_subsystems;
}

using Hook = int (*SubsystemRow::*)();
struct Step {
    const char* name;
    Hook hook;
};

// Start-up: each subsystem starts, then the library counts as started
// ("window"), then the display finishes its part.
constexpr Step kStartOrder[] = {
    {"com", &SubsystemRow::start},     {"window", &SubsystemRow::start}, {"network", &SubsystemRow::start},
    {"input", &SubsystemRow::start},   {"sound", &SubsystemRow::start},  {"graphics", &SubsystemRow::start},
    {"text", &SubsystemRow::start},    {"window", &SubsystemRow::started},
    {"graphics", &SubsystemRow::started},
};
// Shutdown is not start-up's mirror: what runs by itself (the on-screen
// log, the network, music) stops before anything ends.
constexpr Step kEndOrder[] = {
    {"graphics", &SubsystemRow::stop}, {"network", &SubsystemRow::end}, {"sound", &SubsystemRow::stop},
    {"graphics", &SubsystemRow::end},  {"input", &SubsystemRow::end},   {"sound", &SubsystemRow::end},
    {"window", &SubsystemRow::end},    {"com", &SubsystemRow::end},
};
// The display answers activation before input, which skips its refresh when
// the display gave up its screen.
constexpr const char* kActivationOrder[] = {"graphics", "input"};

const SubsystemRow* Find(const char* name) {
    SubsystemTable& t = Table();
    for (int i = 0; i < t.count; ++i)
        if (std::strcmp(t.rows[i].name, name) == 0) return &t.rows[i];
    return nullptr;
}

int Run(const Step& step) {
    const SubsystemRow* row = Find(step.name);
    return row && row->*step.hook ? (row->*step.hook)() : 0;
}
}  // namespace

void RegisterSubsystem(const SubsystemRow& row) {
    SubsystemTable& t = g_subsystems;
    for (int i = 0; i < t.count; ++i) {
        if (std::strcmp(t.rows[i].name, row.name) == 0) {
            t.rows[i] = row;
            return;
        }
    }
    if (t.count < kMaxSubsystems) t.rows[t.count++] = row;
}

void RegisterDisplayHooks(const DisplayHooks& hooks) { g_subsystems.display = hooks; }

int CheckSubsystemSettings() {
    SubsystemTable& t = Table();
    for (int i = 0; i < t.count; ++i)
        if (t.rows[i].checkSettings && t.rows[i].checkSettings() < 0) return -1;
    return 0;
}

int StartSubsystems() {
    for (const Step& step : kStartOrder)
        if (Run(step) < 0) return -1;
    return 0;
}

void EndSubsystems() {
    for (const Step& step : kEndOrder) Run(step);
}

void RunSubsystemPeriodicWork(bool inactiveWait) {
    SubsystemTable& t = Table();
    for (int i = 0; i < t.count; ++i)
        if (t.rows[i].periodic) t.rows[i].periodic(inactiveWait);
}

void RunSubsystemMainThreadWork() {
    SubsystemTable& t = Table();
    for (int i = 0; i < t.count; ++i)
        if (t.rows[i].mainThreadWork) t.rows[i].mainThreadWork();
}

void ActivateSubsystems(ActivationEvent* event) {
    for (const char* name : kActivationOrder) {
        const SubsystemRow* row = Find(name);
        if (row && row->onActivate) row->onActivate(event);
    }
}

bool SubsystemWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) {
    SubsystemTable& t = Table();
    for (int i = 0; i < t.count; ++i) {
        if (!t.rows[i].windowMessage) continue;
        bool handled = false;
        intptr_t r = t.rows[i].windowMessage(message, wParam, lParam, &handled);
        if (handled) {
            *result = r;
            return true;
        }
    }
    return false;
}

void GetDisplayScreenSize(int* width, int* height) {
    const DisplayHooks& d = Table().display;
    *width = 640;
    *height = 480;
    if (d.screenSize) d.screenSize(width, height);
}

int ApplyDisplayWindowMode() {
    const DisplayHooks& d = Table().display;
    return d.applyWindowMode ? d.applyWindowMode() : 0;
}

void RestoreDisplayLostGraphs() {
    const DisplayHooks& d = Table().display;
    if (d.restoreLostGraphs) d.restoreLostGraphs();
}
