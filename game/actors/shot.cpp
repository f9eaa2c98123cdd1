// The player's weapons: straight and homing shots, and the sword that sweeps once round the ship.
#include "actors/shot.h"

#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"
#include "frame/pad_bits.h"
#include "zovav.h"

static_assert(FitsPool<CNormalShot>() && FitsPool<CHomingShot>() && FitsPool<CSword>());

bool CShot::Move() { return !IsOutOfField(*this, 20.0f); }

CNormalShot::CNormalShot(float x, float y, float angle, int image) : CShot(x, y), image_(image) {
    angle_ = (float)(angle * kPi);
    vx_ = Cosf(angle_) * 9.5f;
    vy_ = Sinf(angle_) * 9.5f;
}

bool CNormalShot::Move() {
    x += vx_;
    y -= vy_;
    return CShot::Move();
}

void CNormalShot::Draw() {
    int handle = image_ == 0 ? g_game->shotImage : (image_ <= 14 ? g_game->bulletImages[image_ - 1] : -1);
    DrawRotaGraph((int)x, (int)y, 1.0, -angle_, handle, 1, 0);
}

CHomingShot::CHomingShot(float x, float y, float angle, float turn, int image)
    : CShot(x, y), angle_((float)(-(angle * kPi))), turn_(turn), image_(image) {
    CTaskList* enemies = g_game->Pool(POOL_ENEMY);
    int r = g_game->Random().Next((int)enemies->GetCount() + 1);
    CEnemy* target = nullptr;
    CTaskList::iterator it(enemies);
    for (int i = 0; i < r && it.HasNext(); ++i) target = static_cast<CEnemy*>(it.Next());
    noTarget_ = !target || target->IsIntangible();
    if (noTarget_) return;
    target_ = EnemyRef(target);
    angle_ = AimAngle(x, y, target->x, target->y);
    int r2 = g_game->Random().Next(40);
    angle_ = (float)(angle_ + (0.2 - r2 / 100.0));
    vx_ = Cosf(angle_) * 8.5f;
    vy_ = Sinf(angle_) * 8.5f;
}

bool CHomingShot::Move() {
    if (noTarget_) return false;
    CEnemy* target = target_.Get();   // a vanished target counts as dead
    if (target && !target->IsDead()) {
        angle_ = TurnToward(angle_, AimAngle(x, y, target->x, target->y), turn_);
        vx_ = Cosf(angle_) * 9.5f;
        vy_ = Sinf(angle_) * 9.5f;
    }
    x += vx_;
    y += vy_;
    return CShot::Move();
}

void CHomingShot::Draw() { DrawRotaGraph((int)x, (int)y, 1.0, angle_, g_game->shotImage, 1, 0); }

bool CSword::Move() {
    CPlayer* player = g_game->GetPlayer();
    if (!player) return false;
    x = player->x;
    y = player->y;
    if (step_ <= 9) {
        angle_ += 0.2f;
        if (angle_ >= 2.0f) angle_ -= 2.0f;
        ++step_;
    }
    for (CTaskList::iterator it(g_game->Pool(POOL_ENEMY)); it.HasNext();) {
        CEnemy* e = static_cast<CEnemy*>(it.Next());
        float a = AimAngle(x, y, e->x, e->y);
        float d = Distance(x, y, e->x, e->y);
        float diff = (float)std::fabs(angle_ - a / kPi);
        if ((diff < 0.25f || diff > 1.75f) && d <= 130) e->Kill();
    }
    if (g_game->GetInput() & kPadShot) return true;
    if (duration_ <= 0) return false;
    --duration_;
    return true;
}

void CSword::Draw() {
    int colour = GetColor(30, 30, 120);
    for (int i = 0; i < step_ * 10; ++i) {
        float a1 = (float)((i * 0.2f / 10.0 + startAngle_) * kPi);
        float a2 = (float)(((i + 1) * 0.2f / 10.0 + startAngle_) * kPi);
        SetDrawBlendMode(ZV_BLEND_ADD, i * 7 / 10 + 100);
        float a2b = (float)(a2 - 0.001);
        DrawTriangle((int)x, (int)y, (int)(x + Cosf(a1) * 100.0), (int)(y + Sinf(a1) * 100.0),
                     (int)(x + Cosf(a2b) * 100.0), (int)(y + Sinf(a2b) * 100.0), colour, 1);
    }
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
    float t = (float)(angle_ * kPi);
    DrawRotaGraph((int)(x + Cosf(t) * 50.0), (int)(y + Sinf(t) * 50.0), 1.0, t, g_game->swordImage, 1, 0);
}
