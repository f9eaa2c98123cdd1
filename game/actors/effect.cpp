// Effects over the play field: animated sparks, enemy explosions and the player's explosion that takes a life.
#include "actors/effect.h"

#include <cmath>

#include "actors/player.h"
#include "frame/game.h"
#include "zovav.h"
#include "scenes/play_flow.h"

void* CEffect::operator new(size_t size) noexcept {
    CTaskList* list = GamePool(POOL_EFFECT);
    if (list->GetCount() + 1 >= list->Capacity()) return nullptr;
    return list->Take(size);
}

void* CPlayerCrash::operator new(size_t size) noexcept { return GamePool(POOL_EFFECT)->Take(size); }

CEffect::CEffect(float x, float y) : CPoolTask(x, y) {}

void CEffect::DrawAnimFrame(int animation, int frame) const {
    if (animation < 0 || animation > 1 || frame < 0 || frame > 15) return;
    DrawRotaGraph((int)x, (int)y, 1.0, 0.0, g_game->effectAnimations[animation][frame], 1, 0);
}

CNormalEffect::CNormalEffect(int animation, float x, float y, float speed, float vx, float vy)
    : CNormalEffect(GamePool(POOL_EFFECT), animation, x, y, speed, vx, vy) {}

CNormalEffect::CNormalEffect(CTaskList* list, int animation, float x, float y, float speed, float vx, float vy)
    : CEffect(list, x, y), animation_(animation), speed_(std::fabs(speed)), vx_(vx), vy_(vy) {}

bool CNormalEffect::Move() {
    frame_ += speed_;
    x += vx_;
    y += vy_;
    return (int)frame_ <= 15;
}

void CNormalEffect::Draw() { DrawAnimFrame(animation_, (int)frame_); }

CEnemyCrash::CEnemyCrash(float x, float y, float scale) : CEffect(x, y), scale_(scale) {
    g_game->SoundEffects().Play(1, 1);
}

bool CEnemyCrash::Move() {
    ++counter_;
    y = (float)(y + 0.5);
    return counter_ < 64;
}

void CEnemyCrash::Draw() { DrawAnimFrame(0, counter_ / 4); }

CPlayerCrash::CPlayerCrash(float x, float y) : CEffect(x, y) { g_game->SoundEffects().Play(1, 1); }

bool CPlayerCrash::Move() {
    if (++counter_ <= 70) return true;
    if (!lifeTaken_) {
        g_game->AddLives(-1);
        lifeTaken_ = true;
    }
    // A full pool must not leave the play without a ship or an end: try again next update.
    if (g_game->GetLives() >= 1) return new CAppearingPlayer() == nullptr;
    return new CGameOver() == nullptr;
}

void CPlayerCrash::Draw() { DrawAnimFrame(0, counter_ / 5); }
