// Score pick-ups: the hopping item that destroyed enemies drop and the item that flies into the ship.
#include "actors/item.h"

#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"
#include "zovav.h"

namespace {
void DrawItem(const CMover& m) { DrawRotaGraph((int)m.x, (int)m.y, 1.0, 0.0, g_game->itemImage, 1, 0); }

void Collect(int value) {
    g_game->AddScore(value);
    g_game->SoundEffects().Play(2, 1);
}
}  // namespace

CItem::CItem(float x, float y) : CPoolTask(x, y, HitBox::Centred(10, 10)) {}

bool CItem::Move() {
    CPlayer* player = g_game->GetPlayer();
    bool fall = true;
    if (player) {
        float dx = player->x - x, dy = player->y - y;
        float d = Distance(x, y, player->x, player->y);
        if (d < 30) {
            fall = false;
            if (d > 0) {
                x = (float)(x + (double)(dx / d) * 2.0);
                y = (float)(y + (double)(dy / d) * 2.0);
            }
        }
    }
    if (fall) {
        if (age_ < 60)
            y = (float)(y - ((60 - age_) * (double)0.07f - (double)1.2f));
        else
            y = (float)(y + (double)1.2f);
    }
    if (age_ <= 60) ++age_;
    return true;
}

bool CScoreItem::Move() {
    CItem::Move();
    CPlayer* player = g_game->GetPlayer();
    if (player && HitTest(*this, *player)) {
        value_ += g_game->GetLives() * 10;
        value_ += g_game->GetMode() * 100;
        Collect(value_);
        return false;
    }
    return !IsOutOfField(*this, 20.0f);
}

void CScoreItem::Draw() { DrawItem(*this); }

bool CApproachScoreItem::Move() {
    CPlayer* player = g_game->GetPlayer();
    if (!player) return false;
    if (wait_ < 30) {
        ++wait_;
        return true;
    }
    float dx = player->x - x, dy = player->y - y;
    float d = Distance(x, y, player->x, player->y);
    if (d > 30) {
        x = (float)(x + (double)(dx / d) * 10);
        y = (float)(y + (double)(dy / d) * 10);
    } else {
        x = player->x;
        y = player->y;
    }
    if (HitTest(*this, *player)) {
        value_ += g_game->GetLives() * 10;
        value_ += g_game->GetMode() * 10;
        Collect(value_);
        return false;
    }
    return !IsOutOfField(*this, 20.0f);
}

void CApproachScoreItem::Draw() { DrawItem(*this); }
