// The ending: the closing story, the staff roll and the play's figures scrolling over the stage pictures, left
// with a key press once the story has been shown.
#pragma once
#include "scenes/scene.h"

class CEnding : public CScene {
public:
    CEnding();
    ~CEnding() override;
    bool Move() override;
    void Draw() override;

    // Frames before which every key is ignored.
    static constexpr int kStoryFrames = 1100;

private:
    int frame_ = 0;
    uint8_t inputHeld_ = 1;
};
