// The ending: background changes, the input guard and the four scrolling parts of its text.
#include "scenes/ending.h"

#include <cstdio>

#include "frame/game.h"
#include "frame/screen_helper.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<CEnding>());

namespace {
struct Line {
    int offset;
    const char* text;
};

const Line kStory[] = {{0, "こうして"},
                       {60, "天使の羽の騒動は終焉を迎えた。"},
                       {120, "風花は無事に家に帰り"},
                       {180, "平穏な日々を取り戻しました。"},
                       {240, "その日はぐっすりと眠れたそうです。"}};
const Line kCredits[] = {{0, "制作"},
                         {40, "Velmora 制作チーム"},
                         {160, "企画/プログラム/他"},
                         {200, "ZoVav と Velmora の開発者一同"},
                         {320, "立ち絵"},
                         {360, "Velmora 作画担当"},
                         {480, "サウンド"},
                         {520, "Velmora 音楽担当"}};
const Line kThanks[] = {{0, "ここまでプレイしていただき"},
                        {60, "本当にありがとうございました。"},
                        {150, "感想・意見などありましたら"},
                        {210, "このゲームの配布元の"},
                        {240, "課題の窓口まで"},
                        {300, "お待ちしています。"},
                        {360, "これからもよろしくお願いします。"}};

template <size_t N>
void DrawLines(const Line (&lines)[N], int x, int y0, int font) {
    for (const Line& line : lines) DrawStringToHandle(x, y0 + line.offset, line.text, GetColor(255, 255, 255), font);
}
}  // namespace

CEnding::CEnding() {
    g_game->SetReplayRecordRequested(true);
    g_game->SetEndingSeen(1);
    new CBackGround();
    g_game->Music().Stop();
    g_game->PlayMusic("ending");
}

CEnding::~CEnding() {
    g_game->SetReplayRecordRequested(false);
    g_game->Pool(POOL_BACKGROUND)->Clear();
}

bool CEnding::Move() {
    int w = g_game->GetInput();
    ++frame_;
    if (frame_ == 1100) g_game->LoadBackGround(1);
    if (frame_ == 2400) g_game->LoadBackGround(2);
    if (frame_ == 3700) g_game->LoadBackGround(3);
    if (frame_ >= kStoryFrames && !inputHeld_ && w != 0) {
        g_game->Music().Stop();
        new CTitle(true);
        return false;
    }
    inputHeld_ = w != 0;
    return true;
}

void CEnding::Draw() {
    CScreenHelper& screen = g_game->Screen();
    int f = frame_;
    if (f < 1100) {
        DrawBox(0, 0, 480, 480, GetColor(0, 0, 0), 1);
        DrawLines(kStory, 30, 480 - (2 * f) / 3, screen.Font(4));
    } else if (f > 1100 && f < 2500) {
        DrawLines(kCredits, 80, 480 - (4 * f - 4400) / 5, screen.Font(3));
    } else if (f > 2500 && f < 3700) {
        char lines[3][64];
        snprintf(lines[0], sizeof lines[0], "プレイヤー:%s", g_game->GetName().c_str());
        snprintf(lines[1], sizeof lines[1], "　　スコア:%d", g_game->GetScore());
        snprintf(lines[2], sizeof lines[2], "リトライ数:%d回", g_game->GetContinues());
        int y0 = 480 - (2 * f - 5000) / 3;
        for (int i = 0; i < 3; ++i)
            DrawStringToHandle(80, y0 + 60 * i, lines[i], GetColor(255, 255, 255), screen.Font(3));
    } else if (f > 3700) {
        DrawLines(kThanks, 80, f < 4350 ? 480 - (2 * f - 7400) / 3 : 47, screen.Font(3));
        if (f >= 4350)
            DrawStringToHandle(260, 460, "何かキーを押してください。", GetColor(255, 255, 255), screen.Font(0));
    }
}
