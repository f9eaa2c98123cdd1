// The menus that lead into a play: the title, the mode select and the shot select with its live preview.
#pragma once
#include "scenes/scene.h"

class CDemoEnemy;
class CDemoPlayer;

class CTitle : public CMenuScene {
public:
    explicit CTitle(bool fade);
    ~CTitle() override;
    bool Move() override;
    void Draw() override;

private:
    int animation_ = 0;
    int cursor_ = 0;
    int background_;
    int logo_;
};

class CModeSelect : public CMenuScene {
public:
    CModeSelect() = default;
    bool Move() override;
    void Draw() override;

private:
    int animation_ = 0;
    int cursor_ = 2;
};

class CShotSelect : public CMenuScene {
public:
    CShotSelect();
    ~CShotSelect() override;
    bool Move() override;
    void Draw() override;

private:
    int animation_ = 0;
    int cursor_ = 0;
    CDemoPlayer* previewPlayer_;
    CDemoEnemy* previewEnemies_[2];
};
