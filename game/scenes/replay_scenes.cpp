// The replay slot list and the replay name scene: moving over the ten slots, starting playback, naming and
// writing a slot, and the list screen both draw.
#include "scenes/replay_scenes.h"

#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/ending.h"
#include "scenes/name_entry.h"
#include "scenes/play_flow.h"
#include "scenes/replay_tasks.h"
#include "scenes/score_system.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<CReplayDataSelect>() && FitsPool<CReplayDataName>());

namespace {
constexpr int kBack = kReplaySlots;   // the cursor on "戻る"

int Font(int i) { return g_game->Screen().Font(i); }
void PlaySelect() { g_game->SoundEffects().Play(0, CSoundList::PLAY_BACK); }

// The list screen; highlight is the slot drawn in the cursor colour (kBack for "戻る").
void DrawSlots(const ReplayHeader* headers, int highlight, bool paddedBasic) {
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1);
    DrawLine(0, 300, 640, 100, GetColor(10, 200, 200));
    DrawLine(40, 480, 300, 0, GetColor(100, 250, 100));
    DrawStringToHandle(140, 40, "リプレイデータ", GetColor(200, 200, 255), Font(1), GetColor(100, 100, 200));
    int white = GetColor(255, 255, 255), marked = GetColor(200, 200, 100);
    DrawStringToHandle(60, 110, "ID  Mode　  Style 　Name 　　 　　 Date            Time", white, Font(0), 0);
    for (int i = 0; i < kReplaySlots; ++i) {
        const ReplayHeader& h = headers[i];
        int y = 140 + 30 * i, colour = i == highlight ? marked : white;
        char mode[16], style[16];
        snprintf(mode, sizeof mode, "%s", ModeName(h.mode, paddedBasic));
        snprintf(style, sizeof style, "%s", StyleName(h.shotType));
        DrawFormatStringToHandle(60, y, colour, Font(0), "%02d　%s　%s　%s", i + 1, mode, style, h.name.c_str());
        DrawFormatStringToHandle(370, y, colour, Font(0), "%04d年%02d月%02d日　%02d分%02d秒", h.year, h.month,
                                 h.day, h.frameCount / 3600, (h.frameCount / 60) % 60);
    }
}
}  // namespace

CReplayDataSelect::CReplayDataSelect(int mode) : mode_(mode) {
    for (int i = 0; i < kReplaySlots; ++i) headers_[i] = ReadReplayHeader(i, true);
}

bool CReplayDataSelect::Move() {
    int w = g_game->GetInput();
    if (held_) {
        held_ = w != 0;
        return true;
    }
    if (w) PlaySelect();
    if (w & kPadUp) cursor_ = cursor_ >= 1 ? cursor_ - 1 : kBack;
    if (w & kPadDown) cursor_ = cursor_ < kBack ? cursor_ + 1 : 0;
    if (w & kPadCancel) {
        Leave();
        return false;
    }
    if (w & kPadDecide) {
        if (cursor_ == kBack)
            Leave();
        else if (mode_ == WATCH)
            new CInputDataOutput(cursor_);
        else
            new CReplayDataName(cursor_);
        return false;
    }
    held_ = w != 0;
    return true;
}

void CReplayDataSelect::Leave() {
    if (g_game->IsReplayRecordRequested())
        new CEnding();
    else if (mode_ == WATCH)
        new CTitle(true);
    else
        new CReTry();
}

void CReplayDataSelect::Draw() {
    DrawSlots(headers_, cursor_, true);
    int colour = cursor_ == kBack ? GetColor(200, 200, 100) : GetColor(255, 255, 255);
    DrawStringToHandle(545, 440, "戻る", colour, Font(0));
}

CReplayDataName::CReplayDataName(int slot) : slot_(slot) {
    CNameEntry& grid = g_game->NameEntry();
    grid.Clear();
    grid.SetPosition(140, 430);
    grid.SetColumns(14);
    grid.SetMaxLength(12);
    for (int i = 0; i < kReplaySlots; ++i) headers_[i] = ReadReplayHeader(i, false);
    const CReplayRecord& record = g_game->ReplayWritten();
    DateTimeData date;
    Sys().GetDate(&date);
    ReplayHeader& h = headers_[slot_];
    h.name = grid.GetText();
    h.mode = g_game->GetMode();
    h.shotType = g_game->GetShotType();
    h.frameCount = record.GetFrameCount();
    h.year = date.Year;
    h.month = date.Mon;
    h.day = date.Day;
    h.startStage = record.GetStartStage();
}

bool CReplayDataName::Move() {
    int w = g_game->GetInput();
    ReplayHeader& h = headers_[slot_];
    if (!held_) {
        bool done = g_game->NameEntry().Update(w);
        if (w) PlaySelect();
        if (done) {
            if (h.name.empty()) h.name = g_game->GetName();
            g_game->ReplayWritten().SaveReplayFile(ReplaySlotPath(slot_), h);
            if (g_game->IsReplayRecordRequested())
                new CEnding();
            else
                new CReTry();
            return false;
        }
    }
    h.name = g_game->NameEntry().GetText();
    held_ = w != 0;
    return true;
}

void CReplayDataName::Draw() {
    DrawSlots(headers_, slot_, false);
    g_game->NameEntry().Draw();
}
