// The letter grid with which a name is typed on the pad: 26 characters of the current page, a next-page cell
// and an end cell.
#pragma once
#include <string>

class CNameEntry {
public:
    // font points at a font handle owned elsewhere; null draws with the default font.
    CNameEntry(int x, int y, int maxLength, const int* font);

    void SetPosition(int x, int y) {
        x_ = x;
        y_ = y;
    }
    void SetColumns(int n) { columns_ = n; }
    // Kept below the text's room (31 characters and its terminator).
    void SetMaxLength(int n) { maxLength_ = n < 0 ? 0 : n > kTextRoom - 1 ? kTextRoom - 1 : n; }
    void Clear();
    std::string GetText() const { return text_; }
    void Append(char c);
    void DeleteLast();
    // One accepted press; true when the end cell was decided.
    bool Update(int input);
    void Draw() const;

    int Cursor() const { return cursor_; }
    int Page() const { return page_; }
    int MaxLength() const { return maxLength_; }
    static constexpr int kNextPageCell = 26, kEndCell = 27;

private:
    static constexpr int kTextRoom = 32;

    int cursor_ = kNextPageCell;
    int page_ = 0;
    const int* font_;
    int x_, y_;
    char text_[kTextRoom] = {};
    int length_ = 0;
    int maxLength_;
    char characters_[3][26];
    int columns_ = 7;
    int pitch_ = 20;
};
