// Input devices: start and end of the keyboard, mouse and up to eight pads,
// pad reads into their records, re-acquiring on activation, pad vibration,
// and the input's row in the subsystem table.
#include <cstring>

#include "core/library_state.h"
#include "core/log.h"
#include "core/subsystem.h"
#include "core/window.h"
#include "input/input_core.h"
#include "input/input_state.h"
#include "platform/window_sdl.h"

InputState g_Input;

namespace {
constexpr int kAxisRange = 1000;
constexpr int kDeadZone = 2500;          // of 10000: a quarter of the travel
constexpr int kFullVibrationPower = 10000;
constexpr uint32_t kPovCentred = 0xFFFFFFFF;

uint32_t Now() { return Source().TimeMs(); }

void ClearInputState() {
    int deviceLayerMissing = g_Input.deviceLayerMissing;
    g_Input = InputState{};
    g_Input.deviceLayerMissing = deviceLayerMissing;
}

// The D-pad moves the stick's axes to their ends, so a pad whose sticks are
// unused still steers.
void ApplyDpad(JoypadState& s, uint8_t dpad) {
    if (dpad & PAD_DPAD_LEFT) s.lX = -kAxisRange;
    else if (dpad & PAD_DPAD_RIGHT) s.lX = kAxisRange;
    if (dpad & PAD_DPAD_UP) s.lY = -kAxisRange;
    else if (dpad & PAD_DPAD_DOWN) s.lY = kAxisRange;
}

// The device layer reports the sticks raw.
void StoreDeviceState(JoypadData& pad, const PlatformPadState& raw) {
    JoypadState& s = pad.state;
    s = JoypadState{};
    s.lX = DeviceAxisToRange(raw.axes[PAD_AXIS_X], true);
    s.lY = DeviceAxisToRange(raw.axes[PAD_AXIS_Y], true);
    s.lZ = DeviceAxisToRange(raw.axes[PAD_AXIS_Z], true);
    s.lRx = DeviceAxisToRange(raw.axes[PAD_AXIS_RX], false);
    s.lRy = DeviceAxisToRange(raw.axes[PAD_AXIS_RY], false);
    s.lRz = DeviceAxisToRange(raw.axes[PAD_AXIS_RZ], true);
    ApplyDpad(s, raw.dpad);
    for (uint32_t& pov : s.rgdwPOV) pov = kPovCentred;
    memcpy(s.rgbButtons, raw.buttons, sizeof s.rgbButtons);
}

void StoreJoystickState(JoypadData& pad, const PlatformPadState& raw) {
    JoypadState& s = pad.state;
    s = JoypadState{};
    s.lX = JoystickAxisToRange(raw.axes[PAD_AXIS_X] + 32768);
    s.lY = JoystickAxisToRange(raw.axes[PAD_AXIS_Y] + 32768);
    if (pad.zAndR) {
        s.lZ = JoystickAxisToRange(raw.axes[PAD_AXIS_Z] + 32768);
        s.lRz = JoystickAxisToRange(raw.axes[PAD_AXIS_RZ] + 32768);
    }
    ApplyDpad(s, raw.dpad);
    // The joystick functions report 24 buttons.
    memcpy(s.rgbButtons, raw.buttons, 24);
}

int StartJoystickFunctions() {
    const PlatformInputSource& src = Source();
    int attached = src.PadCount();
    g_Input.padCount = 0;
    for (int id = 0; id < kMaxJoypads && id < attached; ++id) {
        PlatformPadInfo info{};
        if (src.OpenPad(id, id, &info) != 0) break;
        JoypadData& pad = g_Input.pads[id];
        pad.device = 1;
        pad.zAndR = 1;    // the source always reports all six axes
        ++g_Input.padCount;
    }
    ErrorLogFmtAdd("パッドの数は %d 個です", g_Input.padCount);
    g_Input.mode = InputMode::JoystickFunctions;
    ErrorLogAdd("入力関連の初期化をしました\n");
    return 0;
}

// Tries the device layer the way the library asks for its two versions.
bool StartDeviceLayer() {
    const PlatformInputSource& src = Source();
    ErrorLogAdd("DirectInput関係初期化処理\n");
    ErrorLogAdd("DirectInput7 の取得中... ");
    int result = src.Start();
    if (result == 0) {
        ErrorLogAdd("成功\n");
        ErrorLogAdd("引き続き初期化処理... ");
        ErrorLogAdd("初期化成功\n");
        return true;
    }
    ErrorLogAdd("取得に失敗。\n");
    ErrorLogFmtAdd("エラーコード 0x%x", unsigned(result));
    ErrorLogAdd("DirectInput8 の取得を試みます...");
    ErrorLogAdd("取得に失敗。");
    ErrorLogAdd("DirectInput を使用しません。\n");
    return false;
}

void ReleaseKeyboardAndMouse() {
    const PlatformInputSource& src = Source();
    if (g_Input.keyboard) src.CloseKeyboard();
    if (g_Input.mouse) src.CloseMouse();
    g_Input.keyboard = g_Input.mouse = 0;
}

[[noreturn]] void FailDevice(const char* text) {
    ReleaseKeyboardAndMouse();
    Source().End();
    g_Input.mode = InputMode::NotStarted;
    ZoVav_FatalError(text);
}

void StopAllEffects() {
    for (int i = 0; i < g_Input.padCount; ++i) {
        JoypadData& pad = g_Input.pads[i];
        if ((pad.constantForceRunning || pad.sineRunning) && pad.device) Source().SetPadEffects(i, 0, 0);
        pad.constantForceRunning = pad.sineRunning = 0;
    }
}
// The inner stop: no wait for the window, so the periodic vibration timing
// may call it from inside a message pass.
void StopPadVibration(int index) {
    JoypadData& pad = g_Input.pads[index];
    if (!pad.device || !pad.constantForceEffect || !pad.vibrationOn) return;
    pad.vibrationOn = 0;
    pad.vibrationPower = kFullVibrationPower;
    ApplyJoypadVibrationActivity();
}

void OnInputActivation(ActivationEvent* event) {
    // A display that gave up its screen leaves the devices as they are.
    if (!event->screenLost) RefreshInputDevices();
    ApplyJoypadVibrationActivity();
}

void UpdateVibrationOnMainThread() { UpdateJoypadVibration(); }

intptr_t InputWindowMessage(uint32_t message, uintptr_t wParam, intptr_t, bool* handled) {
    if (message != WM_INPUT_FLAG1 && message != WM_INPUT_FLAG2) return 0;
    *handled = true;
    int& flag = message == WM_INPUT_FLAG1 ? g_Input.messageFlag1 : g_Input.messageFlag2;
    flag = wParam == 1 ? 1 : 0;
    return 0;
}
}  // namespace

void RegisterInputSubsystem() {
    SubsystemRow row("input");
    row.start = InitializeInput;
    row.end = TerminateInput;
    row.mainThreadWork = UpdateVibrationOnMainThread;
    row.onActivate = OnInputActivation;
    row.windowMessage = InputWindowMessage;
    RegisterSubsystem(row);
}

int DeviceAxisToRange(int raw, bool deadZone) {
    if (raw < -32768) raw = -32768;
    if (raw > 32767) raw = 32767;
    // Each half has its own length so both ends reach the range exactly.
    const int full = raw < 0 ? 32768 : 32767;
    const int magnitude = raw < 0 ? -raw : raw;
    const int dead = deadZone ? int(int64_t(full) * kDeadZone / 10000) : 0;
    if (magnitude <= dead) return 0;
    int value = int(int64_t(magnitude - dead) * kAxisRange / (full - dead));
    return raw < 0 ? -value : value;
}

int JoystickAxisToRange(int v) {
    if (v <= 0) return -kAxisRange;
    if (v == 32767) return 0;
    if (v >= 65535) return kAxisRange;
    if (v < 24576) return kAxisRange * (v - 24576) / 24576;
    if (v <= 40960) return 0;
    return kAxisRange * (v - 40960) / 24576;
}

int InitializeInput() {
    if (g_Input.mode != InputMode::NotStarted) return 0;
    ClearInputState();
    if (g_Input.deviceLayerMissing || !StartDeviceLayer()) {
        g_Input.deviceLayerMissing = 1;
        return StartJoystickFunctions();
    }
    const PlatformInputSource& src = Source();
    g_Input.mode = InputMode::Device;

    LibrarySessionState& session = g_Library.session;
    PlatformRaiseWindow(session.mainWindow);
    ProcessMessageImpl();
    SetupJoypads();

    ErrorLogAdd("マウスデバイスの初期化... ");
    if (src.OpenMouse() != 0) FailDevice("マウスデバイスの取得に失敗しました");
    g_Input.mouse = 1;
    ErrorLogAdd("初期化成功\n");
    g_Input.lastKeyboardRead = Now();

    ErrorLogAdd("キーボードデバイスの初期化... ");
    if (src.OpenKeyboard() != 0) FailDevice("キーボードデバイスの取得に失敗しました");
    g_Input.keyboard = 1;
    if (src.SetKeyboardNotification(1) != 0) {
        ErrorLogAdd("キーボードイベントのセットアップが失敗しました\n");
        return 1;
    }
    g_Input.keyboardNotification = 1;
    if (src.AcquireKeyboard() != 0 && src.AcquireKeyboard() != 0)
        FailDevice("キーボードデバイスの取得に失敗しました");
    ErrorLogAdd("初期化成功\n");
    g_Input.lastKeyboardRead = Now();
    ErrorLogAdd("DirectInput 関連の初期化は正常に終了しました\n");
    return 0;
}

int TerminateInput() {
    const PlatformInputSource& src = Source();
    switch (g_Input.mode) {
        case InputMode::NotStarted:
            return 0;
        case InputMode::JoystickFunctions:
            ErrorLogAdd("入力関連の終了処理... 完了\n");
            for (int i = 0; i < g_Input.padCount; ++i) src.ClosePad(i);
            g_Input.padCount = 0;
            break;
        case InputMode::Device:
            ErrorLogAdd("DirectInput 関連の終了処理... 完了\n");
            ReleaseJoypads();
            if (g_Input.keyboardNotification) src.SetKeyboardNotification(0);
            ReleaseKeyboardAndMouse();
            src.End();
            break;
    }
    g_Input.keyboardNotification = 0;
    g_Input.mode = InputMode::NotStarted;
    return 0;
}

int SetupJoypads() {
    if (g_Input.mode != InputMode::Device) return -1;
    ReleaseJoypads();
    ErrorLogAdd("ジョイパッドの初期化... \n");
    g_Input.padCount = 0;
    int attached = Source().PadCount();
    for (int device = 0; device < attached; ++device)
        if (!EnumJoypadCallback(device)) break;
    ErrorLogAdd("ジョイパッドの初期化は正常に終了しました\n");
    return 0;
}

int ReleaseJoypads() {
    if (g_Input.mode != InputMode::Device) return -1;
    for (int i = 0; i < g_Input.padCount; ++i) {
        JoypadData& pad = g_Input.pads[i];
        if (pad.device) {
            if (pad.constantForceRunning || pad.sineRunning) Source().SetPadEffects(i, 0, 0);
            Source().ClosePad(i);
        }
        pad = JoypadData{};
    }
    g_Input.padCount = 0;
    return 0;
}

// One attached device: 1 to go on with the next, 0 once eight pads are in.
int EnumJoypadCallback(int device) {
    if (g_Input.padCount >= kMaxJoypads) return 0;
    ErrorLogAdd("入力装置を見つけました\n");
    const int slot = g_Input.padCount;
    PlatformPadInfo info{};
    if (Source().OpenPad(device, slot, &info) != 0) {
        ErrorLogAdd("入力装置の取得に失敗しました\n");
        return 1;
    }
    JoypadData& pad = g_Input.pads[slot];
    pad = JoypadData{};
    memcpy(pad.instanceName, info.instanceName, sizeof pad.instanceName);
    memcpy(pad.productName, info.productName, sizeof pad.productName);
    pad.instanceName[kPlatformPadNameSize - 1] = pad.productName[kPlatformPadNameSize - 1] = 0;
    ErrorLogTabAdd();
    ErrorLogFmtAdd("デバイスの登録名:%s", pad.instanceName);
    ErrorLogFmtAdd("デバイスの製品登録名:%s", pad.productName);
    ErrorLogTabSub();
    // Both effects need the pad's motors.
    pad.sineEffect = info.rumbles ? 1 : 0;
    pad.constantForceEffect = info.rumbles ? 1 : 0;
    if (!pad.constantForceEffect) ErrorLogAdd("周期的エフェクトの作成に失敗しました。\n");
    pad.vibrationOn = 0;
    pad.vibrationPower = kFullVibrationPower;
    pad.device = 1;
    for (uint32_t& pov : pad.state.rgdwPOV) pov = kPovCentred;
    ++g_Input.padCount;
    ErrorLogAdd("ジョイパッドの追加は正常に終了しました\n");
    return g_Input.padCount < kMaxJoypads ? 1 : 0;
}

// Pads are polled devices: they never signal a change, so a pad is read at
// most once per millisecond tick.
int UpdateJoypadState(int padIndex) {
    if (padIndex < 0 || padIndex >= kMaxJoypads) return -1;
    JoypadData& pad = g_Input.pads[padIndex];
    if (g_Input.mode == InputMode::NotStarted || !pad.device) return 0;
    const uint32_t now = Now();
    if (now == pad.lastReadTime) return 0;
    pad.lastReadTime = now;

    const PlatformInputSource& src = Source();
    PlatformPadState raw{};
    if (g_Input.mode == InputMode::JoystickFunctions) {
        if (src.ReadPad(padIndex, &raw) != 0) {
            pad.state = JoypadState{};
            return 0;
        }
        StoreJoystickState(pad, raw);
        return 0;
    }
    if (src.ReadPad(padIndex, &raw) == 0) {
        StoreDeviceState(pad, raw);
        return 0;
    }
    // A lost pad gets one more try after the messages; it keeps its last state.
    if (ProcessMessageImpl() != 0 || g_Input.mode != InputMode::Device) return -1;
    if (src.ReadPad(padIndex, &raw) == 0) StoreDeviceState(pad, raw);
    return 0;
}

int RefreshInputDevices() {
    if (g_Input.mode != InputMode::Device) return 0;
    // Pads need no re-acquiring here; the keyboard is taken again.
    if (g_Input.keyboard) Source().AcquireKeyboard();
    return 0;
}

int UpdateJoypadVibration() {
    if (g_Input.mode != InputMode::Device) return 0;
    const uint32_t now = Now();
    for (int i = 0; i < g_Input.padCount; ++i) {
        JoypadData& pad = g_Input.pads[i];
        if (!pad.vibrationOn || !pad.device || pad.vibrationDuration < 0 || pad.vibrationLastTime == now) continue;
        if (now < pad.vibrationLastTime) pad.vibrationLastTime = now;
        pad.vibrationElapsed += int(now - pad.vibrationLastTime);
        pad.vibrationLastTime = now;
        if (pad.vibrationElapsed >= pad.vibrationDuration) StopPadVibration(i);
    }
    return ApplyJoypadVibrationActivity();
}

int ApplyJoypadVibrationActivity() {
    if (g_Input.mode != InputMode::Device) return 0;
    if (!GetActiveFlag()) {
        StopAllEffects();
        return 0;
    }
    for (int i = 0; i < g_Input.padCount; ++i) {
        JoypadData& pad = g_Input.pads[i];
        if (!pad.device) continue;
        bool changed = false;
        if (pad.constantForceEffect && pad.vibrationOn != pad.constantForceRunning) {
            pad.constantForceRunning = pad.vibrationOn;
            changed = true;
        }
        // The periodic motor joins only above half power.
        int wanted = pad.vibrationOn == 1 && pad.vibrationPower > kFullVibrationPower / 2 ? 1 : 0;
        if (pad.sineEffect && wanted != pad.sineRunning) {
            pad.sineRunning = wanted;
            changed = true;
        }
        if (changed) Source().SetPadEffects(i, pad.constantForceRunning, pad.sineRunning);
    }
    return 0;
}

int CancelJoypadVibration(int padNumber) {
    ProcessMessageWhileInactive();
    if (!EnsureInputStarted() || g_Input.mode != InputMode::Device) return 0;
    const int index = (padNumber & ~0x1000) - 1;
    if (index < 0 || index >= g_Input.padCount) return 0;
    StopPadVibration(index);
    return 0;
}

bool EnsureInputStarted() {
    if (g_Input.mode == InputMode::NotStarted && !GetWindowCloseFlag()) InitializeInput();
    return g_Input.mode != InputMode::NotStarted;
}
