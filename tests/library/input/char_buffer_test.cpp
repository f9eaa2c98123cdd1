// The character-code buffer: capacity, wrap-around, double-byte characters
// that arrive half, control characters, the window procedure's way in, and
// the composition text of text input.
#include <gtest/gtest.h>

#include <string>

#include "core/char_buffer.h"
#include "core/library_state.h"
#include "core/window.h"
#include "platform/input_sdl.h"
#include "platform/message_queue.h"

namespace {
class InputCharBuffer : public ::testing::Test {
protected:
    void SetUp() override {
        g_Library.session.charCode = 1;
        ClearMessages();
        InitializeCharBuffer();
    }
    // Everything that can be taken out, one character per string.
    std::vector<std::string> Drain() {
        std::vector<std::string> out;
        char bytes[2];
        for (int n; (n = GetInputCharBytes(bytes, 1)) > 0;) out.emplace_back(bytes, size_t(n));
        return out;
    }
    void Dispatch() {
        PlatformMessage m;
        while (TakeMessage(&m)) WndProc(m.message, m.wParam, m.lParam);
    }
};

TEST_F(InputCharBuffer, Holds1024BytesAndRefusesTheNext) {
    for (int i = 0; i < kCharBufferSize; ++i) ASSERT_EQ(StockInputChar('a' + i % 26), 0) << i;
    EXPECT_EQ(CharBufferHasRoom(), 0);
    EXPECT_EQ(StockInputChar('!'), -1);
    char bytes[2];
    ASSERT_EQ(GetInputCharBytes(bytes, 1), 1);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(CharBufferHasRoom(), 1);
    EXPECT_EQ(StockInputChar('!'), 0);
    auto rest = Drain();
    ASSERT_EQ(rest.size(), size_t(kCharBufferSize));
    EXPECT_EQ(rest.front(), "b");
    EXPECT_EQ(rest.back(), "!") << "the refused byte never got in";
}

TEST_F(InputCharBuffer, KeepsOrderAcrossTheWrap) {
    std::string in, out;
    for (int round = 0; round < 7; ++round) {
        for (int i = 0; i < 700; ++i) {
            char c = char('0' + (round * 700 + i) % 75);
            ASSERT_EQ(StockInputChar((unsigned char)c), 0);
            in += c;
        }
        for (const auto& s : Drain()) out += s;
    }
    EXPECT_EQ(out, in);
}

TEST_F(InputCharBuffer, DoubleByteCharacterWaitsForItsSecondByte) {
    StockInputChar('x');
    StockInputChar(0x82);
    char bytes[2] = {'?', '?'};
    ASSERT_EQ(GetInputCharBytes(bytes, 1), 1);
    EXPECT_EQ(GetInputCharBytes(bytes, 1), 0) << "a lone lead byte is not returned";
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(GetInputCharBytes(bytes, 1), 0) << "and stays";
    StockInputChar(0xA0);
    StockInputChar('y');
    // Peeking twice gives the same character; taking it moves on.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(GetInputCharBytes(bytes, 0), 2);
        EXPECT_EQ((unsigned char)bytes[0], 0x82);
        EXPECT_EQ((unsigned char)bytes[1], 0xA0);
    }
    ASSERT_EQ(GetInputCharBytes(bytes, 1), 2);
    ASSERT_EQ(GetInputCharBytes(bytes, 0), 1);
    EXPECT_EQ(bytes[0], 'y');
    EXPECT_EQ(GetInputCharBytes(nullptr, 1), 1) << "no out bytes: still taken";
    EXPECT_EQ(GetInputCharBytes(bytes, 1), 0);
}

TEST_F(InputCharBuffer, LeadBytesFollowTheCharacterCode) {
    const struct { int charCode; unsigned char byte; bool lead; } kCases[] = {
        {1, 0x81, true},  {1, 0x9F, true},  {1, 0xA0, false}, {1, 0xDF, false}, {1, 0xE0, true},
        {1, 0xFC, true},  {1, 0xFD, false}, {1, 0x80, false}, {2, 0xA0, true},  {2, 0xFE, true},
        {2, 0xFF, false}, {2, 0x80, false},
    };
    for (const auto& c : kCases) {
        g_Library.session.charCode = c.charCode;
        InitializeCharBuffer();
        StockInputChar(c.byte);
        EXPECT_EQ(GetInputCharBytes(nullptr, 0), c.lead ? 0 : 1)
            << "code " << c.charCode << " byte " << int(c.byte);
    }
}

TEST_F(InputCharBuffer, ControlCharactersAreSingleBytes) {
    for (int c = 0; c < 256; ++c) {
        bool control = c == 16 || c == 28 || c == 29 || c == 30 || c == 31;
        EXPECT_EQ(IsControlChar((unsigned char)c), control ? 1 : 0) << c;
    }
    StockInputChar(29);
    StockInputChar(0x82);
    StockInputChar(0xA0);
    auto got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], std::string(1, char(29)));
}

TEST_F(InputCharBuffer, CountsCharactersNotBytes) {
    const struct { const char* text; int bytes, chars; } kCases[] = {
        {"a\x82\xA0" "b", 4, 3}, {"\x82\xA0", 1, 1}, {"ab\0cd", 5, 2}, {"", 3, 0}, {"abc", 0, 0},
        {"\x82", 4, 1},
    };
    for (const auto& c : kCases) EXPECT_EQ(GetCharCount(c.text, c.bytes), c.chars) << c.bytes;
    EXPECT_EQ(GetCharCount(nullptr, 10), 0);
}

// Typed characters and editing keys reach the buffer through the window
// procedure.
TEST_F(InputCharBuffer, WindowProcedureStoresTypedCharactersAndEditingKeys) {
    const struct { uint32_t message; uintptr_t wParam; std::string stored; } kCases[] = {
        {WM_CHAR, 'a', "a"},          {WM_CHAR, 10, "\r"},          {WM_CHAR, 13, "\r"},
        {WM_CHAR, 8, "\b"},           {WM_CHAR, 27, "\x1B"},        {WM_CHAR, 5, ""},
        {WM_CHAR, 0x82, ""},          {WM_KEYDOWN, VK_LEFT, "\x1D"}, {WM_KEYDOWN, VK_RIGHT, "\x1C"},
        {WM_KEYDOWN, VK_UP, "\x1E"},  {WM_KEYDOWN, VK_DOWN, "\x1F"}, {WM_KEYDOWN, VK_DELETE, "\x10"},
        {WM_KEYDOWN, 'A', ""},
    };
    for (const auto& c : kCases) {
        InitializeCharBuffer();
        WndProc(c.message, c.wParam, 0);
        std::string got;
        for (const auto& s : Drain()) got += s;
        EXPECT_EQ(got, c.stored) << c.message << " " << c.wParam;
    }
    // A full buffer takes no editing key either.
    InitializeCharBuffer();
    for (int i = 0; i < kCharBufferSize; ++i) StockInputChar('z');
    WndProc(WM_KEYDOWN, VK_LEFT, 0);
    auto all = Drain();
    EXPECT_EQ(all.size(), size_t(kCharBufferSize));
    EXPECT_EQ(all.back(), "z");
}

TEST_F(InputCharBuffer, CompositionTextComesFromTextEditing) {
    int cursor = -1;
    PlatformTextEditing(u8"かな", 1);
    Dispatch();
    EXPECT_STREQ(GetImeCompositionText(&cursor), "\x82\xA9\x82\xC8");
    EXPECT_EQ(cursor, 1);

    // Longer than the composition buffer: cut whole characters, cursor kept inside.
    std::string longText;
    for (int i = 0; i < 600; ++i) longText += u8"あ";
    PlatformTextEditing(longText.c_str(), 600);
    Dispatch();
    EXPECT_EQ(std::string(GetImeCompositionText(&cursor)).size(), 1022u);
    EXPECT_EQ(cursor, 511);

    PlatformTextEditing("", 0);
    Dispatch();
    EXPECT_STREQ(GetImeCompositionText(&cursor), "");
    EXPECT_EQ(cursor, 0);
    // Nothing of the composition went into the buffer: finished text comes as characters.
    EXPECT_TRUE(Drain().empty());

    // Text with no Shift-JIS form shows as nothing rather than as bytes.
    PlatformTextEditing(u8"\U0001F600", 1);
    Dispatch();
    EXPECT_STREQ(GetImeCompositionText(nullptr), "");
}
}  // namespace
