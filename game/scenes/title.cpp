// The menus that lead into a play: the title, the mode select and the shot select with its live preview.
#include "scenes/title.h"

#include "actors/enemy.h"
#include "actors/player.h"
#include "frame/game.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/options.h"
#include "scenes/replay_scenes.h"
#include "scenes/score_scenes.h"
#include "scenes/sound_select.h"
#include "zovav.h"

static_assert(FitsPool<CTitle>() && FitsPool<CModeSelect>() && FitsPool<CShotSelect>());

namespace {
constexpr int kFadeFrames = 17;
constexpr int kBothStylesScore = 300000;

const char* const kTitleItems[] = {"スタート", "スコア", "リプレイ", "サウンド", "オプション", "エンド"};
const char* const kModeNames[] = {"BASIC  MODE", "EASY   MODE", "NORMAL MODE", "CRISIS MODE"};
const char* const kModeTexts[] = {
    "シューティングゲームの基礎はここで学びましょ。",
    "初心者向けのモードです。まずは操作に慣れよう！",
    "一般的な難易度です。でも甘く見てるとやられちゃいます。",
    "もっとも凶悪なモードです。二度と戻ってこられないかも。",
};
const int kModePortraits[] = {2, 2, 1, 1};
const char* const kShotNames[] = {"NORMAL SHOT", "DIRECT SHOT"};
const char* const kShotTexts[] = {"分散ショットと集約ショットの組み合わせ。", "ソードとホーミングショットの組み合わせ。"};

int Font(int i) { return g_game->Screen().Font(i); }
int Advance(int& animation) { return animation = (animation + 1) % 200; }
void BlackScreen() { DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1); }
void Heading(int x, int y, const char* text) {
    DrawStringToHandle(x, y, text, GetColor(200, 200, 255), Font(1), GetColor(100, 100, 200));
}
int LastStyle() { return g_game->GetHighestScore() >= kBothStylesScore ? 1 : 0; }

// The task is still in the pool's live list (a list clear may have deleted it already).
bool IsLive(PoolId pool, const CTask* task) {
    for (CTaskList::iterator it(g_game->Pool(pool)); it.HasNext();)
        if (it.Next() == task) return true;
    return false;
}
}  // namespace

CTitle::CTitle(bool fade) {
    if (fade) g_game->Fader().FadeOut(kFadeFrames);
    g_game->SetStageName("READY");
    g_game->SetContinues(0);
    g_game->SetLives(0);
    g_game->SetStage(1);
    if (g_game->Music().Current() == -1) g_game->PlayMusic("title");
    SetTransColor(0, 0, 0);
    background_ = LoadGraph("data/material/titleback.jpg");
    SetTransColor(255, 255, 255);
    logo_ = LoadGraph("data/material/title.png");
    SetTransColor(0, 0, 0);
    SetDrawScreen(SCREEN_BACK);
    Draw();
    g_game->Fader().FadeIn(kFadeFrames);
}

CTitle::~CTitle() {
    DeleteGraph(background_);
    DeleteGraph(logo_);
}

bool CTitle::Move() {
    int w = Press();
    if ((w & kPadUp) && cursor_ > 0) {
        --cursor_;
        g_game->SoundEffects().PlayByName("select", CSoundList::PLAY_BACK);
    }
    if ((w & kPadDown) && cursor_ < 5) {
        ++cursor_;
        g_game->SoundEffects().PlayByName("select", CSoundList::PLAY_BACK);
    }
    if (w & kPadDecide) {
        if (cursor_ == 5) {
            g_game->SetQuitRequested(true);
            return false;
        }
        g_game->Fader().FadeOut(kFadeFrames);
        switch (cursor_) {
        case 0: new CModeSelect(); break;
        case 1: new CScoreDraw(); break;
        case 2: new CReplayDataSelect(CReplayDataSelect::WATCH); break;
        case 3: new CSoundSelect(); break;
        default: new COption(); break;
        }
        return false;
    }
    EndMove();
    return true;
}

void CTitle::Draw() {
    DrawGraph(0, 0, background_, 1);
    DrawGraph(50, 70, logo_, 1);
    Advance(animation_);
    for (int i = 0; i < 6; ++i) {
        bool on = i == cursor_;
        int x = 400 - 10 * i - (on ? 30 : 0), y = 220 + 40 * i + (on ? BobOffset(animation_) : 0);
        DrawStringToHandle(x, y, kTitleItems[i], on ? GetColor(200, 200, 255) : GetColor(70, 70, 100), Font(5),
                           GetColor(30, 30, 50));
    }
    const char* notice = "矢印キー:移動　Z:決定・ショット　X:キャンセル　スペース:ポーズ　Esc:終了";
    DrawStringToHandle(6, 460, notice, GetColor(255, 255, 255), Font(6));
}

bool CModeSelect::Move() {
    int w = Press();
    if (w & kPadDecide) {
        g_game->SetMode(cursor_);
        new CShotSelect();
        g_game->Fader().FadeOut(kFadeFrames);
        return false;
    }
    if (w & kPadCancel) {
        new CTitle(true);
        return false;
    }
    if ((w & kPadUp) && cursor_ > 0) {
        --cursor_;
        PlaySelect();
    }
    if ((w & kPadDown) && cursor_ < 3) {
        ++cursor_;
        PlaySelect();
    }
    EndMove();
    return true;
}

void CModeSelect::Draw() {
    BlackScreen();
    DrawLine(400, 0, 10, 480, GetColor(53, 241, 46));
    DrawLine(0, 400, 640, 370, GetColor(245, 54, 156));
    Heading(250, 30, "モードセレクト");
    Advance(animation_);
    for (int i = 0; i < 4; ++i) {
        bool on = i == cursor_;
        DrawStringToHandle(320, 150 + 70 * i + (on ? BobOffset(animation_) : 0), kModeNames[i],
                           on ? GetColor(255, 255, 255) : GetColor(20, 50, 50), Font(2));
    }
    DrawStringToHandle(30, 430, kModeTexts[cursor_], GetColor(255, 255, 255), Font(3));
    g_game->Faces(0).Draw(kModePortraits[cursor_], 130, 230);
    if (!fadedIn) {
        g_game->Fader().FadeIn(kFadeFrames);
        fadedIn = 1;
    }
}

CShotSelect::CShotSelect() {
    previewEnemies_[0] = new CDemoEnemy(50, 50);
    previewEnemies_[1] = new CDemoEnemy(180, 50);
    previewPlayer_ = new CDemoPlayer(120, 300, 0);
    g_game->SetPlayer(previewPlayer_);
}

CShotSelect::~CShotSelect() {
    if (previewPlayer_ && IsLive(POOL_PLAYER, previewPlayer_)) previewPlayer_->SetRemove();
    for (CDemoEnemy* e : previewEnemies_)
        if (e && IsLive(POOL_ENEMY, e)) e->SetRemove();
    g_game->Pool(POOL_SHOT)->Clear();
    g_game->Pool(POOL_ENEMY)->Clear();
    g_game->Pool(POOL_SPECIAL)->Clear();
}

bool CShotSelect::Move() {
    int w = Press();
    if (w & kPadDecide) {
        g_game->SetShotType(cursor_);
        g_game->NewGame();
        return false;
    }
    if (w & kPadCancel) {
        new CModeSelect();
        g_game->Fader().FadeOut(kFadeFrames);
        return false;
    }
    bool up = (w & kPadUp) && cursor_ >= 1, down = (w & kPadDown) && cursor_ < LastStyle();
    if (up || down) {
        cursor_ += up ? -1 : 1;
        PlaySelect();
        if (previewPlayer_ && IsLive(POOL_PLAYER, previewPlayer_)) previewPlayer_->SetRemove();
        previewPlayer_ = new CDemoPlayer(120, 300, cursor_);
        g_game->SetPlayer(previewPlayer_);
        g_game->Pool(POOL_SHOT)->Clear();
        g_game->Pool(POOL_SPECIAL)->Clear();
    }
    EndMove();
    return true;
}

void CShotSelect::Draw() {
    BlackScreen();
    DrawLine(100, 0, 600, 480, GetColor(53, 141, 46));
    DrawLine(0, 400, 640, 270, GetColor(25, 154, 56));
    Heading(270, 40, "ショットセレクト");
    Advance(animation_);
    for (int i = 0; i <= LastStyle(); ++i) {
        bool on = i == cursor_;
        DrawStringToHandle(370 - 80 * i, 180 + 100 * i + (on ? BobOffset(animation_) : 0), kShotNames[i],
                           on ? GetColor(255, 255, 255) : GetColor(20, 50, 50), Font(2));
    }
    DrawStringToHandle(80, 430, kShotTexts[cursor_], GetColor(255, 255, 255), Font(3));
    for (PoolId p : {POOL_SPECIAL, POOL_SHOT, POOL_PLAYER, POOL_ENEMY}) g_game->DrawAll(p);
}
