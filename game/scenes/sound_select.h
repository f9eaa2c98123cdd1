// The sound player: the game's music with a short text per piece, more pieces offered as the player gets on.
#pragma once
#include <string>
#include <vector>

#include "scenes/scene.h"

class CSoundSelect : public CScene {
public:
    CSoundSelect();
    bool Move() override;
    void Draw() override;

    // Songs offered: 2 per best stage, 1 for the ending seen, 2 from the start; at most the 9 there are.
    static int SongCount();
    static const char* SongTitle(int i);

private:
    int cursor_ = 0;
    uint8_t inputHeld_ = 1;
    std::vector<std::vector<std::string>> summaries_;
};
