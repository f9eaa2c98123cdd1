// Enemy bullets: the base (hit box from the image, field removal, drawing) and the fixed-motion kinds.
#include "actors/bullet.h"

#include <algorithm>

#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"
#include "zovav.h"

namespace {

// A speed and its change per move along the angle t (radians), as x and y parts.
void Split(float t, float speed, float change, float* vx, float* vy, float* cx, float* cy) {
    const float c = Cosf(t), s = Sinf(t);
    *vx = speed * c;
    *vy = speed * s;
    *cx = change * c;
    *cy = change * s;
}

}  // namespace

CBullet::CBullet(float x, float y, int kind) : CPoolTask(x, y), kind(kind) {
    int w = 0, h = 0;
    if (kind >= 0 && kind < 14) {
        w = g_game->bulletSizes[kind].width;
        h = g_game->bulletSizes[kind].height;
    }
    halfWidth = w / 2.0f;
    halfHeight = h / 2.0f;
    float m = std::min(halfWidth, halfHeight) * 0.3f;
    hitBox = HitBox::Centred(m, m);
}

bool CBullet::Move() { return !IsOutOfField(*this, 30.0f); }

void CBullet::Draw() { DrawRotaGraph((int)x, (int)y, 1.0, drawAngle, g_game->bulletImages[kind], 1, 0); }

CDirBullet::CDirBullet(float x, float y, float angle, float speed, float accel, int kind) : CBullet(x, y, kind) {
    drawAngle = (float)(-(angle * kPi));
    Split(drawAngle, speed, accel, &vx_, &vy_, &ax_, &ay_);
}

bool CDirBullet::Move() {
    x += vx_;
    y += vy_;
    vx_ += ax_;
    vy_ += ay_;
    return CBullet::Move();
}

CSlowDirBullet::CSlowDirBullet(float x, float y, float angle, float speed, float change, int kind)
    : CBullet(x, y, kind) {
    drawAngle = (float)(-(angle * kPi));
    Split(drawAngle, speed, change, &vx_, &vy_, &cx_, &cy_);
}

bool CSlowDirBullet::Move() {
    if (frame_ == 30) {
        vx_ -= cx_;
        vy_ -= cy_;
    }
    x += vx_;
    y += vy_;
    ++frame_;
    return CBullet::Move();
}

CAimBullet::CAimBullet(float x, float y, float tx, float ty, float offset, float speed, float accel, int kind)
    : CDirBullet(x, y, kind) {
    drawAngle = (float)((double)AimAngle(x, y, tx, ty) + offset);
    Split(drawAngle, speed, accel, &vx_, &vy_, &ax_, &ay_);
}

CHomingBullet::CHomingBullet(float x, float y, float angle, float turn, float speed, int kind)
    : CBullet(x, y, kind), angle_(angle), turn_(turn), speed_(speed) {
    vx_ = speed * Cosf(angle);
    vy_ = speed * Sinf(angle);
    drawAngle = angle;
}

bool CHomingBullet::Move() {
    if (CPlayer* player = g_game->GetPlayer()) {
        angle_ = TurnToward(angle_, AimAngle(x, y, player->x, player->y), turn_);
        vx_ = speed_ * Cosf(angle_);
        vy_ = speed_ * Sinf(angle_);
        drawAngle = angle_;
    }
    x += vx_;
    y += vy_;
    return CBullet::Move();
}

CSpiralBullet::CSpiralBullet(float x, float y, float angle, float speed, int kind)
    : CBullet(x, y, kind), angle_((float)(angle * kPi)), step_(0.031415f), speed_(speed) {}

bool CSpiralBullet::Move() {
    if (frame_ < 110) angle_ += step_;
    frame_ += 1.0f;
    x += Cosf(angle_) * speed_;
    y += Sinf(angle_) * speed_;
    drawAngle = angle_;
    return CBullet::Move();
}

CRainBullet::CRainBullet(float x, float y, float angle, float speed, int stopFrame, int kind)
    : CBullet(x, y, kind), angle_((float)(angle * kPi)), speed_(speed), stopFrame_(stopFrame) {
    vx_ = Cosf(angle_) * speed_;
    vy_ = -Sinf(angle_) * speed_;
    drawAngle = -angle_;
}

bool CRainBullet::Move() {
    if (frame_ < stopFrame_) {
        x += vx_;
        y += vy_;
    }
    if (frame_ > stopFrame_ + 50) {
        drawAngle = 1.5f;
        y += 8.0f;
    }
    ++frame_;
    return CBullet::Move();
}

CLaserBullet::CLaserBullet(float x, float y, float angle, float turn, float step, int first, int maxCount, int kind)
    : CBullet(x, y, kind), angle_((float)(-(angle * kPi))), turn_((float)(turn * kPi)), step_(step),
      first_(first), maxCount_(maxCount) {}

float CLaserBullet::PointX(int i) const { return (float)(x + (double)i * step_ * Cosf(angle_)); }
float CLaserBullet::PointY(int i) const { return (float)(y + (double)i * step_ * Sinf(angle_)); }

bool CLaserBullet::OffScreen(float px, float py) const {
    return px > 640 + hitBox.right + 100 || px + hitBox.left + 100 < 0 || py > 480 + hitBox.top + 100 ||
           py + hitBox.bottom + 100 < 0;
}

bool CLaserBullet::Move() {
    if (CPlayer* player = g_game->GetPlayer()) {
        float baseX = x, baseY = y;
        int i = first_;
        for (; i <= count_; ++i) {
            float px = PointX(i), py = PointY(i);
            x = baseX;
            y = baseY;
            if (OffScreen(px, py)) break;
            x = px;
            y = py;
            if (HitTest(*this, *player)) player->life = 0.0f;
            x = baseX;
            y = baseY;
        }
        if (i >= count_ || maxCount_ > 0) ++count_;
        x = baseX;
        y = baseY;
    }
    angle_ += turn_;
    if (maxCount_ < 1) return true;
    return count_ <= maxCount_;
}

void CLaserBullet::Draw() {
    for (int i = first_; i < count_; ++i) {
        float px = PointX(i), py = PointY(i);
        if (OffScreen(px, py)) break;
        DrawRotaGraph((int)px, (int)py, 1.0, angle_, g_game->bulletImages[kind], 1, 0);
    }
}
