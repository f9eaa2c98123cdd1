// The base of every screen and menu, the menu input rule, and the stage background.
#pragma once
#include <cstdint>

#include "frame/task_pools.h"

class CScene : public CPoolTask<POOL_SCENE> {
public:
    CScene() : CPoolTask(0, 0) {}

protected:
    uint8_t fadedIn = 0;
};

// A menu acts on a press only after an update with no button down; inputHeld starts set.
class CMenuScene : public CScene {
protected:
    // The pad word when the menu may act on it, else 0; call EndMove before keeping the scene.
    int Press() const { return inputHeld ? 0 : Input(); }
    void EndMove() { inputHeld = Input() != 0; }
    static int Input();
    static void PlaySelect();
    static int BobOffset(int animation);

    uint8_t inputHeld = 1;
};

class CBackGround : public CPoolTask<POOL_BACKGROUND> {
public:
    CBackGround();
    bool Move() override;
    void Draw() override;
};
