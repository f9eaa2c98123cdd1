// A scripted input source: keys, pads, the clock and device failures as a
// test sets them, with counts of the device reads made.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/library_state.h"
#include "input/input_core.h"
#include "input/input_state.h"
#include "platform/input_sdl.h"

struct FakePad {
    std::string name = "Fake Pad";
    bool openFails = false;
    bool lost = false;
    bool rumbles = true;
    PlatformPadState state{};
};

struct FakeInput {
    uint32_t now = 1000;
    int startResult = 0, mouseResult = 0, keyboardResult = 0, notificationResult = 0, acquireResult = 0;
    uint8_t keys[256] = {};
    bool signalled = false;
    bool signalOnChange = true;     // a key change signals, as a real keyboard does
    std::vector<FakePad> devices;
    int slotDevice[kPlatformMaxPads] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int starts = 0, keyboardReads = 0, padReads = 0;

    void SetKey(int code, bool down) {
        keys[code] = down ? 0x80 : 0;
        if (signalOnChange) signalled = true;
    }
};
inline FakeInput g_fake;

namespace fake {
inline int Start() { ++g_fake.starts; return g_fake.startResult; }
inline void End() {}
inline uint32_t TimeMs() { return g_fake.now; }
inline int OpenMouse() { return g_fake.mouseResult; }
inline void CloseMouse() {}
inline int OpenKeyboard() { return g_fake.keyboardResult; }
inline void CloseKeyboard() {}
inline int SetKeyboardNotification(int) { return g_fake.notificationResult; }
inline int AcquireKeyboard() { return g_fake.acquireResult; }
inline int ReadKeyboard(uint8_t keys[256]) {
    ++g_fake.keyboardReads;
    memcpy(keys, g_fake.keys, 256);
    g_fake.signalled = false;
    return 0;
}
inline int KeyboardSignalled() { return g_fake.signalled; }
inline void ResetKeyboardSignal() { g_fake.signalled = false; }
inline int PadCount() { return int(g_fake.devices.size()); }
inline int OpenPad(int device, int slot, PlatformPadInfo* info) {
    if (device < 0 || device >= PadCount() || g_fake.devices[device].openFails) return -1;
    g_fake.slotDevice[slot] = device;
    snprintf(info->instanceName, sizeof info->instanceName, "%s", g_fake.devices[device].name.c_str());
    snprintf(info->productName, sizeof info->productName, "%s product", g_fake.devices[device].name.c_str());
    info->rumbles = g_fake.devices[device].rumbles;
    return 0;
}
inline void ClosePad(int slot) { g_fake.slotDevice[slot] = -1; }
inline int ReadPad(int slot, PlatformPadState* state) {
    ++g_fake.padReads;
    int device = g_fake.slotDevice[slot];
    if (device < 0 || g_fake.devices[device].lost) return -1;
    *state = g_fake.devices[device].state;
    return 0;
}
inline int SetPadEffects(int, int, int) { return 0; }

inline const PlatformInputSource* Source() {
    static const PlatformInputSource source = {
        Start,        End,           TimeMs,   OpenMouse,           CloseMouse,
        OpenKeyboard, CloseKeyboard, SetKeyboardNotification,      AcquireKeyboard,
        ReadKeyboard, KeyboardSignalled,       ResetKeyboardSignal,
        PadCount,     OpenPad,       ClosePad, ReadPad,             SetPadEffects,
    };
    return &source;
}
}  // namespace fake

// Each test starts with the input not started, the fake installed and no
// window: queries start the input themselves.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        TerminateInput();
        g_Input = InputState{};
        g_fake = FakeInput{};
        g_Library.session.closeRequested = 0;
        PlatformSetInputSource(fake::Source());
    }
    void TearDown() override {
        TerminateInput();
        g_Input = InputState{};
        PlatformSetInputSource(nullptr);
    }
    void Tick() { ++g_fake.now; }
    FakePad& AddPad() {
        g_fake.devices.emplace_back();
        return g_fake.devices.back();
    }
};
