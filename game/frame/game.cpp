// The game object: construction and teardown, the frame loop, one update,
// one draw, and the play-control operations.
#include "frame/game.h"

#include <cstdio>

#include "frame/game_system.h"
#include "frame/host_files.h"
#include "frame/message_script.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "actors/player.h"
#include "scenes/command_list.h"
#include "scenes/name_entry.h"
#include "scenes/play_flow.h"
#include "scenes/replay_file.h"
#include "scenes/replay_scenes.h"
#include "scenes/replay_tasks.h"
#include "scenes/score_scenes.h"
#include "scenes/score_system.h"
#include "scenes/title.h"
#include "zovav.h"

CGame* g_game = nullptr;

CTaskList* GamePool(PoolId pool) { return g_game->Pool(pool); }

namespace {
constexpr int kScreenshotSound = 7;

// "data/screenshot/YYYYMMDDhhmmss.bmp", or with "_1", "_2", ... before ".bmp"
// (the first that is free) when an earlier picture has that second's name:
// a screenshot never replaces another.
std::string FreeScreenshotPath(const DateTimeData& date) {
    char stem[64];
    snprintf(stem, sizeof stem, "data/screenshot/%04d%02d%02d%02d%02d%02d", date.Year, date.Mon, date.Day,
             date.Hour, date.Min, date.Sec);
    std::string path = std::string(stem) + ".bmp";
    for (int n = 1; PathKindOf(path) != PathKind::kMissing; ++n)
        path = std::string(stem) + "_" + std::to_string(n) + ".bmp";
    return path;
}
}  // namespace

CGame::CGame() {
    for (int& h : playerImages) h = -1;
    for (int& h : bulletImages) h = -1;
    for (int& h : enemyImages) h = -1;
    for (int& h : bossImages) h = -1;
    for (auto& animation : effectAnimations)
        for (int& h : animation) h = -1;

    settings_.Load("setup.ini");
    std::string bgm = settings_.Get("BGM"), se = settings_.Get("SE");
    name_ = settings_.Get("NAME");

    for (PoolId p : kPoolCreationOrder)
        pools_[p] = std::make_unique<CTaskList>(kPoolSpecs[p].elementSize, kPoolSpecs[p].capacity);

    screen_ = std::make_unique<CScreenHelper>();
    messages_ = std::make_unique<CMessageScript>();
    nameEntry_ = std::make_unique<CNameEntry>(100, 350, 10, screen_->FontHandle(0));
    replayWritten_ = std::make_unique<CReplayRecord>();
    replayPlayed_ = std::make_unique<CReplayRecord>();
    script_ = std::make_unique<CCommandList>();
    scores_ = std::make_unique<CScoreSystem>();
    fader_ = std::make_unique<CFader>();

    musicOff_ = bgm == "0";
    music_.SetOff(musicOff_);
    effectsOff_ = se == "0";
    soundEffects_.SetOff(effectsOff_);

    LoadImages();
    LoadSounds();
    LoadPositions();
    LoadSystem();
    SetDrawScreen(SCREEN_BACK);
}

CGame::~CGame() {
    for (auto& pool : pools_) pool.reset();
    screen_.reset();
    script_.reset();
    music_.Release();
    soundEffects_.Release();
    messages_.reset();
    nameEntry_.reset();
    replayWritten_.reset();
    replayPlayed_.reset();
    scores_.reset();
    fader_.reset();
    auto release = [](int& h) {
        if (h != -1) DeleteGraph(h, 0);
        h = -1;
    };
    for (int& h : playerImages) release(h);
    for (int& h : enemyImages) release(h);
    for (int& h : bossImages) release(h);
    for (int& h : bulletImages) release(h);
    release(itemImage);
    release(shotImage);
    for (auto& animation : effectAnimations)
        for (int& h : animation) release(h);
    release(backgroundImage);
    release(swordImage);
    SaveSystem();
}

void CGame::Run() {
    SetDrawScreen(SCREEN_BACK);
    SetFontSize(20);
    input_ = 0;
    // A play set up before the loop (the headless harness) starts without the title.
    if (pools_[POOL_SCENE]->GetCount() == 0) new CTitle(true);
    schedule_.Start(Sys().NowMs());
    while (Sys().ProcessMessage() == 0 && !Sys().EscapeDown() && !quitRequested_) {
        int now = Sys().NowMs();
        if (!schedule_.Due(now)) {
            if (int ms = schedule_.SleepBefore(now)) Sys().SleepMs(ms);
            continue;
        }
        Update();
        Sys().UpdateFinished();
        if (schedule_.MayDraw(Sys().NowMs())) Draw();
        TakeScreenshot();
        if (clockResync_) {
            schedule_.Resync(Sys().NowMs());
            clockResync_ = false;
        }
        schedule_.Advance();
    }
    StopMusic();
    ClearAllBut(0);
}

// At most one screenshot per 60 updates; one is possible at once after start.
void CGame::TakeScreenshot() {
    if (screenshotCounter_ < 60) ++screenshotCounter_;
    if (screenshotCounter_ < 60 || !(Sys().PadWord() & kPadScreenshot)) return;
    soundEffects_.Play(kScreenshotSound, CSoundList::PLAY_BACK);
    DateTimeData date;
    Sys().GetDate(&date);
    SaveDrawScreenToBMP(0, 0, 640, 480, FreeScreenshotPath(date).c_str());
    screenshotCounter_ = 0;
}

void CGame::Update() {
    ++updateCount_;
    replayNote_ = ReplayFrameNote();
    MoveAll(POOL_BACKGROUND);
    actorsMoving_ = !paused_;
    if (actorsMoving_) {
        for (PoolId p : {POOL_ITEM, POOL_PLAYER, POOL_ENEMY, POOL_SPECIAL, POOL_SHOT, POOL_BULLET, POOL_EFFECT,
                         POOL_SPARK})
            MoveAll(p);
    }
    MoveAll(POOL_SCENE);
    // The pad is read after everything above moved, so actors and scenes act on the word of the update
    // before: one update of input delay. The replay tasks move after the read: the recorder stores this word
    // and the player puts the recorded one in its place, so either way it drives the next update.
    input_ = Sys().PadWord();
    MoveAll(POOL_REPLAY);
    if (!playEnded_) return;
    ClearAllBut(0);
    playEnded_ = false;
    if (sceneRequest_ >= 1) {
        JumpScene(sceneRequest_);
        sceneRequest_ = 0;
    } else if (nameEntryNeeded_) {
        new CScoreInput(score_);
    } else if (replaySaveRequested_) {
        new CReplayDataSelect(CReplayDataSelect::SAVE);
    } else {
        new CReTry();
    }
}

void CGame::Draw() {
    ClearDrawScreen();
    for (PoolId p : {POOL_BACKGROUND, POOL_SPECIAL, POOL_ITEM, POOL_PLAYER, POOL_ENEMY, POOL_SHOT}) DrawAll(p);
    SetDrawBlendMode(ZV_BLEND_ADD, 250);
    DrawAll(POOL_BULLET);
    DrawAll(POOL_EFFECT);
    DrawAll(POOL_SPARK);
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
    screen_->DrawHud();
    DrawAll(POOL_SCENE);
    DrawAll(POOL_REPLAY);
    Sys().ScreenFlip();
    screen_->UpdateFps();
}

void CGame::MoveAll(PoolId pool) {
    for (CTaskList::iterator it(pools_[pool].get()); it.HasNext();) {
        if (!static_cast<CMover*>(it.Next())->Move()) it.Erase();
    }
}

void CGame::DrawAll(PoolId pool) {
    for (CTaskList::iterator it(pools_[pool].get()); it.HasNext();) static_cast<CMover*>(it.Next())->Draw();
}

void CGame::ClearAllBut(int n) {
    for (int i = 1; i <= POOL_REPLAY + 1; ++i)
        if (i != n) pools_[i - 1]->Clear();
    if (n != POOL_EFFECT + 1) pools_[POOL_SPARK]->Clear();
}

void CGame::NewGame() {
    replayWritten_->Clear();
    replayPlayed_->Clear();
    // No play starts with what the last one left in the script runner; its replay starts from the same state.
    script_->Clear();
    music_.Stop();
    random_.SetSeed(52154, 537, 150);
    score_ = 0;
    SetLives(mode_ == 1 ? 5 : 3);
    nameEntryNeeded_ = false;
    SetPlayer(new CAppearingPlayer());
    new CReady();
    new CInputDataMemorize();
    new CBackGround();
}

void CGame::GameOverReset() {
    bossGauge_ = 0;
    playEnded_ = true;
    music_.Stop();
    SetNameEntryNeeded(GetLowestScore() < score_);
}

void CGame::JumpScene(int n) {
    if (n != 1) return;
    music_.Stop();
    new CTitle(true);
}

void CGame::LoadBackGround(int n) {
    DeleteGraph(backgroundImage, 0);
    SetTransColor(0, 0, 0);
    char path[32];
    snprintf(path, sizeof path, "data/material/back%d.jpg", n);
    backgroundImage = LoadGraph(path, 0);
    SetTransColor(255, 255, 255);
}

void CGame::PlayMusic(const std::string& name) {
    music_.PlayByName(name, CSoundList::PLAY_LOOP);
    clockResync_ = true;
}

void CGame::PlayMusicIndex(int i) {
    music_.Play(i, CSoundList::PLAY_LOOP);
    clockResync_ = true;
}

void CGame::FatalError(int code) {
    ZoVav_End();
    char caption[32];
    snprintf(caption, sizeof caption, "エラー発生 ID=%03d", code);
    if (code == 2) Sys().MessageBox(caption, "システムファイルが壊れています。");
    if (code == 3) Sys().MessageBox(caption, "スコアファイルが壊れています。");
    Sys().Exit(1);
}

int CGame::GetLowestScore() const { return scores_->GetRecord(9).score; }

int CGame::GetHighestScore() const { return scores_->GetRecord(0).score; }
