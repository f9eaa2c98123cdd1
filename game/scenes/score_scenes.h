// The score scenes: the ranking screen of the title menu and the name entry of a play that ranks.
#pragma once
#include <string>

#include "scenes/scene.h"

class CScoreDraw : public CScene {
public:
    bool Move() override;
    void Draw() override;

private:
    uint8_t held_ = 1;
};

class CScoreInput : public CScene {
public:
    explicit CScoreInput(int score);
    bool Move() override;
    void Draw() override;

private:
    uint8_t held_ = 1;
    std::string name_;
    uint8_t active_ = 0;
    int rank_ = 0;
};
