// The screen helper's drawing routines, the status display and the fades.
#include "frame/screen_helper.h"

#include <cstdio>

#include "frame/game.h"
#include "frame/game_system.h"
#include "zovav.h"

namespace {
// The frame-rate measurement lives for the whole program.
struct FpsStore {
    bool started = false;
    int previous = 0;
    int count = 0;
    int intervals[128];
};
FpsStore g_fps;

struct FontSpec {
    int size, thick, type, edge;
};
constexpr FontSpec kFonts[10] = {
    {15, 8, 2, -1}, {40, -1, 3, 1}, {30, 8, 2, -1}, {20, 8, 2, -1}, {25, -1, 2, -1},
    {28, 8, 3, 2},  {15, 8, 3, -1}, {23, -1, 3, -1}, {30, 8, 3, 1}, {18, 8, 2, -1},
};

int RoundUp16(int v) { return (v + 15) / 16 * 16; }
}  // namespace

CScreenHelper::CScreenHelper() {
    for (int& h : digits_) h = -1;
    for (int& h : windowPieces_) h = -1;
    LoadDivGraph("data/material/number.png", 10, 10, 1, 15, 25, digits_, 0);
    LoadDivGraph("data/material/window.png", 9, 3, 3, 16, 16, windowPieces_, 0);
    CreateFonts();
}

CScreenHelper::~CScreenHelper() {
    for (int h : digits_) DeleteGraph(h, 0);
    for (int h : windowPieces_) DeleteGraph(h, 0);
    for (int h : fonts_) DeleteFontToHandle(h);
}

void CScreenHelper::CreateFonts() {
    for (int i = 0; i < 10; ++i)
        fonts_[i] = CreateFontToHandle(nullptr, kFonts[i].size, kFonts[i].thick, kFonts[i].type, -1,
                                       kFonts[i].edge, 0, -1, -1);
}

int CScreenHelper::CountDigits(int value) {
    int n = 1;
    for (int q = value / 10; q > 0; q /= 10) ++n;
    return n;
}

void CScreenHelper::DrawNumber(int value, int x, int y, int padDigits, double scale) const {
    int n = CountDigits(value);
    if (n > 10) return;
    char buffer[10];
    for (char& c : buffer) c = '0';
    for (int at = 9; value > 0 && at >= 0; --at, value /= 10) buffer[at] = char('0' + value % 10);
    int shown = padDigits != 0 ? padDigits : n;
    for (int k = 0; k < shown; ++k) {
        int digit = buffer[10 - shown + k] - '0';
        DrawRotaGraph(x + int(k * 15 * scale), y, scale, 0.0, digits_[digit], 1, 0);
    }
}

void CScreenHelper::DrawGauge(float ratio) const {
    DrawBox(50, 5, 430, 15, GetColor(255, 255, 255), 0);
    DrawBox(51, 6, 51 + int(ratio * 378.0), 14, GetColor(0, 0, 255), 1);
}

void CScreenHelper::DrawWindowFrame(int x, int y, int width, int height, int alpha) const {
    SetDrawBlendMode(ZV_BLEND_ALPHA, alpha);
    int w = RoundUp16(width), h = RoundUp16(height);
    DrawGraph(x, y, windowPieces_[0], 1);
    DrawGraph(x + w - 16, y, windowPieces_[2], 1);
    DrawGraph(x, y + h - 16, windowPieces_[6], 1);
    DrawGraph(x + w - 16, y + h - 16, windowPieces_[8], 1);
    for (int i = 1; (i + 1) * 16 < w; ++i) {
        DrawGraph(x + 16 * i, y, windowPieces_[1], 1);
        DrawGraph(x + 16 * i, y + h - 16, windowPieces_[7], 1);
    }
    for (int j = 1; (j + 1) * 16 < h; ++j) {
        DrawGraph(x, y + 16 * j, windowPieces_[3], 1);
        DrawGraph(x + w - 16, y + 16 * j, windowPieces_[5], 1);
        for (int i = 1; (i + 1) * 16 < w; ++i) DrawGraph(x + 16 * i, y + 16 * j, windowPieces_[4], 1);
    }
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
}

void CScreenHelper::UpdateFps() {
    int now = Sys().NowMs();
    if (!g_fps.started) {
        g_fps.started = true;
        g_fps.previous = now;
    }
    if (g_fps.count == 128) {
        float sum = 0;
        for (int v : g_fps.intervals) sum += float(v);
        frameRate_ = float(1000.0 / (sum / 128.0));
        g_fps.count = 0;
    } else {
        g_fps.intervals[g_fps.count++] = now - g_fps.previous;
    }
    g_fps.previous = Sys().NowMs();
}

void CScreenHelper::DrawHud() const {
    static const char* const kModeNames[] = {"ERROR", "BASIC", "EASY", "NORMAL", "CRISIS"};
    static const char* const kLabels[] = {" STAGE ", " HI-SCORE", " SCORE ", " PLAYER ", " MODE"};
    const int dark = GetColor(30, 30, 50), lightBlue = GetColor(200, 200, 255);
    const int greyBlue = GetColor(100, 100, 150), white = GetColor(255, 255, 255);
    DrawBox(480, 0, 640, 480, dark, 1);
    DrawBox(0, 0, 15, 480, dark, 1);
    DrawBox(0, 0, 480, 5, dark, 1);
    DrawBox(0, 475, 480, 480, dark, 1);

    CGame& game = *g_game;
    int mode = game.GetMode();
    const char* modeName = mode >= -1 && mode <= 3 ? kModeNames[mode + 1] : kModeNames[0];
    char values[5][32], stage[16];
    snprintf(values[0], sizeof values[0], "  %s", game.GetStageName().c_str());
    snprintf(values[1], sizeof values[1], "　%07d", game.GetHighestScore());
    snprintf(values[2], sizeof values[2], "　%07d", game.GetScore());
    snprintf(values[3], sizeof values[3], "  %02d", game.GetLives());
    snprintf(values[4], sizeof values[4], "  %s", modeName);
    snprintf(stage, sizeof stage, "%d", game.GetStage());

    DrawStringToHandle(495, 20, "Velmora", GetColor(100, 180, 255), fonts_[8], greyBlue);
    for (int i = 0; i < 5; ++i) {
        DrawStringToHandle(490, 70 + 58 * i, kLabels[i], lightBlue, fonts_[7], greyBlue);
        DrawStringToHandle(490, 95 + 58 * i, values[i], white, fonts_[7], 0);
    }
    DrawStringToHandle(585, 70, stage, lightBlue, fonts_[7], greyBlue);
    if (game.GetBossGauge() > 0) DrawGauge(game.GetBossGauge());
    DrawFormatStringToHandle(530, 460, white, fonts_[0], "FPS:%0.1f", double(frameRate_));
}

void CFader::Fade(int frames, bool in) {
    if (frames == 0) return;
    SetTransColor(0, 0, 0);
    int copy = MakeGraph(640, 480, 0);
    GetDrawScreenGraph(0, 0, 640, 480, copy, 1);
    int step = 255 / frames;
    if (step < 1) step = 1;
    // Each step is shown for one period of the game's clock.
    double due = Sys().NowMs();
    for (int v = 0; v < 256; v += step) {
        int bright = in ? v : 255 - v;
        SetDrawScreen(SCREEN_BACK);
        SetDrawBright(bright, bright, bright);
        DrawGraph(0, 0, copy, 1);
        Sys().ScreenFlip();
        due += CGame::kPeriodMs;
        int early = int(due - Sys().NowMs());
        if (early > 0) Sys().SleepMs(early);
    }
    g_game->RequestClockResync();
    SetDrawBright(255, 255, 255);
    DeleteGraph(copy, 0);
}
