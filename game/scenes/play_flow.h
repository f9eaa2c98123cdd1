// The scenes of one play: ready screen, stage, pause menu, stage name, message window and its watcher,
// stage clear, game over and the retry menu.
#pragma once
#include <string>

#include "scenes/scene.h"

class CReady : public CScene {
public:
    CReady();
    ~CReady() override;
    bool Move() override;
    void Draw() override;

private:
    int frame_ = 0;
    int image_;
};

class CStage : public CScene {
public:
    explicit CStage(int stage);
    bool Move() override;

private:
    int frame_ = 0;
    uint8_t pauseHeld_ = 1;
};

class CPause : public CMenuScene {
public:
    CPause();
    ~CPause() override;
    bool Move() override;
    void Draw() override;

private:
    int cursor_ = 0;
    int musicIndex_;
};

class CStageMessage : public CScene {
public:
    CStageMessage();
    ~CStageMessage() override;
    bool Move() override;
    void Draw() override;

private:
    int frame_ = 0;
    int image_;
};

class CWarning : public CScene {
public:
    explicit CWarning(const std::string& path);
    ~CWarning() override;
    bool Move() override;
    void Draw() override;
    bool IsDone() const { return done_ == 1; }

private:
    int done_ = 0;
};

// Holds the stage script while its message window is up.
class CStopWarning : public CScene {
public:
    explicit CStopWarning(CWarning* warning);
    bool Move() override;

private:
    CWarning* warning_;
};

class CStageClear : public CScene {
public:
    CStageClear();
    ~CStageClear() override;
    bool Move() override;
    void Draw() override;

private:
    int frame_ = 0;
    int image_;
};

class CGameOver : public CScene {
public:
    CGameOver();
    bool Move() override;
    void Draw() override;

private:
    int frame_ = 0;
    uint8_t newRecord_;
};

class CReTry : public CMenuScene {
public:
    CReTry();
    bool Move() override;
    void Draw() override;

private:
    int cursor_ = 0;
};
