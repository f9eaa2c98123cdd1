// Key tests: key codes, the once-per-millisecond read, the lazy start and
// its failures, the key-table mode, and the key table against SDL's keys.
#include <cstring>
#include <set>
#include <string>

#include "fake_input_source.h"
#include "input/key_table.h"
#include "zovav.h"

namespace {
TEST_F(InputTest, CheckHitKeyAnswersForValidCodesOnly) {
    g_fake.SetKey(DIK_Z, true);
    g_fake.SetKey(0xFF, true);
    g_fake.SetKey(0x00, true);
    Tick();
    const struct { int code, expected; } kCases[] = {
        {DIK_Z, 1}, {DIK_X, 0}, {0xFF, 1}, {0x00, 1}, {-1, 0}, {256, 0}, {DIK_Z | 0x100, 0}, {0x7FFFFFFF, 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(CheckHitKey(c.code), c.expected) << c.code;
}

TEST_F(InputTest, KeyboardIsReadOncePerTickUnlessItSignals) {
    ASSERT_EQ(InitializeInput(), 0);
    g_fake.signalOnChange = false;
    g_fake.SetKey(DIK_Z, true);
    EXPECT_EQ(CheckHitKey(DIK_Z), 1) << "the first read after the start is made in the start's tick";
    EXPECT_EQ(g_fake.keyboardReads, 1);
    g_fake.SetKey(DIK_Z, false);
    EXPECT_EQ(CheckHitKey(DIK_Z), 1) << "same tick: the last state";
    EXPECT_EQ(GetJoypadInputState(0x1000), 0x10);
    EXPECT_EQ(g_fake.keyboardReads, 1);
    Tick();
    EXPECT_EQ(CheckHitKey(DIK_Z), 0);
    EXPECT_EQ(g_fake.keyboardReads, 2);
    g_fake.SetKey(DIK_Z, true);
    EXPECT_EQ(CheckHitKey(DIK_Z), 0) << "same tick, no signal";
    g_fake.signalled = true;   // the keyboard reports a change
    EXPECT_EQ(CheckHitKey(DIK_Z), 1);
    EXPECT_EQ(g_fake.keyboardReads, 3);
    EXPECT_FALSE(g_fake.signalled) << "the signal is taken back after the read";
}

// The first query starts the input and answers with the keys as they are:
// a start that ends early must not make Escape read as held.
TEST_F(InputTest, FirstQueryStartsTheInputAndAnswersTheRealState) {
    const struct { const char* name; int notificationResult; int initResult; bool escapeDown; } kCases[] = {
        {"good start, Escape up", 0, 0, false},
        {"good start, Escape down", 0, 0, true},
        {"keyboard signalling fails, Escape up", -1, 1, false},
        {"keyboard signalling fails, Escape down", -1, 1, true},
    };
    for (const auto& c : kCases) {
        TearDown();
        SetUp();
        g_fake.notificationResult = c.notificationResult;
        g_fake.SetKey(DIK_ESCAPE, c.escapeDown);
        EXPECT_EQ(CheckHitKey(DIK_ESCAPE), c.escapeDown ? 1 : 0) << c.name;
        EXPECT_EQ(g_Input.mode, InputMode::Device) << c.name;
        EXPECT_EQ(g_fake.starts, 1) << c.name;
        Tick();
        EXPECT_EQ(GetJoypadInputState(0x1001), c.escapeDown ? 0x1000 : 0) << c.name;
    }
    // The early end is the start's own answer.
    TearDown();
    SetUp();
    g_fake.notificationResult = -1;
    EXPECT_EQ(InitializeInput(), 1);
    EXPECT_EQ(InitializeInput(), 0) << "already started";
}

// Without a mouse or a keyboard the library cannot go on: the program ends.
TEST_F(InputTest, MissingMouseOrKeyboardEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct { const char* name; int FakeInput::*result; } kCases[] = {
        {"mouse", &FakeInput::mouseResult},
        {"keyboard", &FakeInput::keyboardResult},
        {"keyboard acquiring", &FakeInput::acquireResult},
    };
    for (const auto& c : kCases) {
        g_fake = FakeInput{};
        g_fake.*c.result = -1;
        EXPECT_EXIT(InitializeInput(), ::testing::ExitedWithCode(255), "") << c.name;
    }
}

TEST_F(InputTest, NothingStartsWhileTheWindowCloses) {
    g_Library.session.closeRequested = 1;
    g_fake.SetKey(DIK_ESCAPE, true);
    EXPECT_EQ(CheckHitKey(DIK_ESCAPE), 0);
    EXPECT_EQ(GetJoypadInputState(0x1001), 0);
    EXPECT_EQ(g_Input.mode, InputMode::NotStarted);
    EXPECT_EQ(g_fake.starts, 0);
    g_Library.session.closeRequested = 0;
}

TEST_F(InputTest, AfterTheEndTheNextQueryStartsAgain) {
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(TerminateInput(), 0);
    EXPECT_EQ(g_Input.mode, InputMode::NotStarted);
    g_fake.SetKey(DIK_SPACE, true);
    EXPECT_EQ(CheckHitKey(DIK_SPACE), 1);
    EXPECT_EQ(g_fake.starts, 2);
}

// Without the device layer the keys come through the key table: only the
// table's keys exist, and both Enter keys make one virtual key.
TEST_F(InputTest, KeyTableModeReadsOnlyTheTablesKeys) {
    g_fake.startResult = -1;
    ASSERT_EQ(InitializeInput(), 0);
    ASSERT_EQ(g_Input.mode, InputMode::JoystickFunctions);
    const struct { int down, asked, expected; } kCases[] = {
        {DIK_RETURN, DIK_RETURN, 1},      {DIK_RETURN, DIK_NUMPADENTER, 1}, {DIK_NUMPADENTER, DIK_RETURN, 1},
        {DIK_LSHIFT, DIK_LSHIFT, 1},      {DIK_F12, DIK_F12, 1},            {DIK_GRAVE, DIK_GRAVE, 0},
        {DIK_LWIN, DIK_LWIN, 0},          {DIK_Z, DIK_Z, 1},                {DIK_YEN, DIK_YEN, 1},
    };
    for (const auto& c : kCases) {
        g_fake.SetKey(c.down, true);
        Tick();
        EXPECT_EQ(CheckHitKey(c.asked), c.expected) << std::hex << c.down << " asked " << c.asked;
        g_fake.SetKey(c.down, false);
    }

    // A later start does not try the device layer again.
    TerminateInput();
    g_fake.startResult = 0;
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(g_Input.mode, InputMode::JoystickFunctions);
    EXPECT_EQ(g_fake.starts, 1);
}

TEST(InputKeyTable, HasItsTwoSections) {
    int first = 0, second = 0, *count = &first;
    const KeyToDIK* p = KeyToDIKTable;
    for (; p->virtualKey != kKeyTableEnd; ++p) {
        if (p->virtualKey == kKeyTableSectionEnd) {
            EXPECT_EQ(p->keyCode, 0);
            count = &second;
            continue;
        }
        ++*count;
    }
    EXPECT_EQ(first, 72);
    EXPECT_EQ(second, 27);
    EXPECT_EQ(p->keyCode, kKeyTableEnd);
}

// Every key code of the table has a key on the board, and that key is the
// one the virtual key names (the punctuation keys differ by layout and only
// need a key).
TEST(InputKeyTable, EveryEntryIsTheSdlKeyItsVirtualKeyNames) {
    auto expectedName = [](int vk) -> std::string {
        if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
        if (vk >= 0x60 && vk <= 0x69) return "Keypad " + std::to_string(vk - 0x60);
        if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x6F);
        switch (vk) {
            case 0x25: return "Left";       case 0x26: return "Up";          case 0x27: return "Right";
            case 0x28: return "Down";       case 0x2E: return "Delete";      case 0x1B: return "Escape";
            case 0x20: return "Space";      case 0x08: return "Backspace";   case 0x09: return "Tab";
            case 0x6A: return "Keypad *";   case 0x6B: return "Keypad +";    case 0x6D: return "Keypad -";
            case 0x6E: return "Keypad .";   case 0x6F: return "Keypad /";    case 0xA0: return "Left Shift";
            case 0xA1: return "Right Shift"; case 0xA2: return "Left Ctrl";  case 0xA3: return "Right Ctrl";
            case 0x21: return "PageUp";     case 0x22: return "PageDown";    case 0x23: return "End";
            case 0x24: return "Home";       case 0x2D: return "Insert";      case 0xA4: return "Left Alt";
            case 0xA5: return "Right Alt";  case 0x91: return "ScrollLock";  case 0x14: return "CapsLock";
            case 0x13: return "Pause";
            default: return "";
        }
    };
    bool secondSection = false;
    int checked = 0;
    for (const KeyToDIK* p = KeyToDIKTable; p->virtualKey != kKeyTableEnd; ++p) {
        if (p->virtualKey == kKeyTableSectionEnd) {
            secondSection = true;
            continue;
        }
        const char* name = PlatformKeyCodeName(p->keyCode);
        ASSERT_NE(name, nullptr) << "key code 0x" << std::hex << p->keyCode << " has no key";
        std::string expected = expectedName(p->virtualKey);
        if (p->virtualKey == 0x0D) expected = secondSection ? "Keypad Enter" : "Return";
        if (expected.empty()) continue;
        EXPECT_EQ(name, expected) << "virtual key 0x" << std::hex << p->virtualKey;
        ++checked;
    }
    EXPECT_EQ(checked, 99 - 11);
}

TEST(InputKeyTable, KeyCodesOutsideTheBoardHaveNoKey) {
    for (int code : {0x00, 0x54, 0x5A, 0xFF}) EXPECT_EQ(PlatformKeyCodeName(code), nullptr) << code;
    EXPECT_EQ(PlatformKeyCodeName(-1), nullptr);
    EXPECT_EQ(PlatformKeyCodeName(1000), nullptr);
}

TEST(InputKeyTable, VirtualKeysFollowEveryKeyCodeTheyStandFor) {
    uint8_t keys[256] = {}, virtualKeys[256];
    keys[DIK_NUMPADENTER] = 0x80;
    keys[DIK_LSHIFT] = 0x80;
    keys[DIK_GRAVE] = 0x80;   // not in the table
    VirtualKeyStateFromKeyCodes(keys, virtualKeys);
    for (int vk = 0; vk < 256; ++vk) {
        int expected = (vk == 0x0D || vk == 0xA0) ? 0x80 : 0;
        EXPECT_EQ(virtualKeys[vk], expected) << "virtual key " << vk;
    }
}
}  // namespace
