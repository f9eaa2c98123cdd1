// The option menu: whole-word button tests, toggling the three switches and writing them back on close.
#include "scenes/options.h"

#include <string>

#include "frame/game.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<COption>());

namespace {
constexpr int kBackRow = 3;
const char* const kKeys[3] = {"FullScreen", "BGM", "SE"};
const char* const kLabels[4] = {"FS", "BGM", "SE", "戻る"};
const char* const kValueTexts[3][2] = {
    {"ウィンドウモード", "フルスクリーン"},
    {"再生しない", "再生する"},
    {"再生しない", "再生する"},
};

int Toggled(int value) { return value == 0 ? 1 : 0; }
}  // namespace

COption::COption() {
    for (int i = 0; i < 3; ++i) values_[i] = g_game->Settings().Get(kKeys[i])[0] - '0';
}

COption::~COption() {
    for (int i = 0; i < 3; ++i) g_game->Settings().Set(kKeys[i], std::string(1, char(values_[i] + '0')));
    g_game->Settings().Save("setup.ini");
}

// The whole pad word is compared, so a button acts only when it is the only one down.
bool COption::Move() {
    int w = g_game->GetInput();
    if (!inputHeld_ && w != 0) {
        g_game->SoundEffects().Play(0, CSoundList::PLAY_BACK);
        if (w == kPadCancel) {
            new CTitle(true);
            return false;
        }
        if (w == kPadUp && cursor_ > 0) --cursor_;
        if (w == kPadDown && cursor_ < kBackRow) ++cursor_;
        if (w == kPadDecide) {
            if (cursor_ == kBackRow) {
                new CTitle(true);
                return false;
            }
            values_[cursor_] = Toggled(values_[cursor_]);
        }
        if ((w == kPadLeft || w == kPadRight) && cursor_ < kBackRow) values_[cursor_] = Toggled(values_[cursor_]);
    }
    inputHeld_ = w != 0;
    return true;
}

void COption::Draw() {
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1);
    DrawLine(0, 200, 640, 100, GetColor(10, 110, 200));
    DrawLine(200, 480, 300, 0, GetColor(100, 200, 100));
    CScreenHelper& screen = g_game->Screen();
    DrawStringToHandle(180, 40, "オプション", GetColor(200, 200, 255), screen.Font(1), GetColor(100, 100, 200));
    screen.DrawWindowFrame(120, 100, 380, 348, 200);
    for (int i = 0; i < 4; ++i) {
        int colour = i == cursor_ ? GetColor(233, 200, 200) : GetColor(255, 255, 255), y = 130 + 50 * i;
        DrawStringToHandle(140, y, kLabels[i], colour, screen.Font(3), 0);
        // A stored digit 2 to 9 reads as on, as the game itself takes it.
        if (i < kBackRow) DrawStringToHandle(240, y, kValueTexts[i][values_[i] != 0], colour, screen.Font(3), 0);
    }
    DrawStringToHandle(140, 380, "設定は次回起動から有効です。", GetColor(255, 255, 255), screen.Font(0));
}
