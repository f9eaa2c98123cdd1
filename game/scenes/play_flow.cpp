// The scenes of one play: ready screen, stage, pause menu, stage name, message window and its watcher,
// stage clear, game over and the retry menu.
#include "scenes/play_flow.h"

#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/message_script.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/command_list.h"
#include "scenes/replay_scenes.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<CReady>() && FitsPool<CStage>() && FitsPool<CPause>() && FitsPool<CStageMessage>() &&
              FitsPool<CWarning>() && FitsPool<CStopWarning>() && FitsPool<CStageClear>() &&
              FitsPool<CGameOver>() && FitsPool<CReTry>());

namespace {
constexpr int kFadeFrames = 17;

void DimScreen(int alpha, int x1, int y1, int x2, int y2) {
    SetDrawBlendMode(ZV_BLEND_ALPHA, alpha);
    DrawBox(x1, y1, x2, y2, GetColor(0, 0, 0), 1);
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
}

int Font(int i) { return g_game->Screen().Font(i); }

// Scenes that count during play stand still in updates that move no actor: a replay records none of those.
bool MovesThisUpdate() { return g_game->IsUpdateMovingActors(); }
int White() { return GetColor(255, 255, 255); }
}  // namespace

CReady::CReady() {
    g_game->Fader().FadeOut(kFadeFrames);
    g_game->SetBossGauge(0);
    g_game->LoadBackGround(g_game->GetStage());
    image_ = LoadGraph("data/material/ready.png");
}

// The picture goes with the scene, also when a list clear ends it early.
CReady::~CReady() { DeleteGraph(image_); }

bool CReady::Move() {
    if (++frame_ < 101) return true;
    new CStage(g_game->GetStage());
    return false;
}

void CReady::Draw() {
    DrawGraph(120, 140, image_, 1);
    if (!fadedIn) {
        g_game->Fader().FadeIn(kFadeFrames);
        fadedIn = 1;
    }
}

CStage::CStage(int stage) {
    g_game->Music().Stop();
    g_game->SoundEffects().Stop();
    g_game->StartStage(stage);
}

bool CStage::Move() {
    if (g_game->IsPaused()) return true;
    int w = g_game->GetInput();
    if ((w & kPadPause) && !pauseHeld_) new CPause();
    pauseHeld_ = (w & kPadPause) != 0;
    // The script still advances in the update in which the pause opens.
    CCommandList& script = g_game->Script();
    script.Update();
    if (!script.IsFinished()) {
        ++frame_;
        return true;
    }
    // Without a way out the player would be left on an empty field with no pause: the play ends as a game over
    // ends it (the score entry when earned, then the retry menu).
    if (!script.DeadEnd().empty()) {
        GameLog("%s。プレイを終えます", script.DeadEnd().c_str());
        g_game->GameOverReset();
    }
    return false;
}

CPause::CPause() {
    g_game->SetPaused(true);
    g_game->SoundEffects().Stop();
    musicIndex_ = g_game->Music().Current();
    g_game->Music().Stop();
}

CPause::~CPause() {
    g_game->SetPaused(false);
    if (musicIndex_ != -1) g_game->PlayMusicIndex(musicIndex_);
}

bool CPause::Move() {
    int w = Press();
    if (w & kPadPause) return false;
    if ((w & kPadUp) && cursor_ > 0) {
        --cursor_;
        PlaySelect();
    }
    if ((w & kPadDown) && cursor_ < 1) {
        ++cursor_;
        PlaySelect();
    }
    if (w & kPadDecide) {
        PlaySelect();
        if (cursor_ == 0) return false;
        g_game->RequestJumpScene(1);
        g_game->SetPlayEnded(true);
        return false;
    }
    EndMove();
    return true;
}

void CPause::Draw() {
    DimScreen(180, 0, 0, 640, 480);
    DrawStringToHandle(170, 200, "このまま続ける", White(), Font(0));
    DrawStringToHandle(170, 230, "タイトルへ戻る", White(), Font(0));
    DrawStringToHandle(100, 100, "　PAUSE NOW 　", GetColor(200, 200, 255), Font(1), GetColor(100, 100, 200));
    DrawStringToHandle(140, 200 + 30 * cursor_, "→", White(), Font(0));
}

CStageMessage::CStageMessage() { image_ = LoadGraph("data/material/stage.png"); }

CStageMessage::~CStageMessage() { DeleteGraph(image_); }

bool CStageMessage::Move() {
    if (!MovesThisUpdate()) return true;
    return ++frame_ < 101;
}

void CStageMessage::Draw() {
    DrawGraph(140, frame_ + 55, image_, 1);
    g_game->Screen().DrawNumber(g_game->GetStage(), 290, frame_ + 80, 0, 1.5);
}

CWarning::CWarning(const std::string& path) {
    g_game->Messages().Load(path);
    g_game->SetAttackLocked(true);
}

CWarning::~CWarning() { g_game->SetAttackLocked(false); }

bool CWarning::Move() {
    // Frozen during a game over and in paused updates.
    if (g_game->GetLives() <= 0 || !MovesThisUpdate()) return true;
    if (done_ == 1) return false;
    // A pause opened earlier in this update does not hold the page.
    bool paused = g_game->IsPaused();
    g_game->SetPaused(false);
    bool goesOn = g_game->Messages().Advance();
    g_game->SetPaused(paused);
    if (!goesOn) done_ = 1;
    return true;
}

void CWarning::Draw() {
    DimScreen(150, 0, 0, 640, 480);
    g_game->Messages().Draw();
}

CStopWarning::CStopWarning(CWarning* warning) : warning_(warning) { g_game->Script().SetStop(true); }

bool CStopWarning::Move() {
    if (!MovesThisUpdate() || !warning_->IsDone()) return true;
    g_game->Script().SetStop(false);
    return false;
}

CStageClear::CStageClear() {
    g_game->Script().SetStop(true);
    g_game->SetStageClearShown(true);
    g_game->Music().Stop();
    g_game->SetAttackLocked(true);
    image_ = LoadGraph("data/material/clear.png");
}

CStageClear::~CStageClear() {
    g_game->SetStageClearShown(false);
    g_game->SetAttackLocked(false);
    DeleteGraph(image_);
}

bool CStageClear::Move() {
    if (!MovesThisUpdate()) return true;
    if (frame_ < 100) {
        ++frame_;
        return true;
    }
    if (g_game->GetMode() == 0) {
        g_game->SetPlayEnded(true);
        g_game->RequestJumpScene(1);
        return false;
    }
    int s = g_game->GetStage();
    if (s > g_game->GetBestStage()) g_game->SetBestStage(s);
    if (s >= g_game->GetLastStage()) {
        g_game->SetReplayRecordRequested(true);
        g_game->SetPlayEnded(true);
    } else {
        g_game->SetStage(s + 1);
        new CReady();
    }
    return false;
}

void CStageClear::Draw() {
    DimScreen(100, 0, 0, 480, 480);
    if (frame_ >= 51) DrawGraph(80, 100, image_, 1);
}

CGameOver::CGameOver() : newRecord_(g_game->GetLowestScore() < g_game->GetScore()) { g_game->Music().Stop(); }

bool CGameOver::Move() {
    if (!MovesThisUpdate()) return true;
    if (++frame_ < 201) return true;
    g_game->GameOverReset();
    return false;
}

void CGameOver::Draw() {
    DimScreen(150, 15, 5, 480, 475);
    DrawStringToHandle(150, 180, "GAME OVER", GetColor(200, 200, 255), Font(1), GetColor(100, 100, 200));
    if (newRecord_) DrawStringToHandle(150, 230, " RENEW　OLD　RECORDE !", White(), Font(0));
}

CReTry::CReTry() { g_game->Music().Stop(); }

bool CReTry::Move() {
    int w = Press();
    if (w & kPadDecide) {
        if (cursor_ == 0) {
            g_game->SetContinues(g_game->GetContinues() + 1);
            g_game->NewGame();
            return false;
        }
        if (cursor_ == 1) {
            new CReplayDataSelect(CReplayDataSelect::SAVE);
            return false;
        }
        g_game->Music().Stop();
        new CTitle(true);
        return false;
    }
    if ((w & kPadUp) && cursor_ > 0) {
        --cursor_;
        PlaySelect();
    }
    if ((w & kPadDown) && cursor_ < 2) {
        ++cursor_;
        PlaySelect();
    }
    EndMove();
    return true;
}

void CReTry::Draw() {
    DrawStringToHandle(150, 100, "コンテニューする", White(), Font(0));
    DrawStringToHandle(150, 120, "リプレイデータを記録", White(), Font(0));
    DrawStringToHandle(150, 140, "タイトル画面に戻る", White(), Font(0));
    DrawString(130, 100 + 20 * cursor_, "→", White());
}
