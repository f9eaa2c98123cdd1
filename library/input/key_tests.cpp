// Key tests and the pad state word: the 256 key bytes kept current at most
// once per millisecond tick, and pads and fixed keys folded into one word.
#include <cstring>

#include "core/library_state.h"
#include "core/window.h"
#include "input/input_state.h"
#include "input/key_table.h"

namespace {
constexpr int kKeyboardInput = 0x1000;
constexpr uint8_t kDown = 0x80;

// Keyboard keys of the pad word, in the order they are tested.
struct KeyBit {
    uint8_t keyCode;
    uint8_t altKeyCode;   // 0: none
    int bit;
};
constexpr KeyBit kKeyboardBits[] = {
    {0x50, 0xD0, 0x0001}, {0x4B, 0xCB, 0x0002}, {0x4D, 0xCD, 0x0004}, {0x48, 0xC8, 0x0008},
    {0x39, 0, 0x2000},    {0x01, 0, 0x1000},    {0x2C, 0, 0x0010},    {0x2D, 0, 0x0020},
    {0x2E, 0, 0x0040},    {0x1E, 0, 0x0080},    {0x1F, 0, 0x0100},    {0x20, 0, 0x0200},
    {0x10, 0, 0x0400},    {0x11, 0, 0x0800},
};

bool IsDown(int keyCode) { return (g_Input.KeyState[keyCode] & kDown) != 0; }

int UpdateKeyboardStateDevice() {
    const PlatformInputSource& src = Source();
    const uint32_t now = src.TimeMs();
    const bool signalled = g_Input.keyboardNotification && src.KeyboardSignalled();
    if (g_Input.keyboardRead && now == g_Input.lastKeyboardRead && !signalled) return 0;
    if (ProcessMessageImpl() != 0 || g_Input.mode != InputMode::Device) return 0;

    uint8_t keys[256];
    if (src.ReadKeyboard(keys) != 0) {
        if (src.AcquireKeyboard() != 0 || src.ReadKeyboard(keys) != 0) return 0;
    }
    memcpy(g_Input.KeyState, keys, sizeof keys);
    g_Input.lastKeyboardRead = now;
    g_Input.keyboardRead = 1;
    if (g_Input.keyboardNotification) src.ResetKeyboardSignal();

    // The main thread's key state overrides the keys of the first section.
    if (IsMainThread()) {
        uint8_t virtualKeys[256];
        VirtualKeyStateFromKeyCodes(keys, virtualKeys);
        for (const KeyToDIK* p = KeyToDIKTable; p->virtualKey != kKeyTableSectionEnd; ++p)
            g_Input.KeyState[p->keyCode] = virtualKeys[p->virtualKey];
    }
    return 1;
}

int UpdateKeyboardStateFromKeyTable() {
    const PlatformInputSource& src = Source();
    const uint32_t now = src.TimeMs();
    if (g_Input.keyboardRead && now == g_Input.lastKeyboardRead) return 0;
    g_Input.lastKeyboardRead = now;
    g_Input.keyboardRead = 1;
    if (ProcessMessageImpl() != 0) return 0;

    uint8_t keys[256] = {}, virtualKeys[256];
    if (src.ReadKeyboard(keys) != 0) memset(keys, 0, sizeof keys);
    VirtualKeyStateFromKeyCodes(keys, virtualKeys);
    memset(g_Input.KeyState, 0, sizeof g_Input.KeyState);
    for (const KeyToDIK* p = KeyToDIKTable; p->virtualKey != kKeyTableEnd; ++p) {
        if (p->virtualKey == kKeyTableSectionEnd) continue;
        g_Input.KeyState[p->keyCode] = virtualKeys[p->virtualKey];
    }
    return 1;
}
}  // namespace

// The first read after a start is always made: the key bytes start cleared,
// and a query in the start's own tick must still see the keys as they are.
int UpdateKeyboardState() {
    if (g_Input.mode == InputMode::Device && g_Input.keyboard) return UpdateKeyboardStateDevice();
    if (g_Input.mode == InputMode::NotStarted) return 0;
    return UpdateKeyboardStateFromKeyTable();
}

// A failed start still answers with the keys as they are, so a broken
// keyboard set-up can never read as a held Escape.
int CheckHitKeyImpl(int keyCode) {
    ProcessMessageWhileInactive();
    if (!EnsureInputStarted()) return 0;
    if (keyCode < 0 || keyCode > 255) return 0;
    UpdateKeyboardState();
    return IsDown(keyCode) ? 1 : 0;
}

int GetJoypadInputStateImpl(int inputType) {
    const int padIndex = (inputType & ~kKeyboardInput) - 1;
    ProcessMessageWhileInactive();
    if (!EnsureInputStarted()) return 0;

    int word = 0;
    if (padIndex >= 0 && padIndex < g_Input.padCount) {
        UpdateJoypadState(padIndex);
        const JoypadState& s = g_Input.pads[padIndex].state;
        if (s.lX < 0) word |= 0x2;
        if (s.lX > 0) word |= 0x4;
        if (s.lY < 0) word |= 0x8;
        if (s.lY > 0) word |= 0x1;
        for (int i = 0; i < 24; ++i)
            if (s.rgbButtons[i] & kDown) word |= 1 << (4 + i);
    }
    if (!(inputType & kKeyboardInput)) return word;

    UpdateKeyboardState();
    for (const KeyBit& k : kKeyboardBits)
        if (IsDown(k.keyCode) || (k.altKeyCode && IsDown(k.altKeyCode))) word |= k.bit;
    return word;
}
