// The option menu: window or full screen, music and effects on or off, written back to "setup.ini" whenever
// the menu closes.
#pragma once
#include "scenes/scene.h"

class COption : public CScene {
public:
    COption();
    ~COption() override;
    bool Move() override;
    void Draw() override;

private:
    int cursor_ = 0;
    uint8_t inputHeld_ = 1;
    // FullScreen, BGM, SE as stored digits, and the "戻る" row's unused 0.
    int values_[4] = {};
};
