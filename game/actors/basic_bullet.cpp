// Parametric bullets: one parameter record drives a cartesian or polar step; aimed, delayed-aim and formula kinds.
#include "actors/basic_bullet.h"

#include <cmath>

#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

void ClampToLimit(float& value, float limit, int mode) {
    if (mode == 0) return;
    if (mode == 1) {
        if (value > limit) value = limit;
    } else if (value < limit) {
        value = limit;
    }
}

void BulletMotionXY(BulletParam& p, float& x, float& y) {
    p.vx += p.ax;
    p.vy += p.ay;
    ClampToLimit(p.vx, p.limit, p.limitMode);
    ClampToLimit(p.vy, p.limit, p.limitMode);
    x += p.vx;
    y -= p.vy;
}

void BulletMotionPolar(BulletParam& p, float& x, float& y) {
    float a = (float)(p.angle * kPi);
    float c = Cosf(a), s = Sinf(a);
    x = (float)(x + (double)p.speed * c);
    y = (float)(y - (double)p.speed * s);
    p.speed += p.accel;
    p.angle += p.turn;
    p.turn += p.turnAccel;
    ClampToLimit(p.speed, p.limit, p.limitMode);
    ClampToLimit(p.turn, p.turnLimit, p.turnLimitMode);
}

CBasicBullet::CBasicBullet(float x, float y, const BulletParam& p, int kind) : CBullet(x, y, kind) { Setup(p); }

void CBasicBullet::ApplyStartOffset() {
    float a;
    if ((param_.polar & 0xFF) != 0) {
        a = (float)(-(param_.angle * kPi));
    } else {
        float dx = (x + param_.vx) - x, dy = (y + param_.vy) - y;
        a = (float)(std::atan2((double)dx, (double)dy) / kPi + 0.5 - kPi);
    }
    x = (float)(x + (double)Cosf(a) * param_.startDistance);
    y = (float)(y + (double)Sinf(a) * param_.startDistance);
}

void CBasicBullet::Setup(const BulletParam& p) {
    param_ = p;
    ApplyStartOffset();
    if (param_.lifetime < 1) param_.lifetime = 3600;
    motion_ = (param_.polar & 0xFF) == 1 ? BulletMotionPolar : BulletMotionXY;
}

bool CBasicBullet::Move() {
    motion_(param_, x, y);
    ++param_.frame;
    drawAngle = (float)(-(param_.angle * kPi));
    if (param_.lifetime <= param_.frame) return false;
    return CBullet::Move();
}

CAim2Bullet::CAim2Bullet(float x, float y, const BulletParam& p, int kind, float offset)
    : CBasicBullet(x, y, p, kind) {
    CPlayer* player = g_game->GetPlayer();
    if (!player) {
        remove_ = true;
        return;
    }
    float dx = player->x - x, dy = player->y - y;
    param_.angle = (float)(param_.angle - (0.5 - std::atan2((double)dx, (double)dy) / kPi));
    param_.angle -= offset;
}

bool CAim2Bullet::Move() { return remove_ ? false : CBasicBullet::Move(); }

bool CDirToAimBullet::Move() {
    if (param_.frame > delay_) {
        BulletParam p;
        p.polar = 1;
        p.speed = aimSpeed_;
        new CAim2Bullet(x, y, p, kind, 0.0f);
        return false;
    }
    return CBasicBullet::Move();
}

CFormulaBullet::CFormulaBullet(float x, float y, float m, float p, float k, float l, float scale, float direction,
                               int kind)
    : CBasicBullet(x, y, kind), m_(m), p_(p), k_(k), l_(l), scale_(scale), direction_(direction) {
    drawAngle = direction;
    BulletParam bp;
    bp.polar = 1;
    bp.angle = direction;
    float t = (float)(direction * kPi * m / 4.0);
    float a = Powf(Fabsf(Cosf(t) / 1.0f), k);
    float b = Powf(Fabsf(Sinf(t) / 1.0f), l);
    float r = (float)std::pow((double)(a + b), 1.0 / p);
    bp.speed = Fabsf(r) == 0 ? 0.001f : (float)((1.0 / r) * scale);
    Setup(bp);
}
