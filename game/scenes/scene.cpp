// The base of every screen and menu, the menu input rule, and the stage background.
#include "scenes/scene.h"

#include <cmath>

#include "frame/game.h"
#include "zovav.h"

int CMenuScene::Input() { return g_game->GetInput(); }

void CMenuScene::PlaySelect() { g_game->SoundEffects().Play(0, CSoundList::PLAY_BACK); }

int CMenuScene::BobOffset(int animation) {
    return (int)((float)std::sin((double)(animation * 0.01f * 3.1415f)) * 10.0f);
}

CBackGround::CBackGround() : CPoolTask(0, 0) { g_game->LoadBackGround(g_game->GetStage()); }

bool CBackGround::Move() { return true; }

void CBackGround::Draw() { DrawGraph(0, 0, g_game->backgroundImage, 1); }
