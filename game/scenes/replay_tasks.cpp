// Replay recording and playback beside the frame loop: both run in the replay step of an update, after the pad
// word was read, so frame byte k drives the same update of the recorded and the replayed play.
#include "scenes/replay_tasks.h"

#include "actors/player.h"
#include "frame/game.h"
#include "frame/pad_bits.h"
#include "scenes/command_list.h"
#include "scenes/play_flow.h"
#include "scenes/replay_file.h"
#include "scenes/replay_scenes.h"

static_assert(FitsPool<CInputDataMemorize>() && FitsPool<CInputDataOutput>());

CInputDataMemorize::CInputDataMemorize() : record_(&g_game->ReplayWritten()) {
    record_->Clear();
    record_->SetStartStage(g_game->GetStage());
}

bool CInputDataMemorize::Move() {
    // Paused updates move no actor and are left out; a replay plays without its pauses.
    if (g_game->IsPaused()) return true;
    if (g_game->IsReplayRecordRequested()) return false;
    record_->PushInput(g_game->GetInput());
    g_game->NoteReplayFrame('r', record_->GetFrameCount() - 1);
    return g_game->GetLives() > 0;
}

// The same start as a new game, in the same order, with the same seed.
CInputDataOutput::CInputDataOutput(int slot) {
    g_game->ReplayWritten().Clear();
    g_game->ReplayPlayed().Clear();
    g_game->Script().Clear();
    g_game->Music().Stop();
    g_game->Random().SetSeed(52154, 537, 150);
    if (!g_game->ReplayPlayed().LoadReplayFile(slot)) {
        refused_ = true;
        new CReplayDataSelect(0);
        return;
    }
    g_game->ResetScore();
    g_game->SetLives(g_game->GetMode() == 1 ? 5 : 3);
    g_game->SetNameEntryNeeded(false);
    g_game->SetReplayPlaying(true);
    g_game->SetPlayer(new CAppearingPlayer());
    new CReady();
    new CBackGround();
}

bool CInputDataOutput::Move() {
    if (refused_) return false;
    bool stop = (g_game->GetInput() & kPadCancel) || g_game->GetLives() <= 0 || g_game->IsPlayEnded() ||
                g_game->IsReplayRecordRequested();
    const CReplayRecord& record = g_game->ReplayPlayed();
    if (stop || record.IsEnd(frame_)) {
        Stop();
        return false;
    }
    record.ApplyInput(frame_);
    g_game->NoteReplayFrame('p', frame_);
    ++frame_;
    return true;
}

void CInputDataOutput::Stop() {
    g_game->ClearAllBut(POOL_REPLAY + 1);
    new CReplayDataSelect(0);
    g_game->SetReplayPlaying(false);
    g_game->ReplayWritten().Clear();
    g_game->ReplayPlayed().Clear();
    // A replay that ended its play (a cleared last stage) asks for nothing more: no save offer over a slot, no
    // scene request, only the slot list.
    g_game->SetPlayEnded(false);
    g_game->SetReplayRecordRequested(false);
    g_game->RequestJumpScene(0);
}
