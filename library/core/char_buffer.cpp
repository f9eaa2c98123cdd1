// The character-code buffer of typed characters and the input method's
// composition text from SDL's text editing.
#include "core/char_buffer.h"

#include <cstring>
#include <string>

#include "core/library_state.h"
#include "core/log.h"
#include "core/subsystem.h"
#include "platform/input_sdl.h"
#include "platform/system_posix.h"
#include "platform/window_messages.h"

namespace {
constexpr int kRingSize = kCharBufferSize + 1;   // one place stays free
constexpr int kBlinkPeriodMs = 500;
constexpr int kColorCount = 12;

// Keys that edit text become these characters; none of them starts a
// double-byte character.
constexpr unsigned char kControlChars[] = {16, 29, 28, 30, 31};

int PackColor(int red, int green, int blue) { return (red << 16) | (green << 8) | blue; }

struct CharBufferState {
    unsigned char ring[kRingSize];
    int writePos, readPos;
    char compositionText[kImeTextSize];
    char compositionClause[kImeTextSize];
    int compositionCursor;      // characters
    int imeMessageSeen;
    int imeState;
    int imeOpen;
    int colors[kColorCount];
    int blinkPeriod;
    int cursorVisible;
    uint32_t blinkStart;
};
CharBufferState g_chars;

int Next(int pos) { return pos + 1 == kRingSize ? 0 : pos + 1; }
bool Full() { return Next(g_chars.writePos) == g_chars.readPos; }

void SetColors() {
    static const int kRgb[kColorCount][3] = {
        {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 255, 255}, {255, 255, 255},
        {255, 0, 0},     {255, 255, 20}, {0, 0, 0},      {0, 0, 0},     {0, 0, 0},
        {255, 255, 0},   {0, 0, 0},
    };
    for (int i = 0; i < kColorCount; ++i) g_chars.colors[i] = PackColor(kRgb[i][0], kRgb[i][1], kRgb[i][2]);
}

// Copies the composition without cutting a double-byte character in two.
void StoreComposition(const std::string& text) {
    const int charCode = g_Library.session.charCode;
    size_t n = 0;
    while (n < text.size()) {
        size_t step = CheckMultiByteChar((unsigned char)text[n], charCode) ? 2 : 1;
        if (n + step > size_t(kImeTextSize - 1) || n + step > text.size()) break;
        n += step;
    }
    memcpy(g_chars.compositionText, text.data(), n);
    g_chars.compositionText[n] = 0;
}
}  // namespace

int InitializeCharBuffer() {
    ErrorLogAdd("文字コードバッファの初期化を行います... ");
    g_chars = CharBufferState{};
    SetColors();
    g_chars.blinkPeriod = kBlinkPeriodMs;
    g_chars.cursorVisible = 1;
    ErrorLogAdd("完了しました\n");
    return 0;
}

int StockInputChar(unsigned char c) {
    if (Full()) return -1;
    g_chars.ring[g_chars.writePos] = c;
    g_chars.writePos = Next(g_chars.writePos);
    return 0;
}

int CharBufferHasRoom() { return Full() ? 0 : 1; }

int GetInputCharBytes(char out[2], int remove) {
    char bytes[2] = {0, 0};
    int count = 0;
    const int start = g_chars.readPos;
    if (start != g_chars.writePos) {
        int pos = start;
        unsigned char first = g_chars.ring[pos];
        pos = Next(pos);
        bytes[0] = char(first);
        count = 1;
        if (!IsControlChar(first) && CheckMultiByteChar(first, g_Library.session.charCode)) {
            if (pos == g_chars.writePos) {
                bytes[0] = 0;
                count = 0;    // the second byte is still to come
            } else {
                bytes[1] = char(g_chars.ring[pos]);
                pos = Next(pos);
                count = 2;
            }
        }
        if (count && remove) g_chars.readPos = pos;
    }
    if (out) {
        out[0] = bytes[0];
        out[1] = bytes[1];
    }
    return count;
}

int GetCharCount(const char* text, int byteCount) {
    if (!text) return 0;
    const int charCode = g_Library.session.charCode;
    int chars = 0;
    for (int i = 0; i < byteCount && text[i];) {
        bool pair = CheckMultiByteChar((unsigned char)text[i], charCode) && i + 1 < byteCount && text[i + 1];
        i += pair ? 2 : 1;
        ++chars;
    }
    return chars;
}

int IsControlChar(unsigned char c) {
    for (unsigned char k : kControlChars)
        if (k == c) return 1;
    return 0;
}

// SDL's text input gives the finished text as typed characters (WM_CHAR), so
// only the composition passes through here; SDL offers no candidate list.
long ImeMessageProc(unsigned message, unsigned long wParam, long lParam) {
    g_chars.imeMessageSeen = 1;
    ResetCursorBlink();
    switch (message) {
        case WM_IME_STARTCOMPOSITION:
            g_chars.compositionText[0] = 0;
            g_chars.compositionCursor = 0;
            break;
        case WM_IME_COMPOSITION: {
            std::string text;
            int cursor = 0;
            PlatformGetComposition(&text, &cursor);
            StoreComposition(text);
            const int length = GetCharCount(g_chars.compositionText, kImeTextSize);
            g_chars.compositionCursor = cursor > length ? length : cursor;
            g_chars.compositionClause[0] = 0;
            break;
        }
        case WM_IME_ENDCOMPOSITION:
            g_chars.compositionText[0] = 0;
            g_chars.compositionCursor = 0;
            break;
        case WM_IME_NOTIFY:
            g_chars.imeOpen = PlatformTextInputOn() ? 1 : 0;
            break;
        default:
            break;
    }
    return 0;
}

int SetImeOpenStatus(int flag) {
    PlatformSetTextInput(flag == 1);
    return 0;
}

int ResetCursorBlink() {
    g_chars.blinkStart = PlatformTimeMs();
    g_chars.cursorVisible = 1;
    return 0;
}

const char* GetImeCompositionText(int* cursor) {
    if (cursor) *cursor = g_chars.compositionCursor;
    return g_chars.compositionText;
}

void RegisterTextInputSubsystem() {
    SubsystemRow row("text");
    row.start = InitializeCharBuffer;
    RegisterSubsystem(row);
}
