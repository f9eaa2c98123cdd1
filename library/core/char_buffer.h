// Typed characters: the character-code buffer that keeps them byte by byte,
// and the input method's composition text.
#pragma once
#include <cstdint>

#include "core/routines.h"

constexpr int kCharBufferSize = 1024;   // bytes the buffer holds at most
constexpr int kImeTextSize = 1024;

// Whether a byte begins a double-byte character in the character code
// (1 Shift-JIS, 2 the Korean code page).
inline bool CheckMultiByteChar(unsigned char c, int charCode) {
    if (charCode == 2) return c >= 0x81 && c <= 0xFE;
    return IsShiftJisLead(c);
}

int InitializeCharBuffer();
// Registers the text-input row: the buffer's start.
void RegisterTextInputSubsystem();
int StockInputChar(unsigned char c);           // 0, or -1 when full (the byte is dropped)
int CharBufferHasRoom();
// The next character's bytes (1 or 2) into out, taken out of the buffer when
// remove is set; 0 when empty or when a double-byte character is only half in.
int GetInputCharBytes(char out[2], int remove);
int GetCharCount(const char* text, int byteCount);
int IsControlChar(unsigned char c);

// The window procedure's names for the two above.
inline int AddCharToCharBuffer(int c) { return StockInputChar((unsigned char)c); }

// Input-method messages; returns the window procedure's result.
long ImeMessageProc(unsigned message, unsigned long wParam, long lParam);
inline long ImeWindowMessage(unsigned message, unsigned long wParam, long lParam) {
    return ImeMessageProc(message, wParam, lParam);
}
int SetImeOpenStatus(int flag);
int ResetCursorBlink();
// The text being composed (Shift-JIS) and its cursor in characters.
const char* GetImeCompositionText(int* cursor);
