// The ranking screen and the score name entry: inserting the new record, typing its name on the grid while the
// table shows it, writing the score file, and the table screen both draw.
#include "scenes/score_scenes.h"

#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/name_entry.h"
#include "scenes/play_flow.h"
#include "scenes/replay_scenes.h"
#include "scenes/score_system.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<CScoreDraw>() && FitsPool<CScoreInput>());

namespace {
void DrawRanking() {
    int font0 = g_game->Screen().Font(0), white = GetColor(255, 255, 255);
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1);
    DrawLine(0, 0, 230, 480, GetColor(0, 0, 255));
    DrawLine(680, 230, 0, 0, GetColor(0, 255, 0));
    DrawStringToHandle(120, 40, "スコアランキング", GetColor(200, 200, 255), g_game->Screen().Font(1),
                       GetColor(100, 100, 200));
    DrawStringToHandle(68, 105, "ID  SCORE    MODE    STYLE   NAME        DATE       TIME", white, font0, 0);
    for (int i = 0; i < 10; ++i) {
        const ScoreRecord& r = g_game->Scores().GetRecord(i);
        int y = 130 + 30 * i;
        DrawFormatStringToHandle(70, y, white, font0, "%02d　%07d　%s　%s　%s", i + 1, r.score, ModeName(r.mode),
                                 StyleName(r.style), r.name.c_str());
        DrawFormatStringToHandle(435, y, white, font0, "%04d/%02d/%02d %02d分%02d秒", r.year, r.month, r.day,
                                 r.playTime / 3600, (r.playTime / 60) % 60);
    }
}
}  // namespace

bool CScoreDraw::Move() {
    int w = g_game->GetInput();
    if (w == 0) {
        held_ = 0;
        return true;
    }
    if (!held_ && (w & (kPadDecide | kPadCancel))) {
        new CTitle(true);
        return false;
    }
    return true;
}

void CScoreDraw::Draw() { DrawRanking(); }

CScoreInput::CScoreInput(int score) {
    if (score <= g_game->GetLowestScore()) return;
    CScoreSystem& table = g_game->Scores();
    int i = 0;
    while (table.GetRecord(i).score >= score) ++i;
    DateTimeData date;
    Sys().GetDate(&date);
    ScoreRecord record;
    record.score = score;
    record.mode = g_game->GetMode();
    record.style = g_game->GetShotType();
    record.year = date.Year;
    record.month = date.Mon;
    record.day = date.Day;
    record.playTime = g_game->ReplayWritten().GetFrameCount();
    record.name.clear();
    table.Insert(i, record);
    rank_ = i;
    active_ = 1;
    g_game->NameEntry().SetPosition(200, 420);
    g_game->NameEntry().SetColumns(14);
}

bool CScoreInput::Move() {
    if (!active_) return false;
    int w = g_game->GetInput();
    if (!held_) {
        CNameEntry& grid = g_game->NameEntry();
        bool done = grid.Update(w);
        name_ = grid.GetText();
        if (w) g_game->SoundEffects().Play(0, CSoundList::PLAY_BACK);
        CScoreSystem& table = g_game->Scores();
        if (done && name_.empty()) name_ = g_game->GetName();
        ScoreRecord record = table.GetRecord(rank_);
        record.name = name_;
        table.SetRecord(rank_, record);
        if (done) {
            table.SaveScoreFile();
            if (g_game->IsReplayRecordRequested())
                new CReplayDataSelect(CReplayDataSelect::SAVE);
            else
                new CReTry();
            return false;
        }
    }
    held_ = w != 0;
    return true;
}

void CScoreInput::Draw() {
    DrawRanking();
    g_game->NameEntry().Draw();
}
