// The name entry grid: cursor moves, pages, typing and drawing of its cells.
#include "scenes/name_entry.h"

#include "frame/pad_bits.h"
#include "zovav.h"

namespace {
constexpr int kCells = 28;
}  // namespace

CNameEntry::CNameEntry(int x, int y, int maxLength, const int* font) : font_(font), x_(x), y_(y) {
    SetMaxLength(maxLength);
    for (int i = 0; i < 26; ++i) {
        characters_[0][i] = char('A' + i);
        characters_[1][i] = char('a' + i);
        // Codes 0x20 to 0x39 with "@" in place of the blank, so no blank can be typed.
        characters_[2][i] = i == 0 ? '@' : char(0x20 + i);
    }
}

void CNameEntry::Clear() {
    length_ = 0;
    text_[0] = '\0';
}

void CNameEntry::Append(char c) {
    if (length_ >= maxLength_) return;
    text_[length_++] = c;
    text_[length_] = '\0';
}

void CNameEntry::DeleteLast() {
    if (length_ < 1) return;
    text_[--length_] = '\0';
}

bool CNameEntry::Update(int input) {
    if ((input & kPadRight) && cursor_ < kCells - 1) ++cursor_;
    if ((input & kPadLeft) && cursor_ > 0) --cursor_;
    if ((input & kPadUp) && cursor_ > columns_ - 1) cursor_ -= columns_;
    if ((input & kPadDown) && cursor_ < kCells - columns_) cursor_ += columns_;
    if (input & kPadCancel) DeleteLast();   // cancel takes back the last letter
    if (!(input & kPadDecide)) return false;
    if (cursor_ == kEndCell) return true;
    if (cursor_ == kNextPageCell) {
        page_ = (page_ + 1) % 3;
        return false;
    }
    Append(characters_[page_][cursor_]);
    return false;
}

void CNameEntry::Draw() const {
    for (int i = 0; i < kCells; ++i) {
        int x = x_ + (i % columns_) * pitch_, y = y_ + (i / columns_) * pitch_;
        int colour = i == cursor_ ? GetColor(255, 200, 200) : GetColor(255, 255, 255);
        char cell[4] = {characters_[page_][i < 26 ? i : 0], '\0'};
        const char* text = i < 26 ? cell : i == kNextPageCell ? ">" : "END";
        if (font_)
            DrawFormatStringToHandle(x, y, colour, *font_, "%s", text);
        else
            DrawFormatString(x, y, colour, "%s", text);
    }
}
