// The eight crystal kinds: the second family of ordinary enemies, with their own motion and firing.
#include "actors/crystal_enemies.h"

#include "actors/basic_bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

static_assert(FitsPool<CCrystalEnemy>() && FitsPool<CCrystal7Enemy>() && FitsPool<CCrystal8Enemy>());

CCrystalEnemy::CCrystalEnemy(float x, float y) : CPatternEnemy(2, x, y, 3, 300, 290), side_(x > 240 ? 1 : 0) {}

bool CCrystalEnemy::Move() {
    const int a = age, n = Mode() - 1;
    if (-limit_ < vx_ && vx_ < limit_) {
        vy_ = (float)(vy_ - (double)0.01f);
        vx_ = (float)(vx_ + (side_ == 0 ? -(double)0.02f : (double)0.02f));
    }
    if (a % 40 == 0) {
        for (int i = -n; i <= -1; ++i) {
            float t = (float)(0.01 * i);
            float angle = (float)(t + (side_ == 0 ? -(double)0.3f : (double)1.3f));
            new CDirBullet(x, y, angle, 4.3f, 0.0f, 0);
        }
    }
    ++age;
    x += vx_;
    y += vy_;
    return CSmallEnemy::Move();
}

void CCrystalEnemy::Draw() {
    drawAngle = side_ == 1 ? 0.5235833525657654 : -0.5235833525657654;
    CSmallEnemy::Draw();
}

CCrystal2Enemy::CCrystal2Enemy(float x, float y) : CPatternEnemy(2, x, y, 3, 200, 270) {}

bool CCrystal2Enemy::Move() {
    const int a = age;
    y += 4.0f;
    if (a % 100 == 0 && a < 50) {
        for (int i = -2; i <= 2; ++i) {
            float off = (float)(3.3f * (double)i);
            new CHomingBullet(x + off, y + off, (float)(1.5 + 0.03f * (double)i), 0.01f, 5.0f, 0);
        }
    }
    ++age;
    return CSmallEnemy::Move();
}

CCrystal3Enemy::CCrystal3Enemy(float x, float y) : CPatternEnemy(5, x, y, 20, 240, 500) {}

bool CCrystal3Enemy::Move() {
    const int a = age;
    if (a < 50) {
        y += vy_;
    } else if (a >= 201) {
        y -= vy_;
        x += vx_ * Side();
    } else if (a % 6 == 0) {
        for (int i = 0; i <= 7; ++i)
            new CDirBullet(x, y, (float)(0.25f * (double)i + baseAngle_), 1.2f, 0.0f, 7);
    }
    if (a % 50 == 0) baseAngle_ = (float)(baseAngle_ + (double)0.4f);
    ++age;
    return CSmallEnemy::Move();
}

CCrystal4Enemy::CCrystal4Enemy(float x, float y) : CPatternEnemy(5, x, y, 20, 240, 500) {}

bool CCrystal4Enemy::Move() {
    const int a = age;
    if (a < 40) {
        y += vy_;
    } else if (a > 300) {
        y -= vy_;
        x += vx_ * Side();
    } else if (a % 10 == 0) {
        if (CPlayer* player = g_game->GetPlayer()) {
            for (int i = -1; i <= 0; ++i)
                new CAimBullet((float)(x + 10 * i + 20 * (column_ - 1)), y + 20.0f, player->x, player->y,
                               (float)(0.4f * (double)column_ - (double)0.4f), 3.0f, -0.001f, 9);
        }
    }
    column_ = (column_ + 1) % 3;
    ++age;
    return CSmallEnemy::Move();
}

CCrystal5Enemy::CCrystal5Enemy(float x, float y) : CPatternEnemy(7, x, y, 20, 220, 500), side_(x < 240) {}

bool CCrystal5Enemy::Move() {
    const int a = age;
    const long long t = SinceDelay();
    if (t < 60 || (t > 250 && t < 280)) {
        y += 1.0f;
        x += side_ ? 3.0f : -3.0f;
    } else if (t > 300) {
        y += 4.0f;
    }
    if (a % 12 == 0 && t > 60 && t < 300) {
        BulletParam p;
        p.polar = 1;
        p.speed = 2.5f;
        p.startDistance = 10.0f;
        for (int i = 0; i <= 15; ++i) {
            p.angle = (float)(0.125f * (double)i + (double)0.02f);
            new CBasicBullet(x, y, p, 0);
        }
        if (Mode() >= 2) {
            p.startDistance = 0.0f;
            for (int i = 0; i <= 15; ++i) {
                p.angle = (float)(0.125f * (double)i + (double)0.04f);
                new CBasicBullet(x, y, p, 0);
            }
        }
    }
    ++age;
    return CSmallEnemy::Move();
}

CCrystal6Enemy::CCrystal6Enemy(float x, float y) : CPatternEnemy(7, x, y, 20, 260, 700) {}

bool CCrystal6Enemy::Move() {
    const int a = age, d = Delay(), m = Mode();
    const long long since = SinceDelay();
    if (since < 20) {
        float t = (float)((GetParam(1) * (double)0.01f + 1.5) * kPi);
        x = (float)(x + (double)Cosf(t) * 3.0);
        y = (float)(y - (double)Sinf(t) * 3.0);
    } else if (since > 300) {
        float t = (float)((d * (double)0.01f + 2.5) * kPi);
        x = (float)(x + (double)Cosf(t) * 4.0);
        y = (float)(y - (double)Sinf(t) * 4.0);
    } else if (a % 15 == 0) {
        // One draw per volley, whether or not the bullet pool has room.
        spin_ = (float)(spin_ + g_game->Random().Next(10) * (double)0.001f + (double)0.08f);
        BulletParam p;
        p.polar = 1;
        p.speed = 3.0f;
        for (int k = 0; k < m + 1; ++k) {
            p.speed += 1.0f;
            for (double offset : {(double)0.005f, 0.0, -(double)0.005f}) {
                p.angle = (float)((spin_ + offset) * kPi);
                new CBasicBullet(x, y, p, 11);
            }
        }
    }
    ++age;
    return CSmallEnemy::Move();
}

CCrystal7Enemy::CCrystal7Enemy(float x, float y) : CPatternEnemy(7, x, y, 10, 240, 500) {}

// Never hittable and never dead: it glides between the points of position list 0 and leaves after d + 9 cycles.
bool CCrystal7Enemy::Move() {
    if (age == 0) {
        const auto& lists = g_game->Positions();
        const PositionList* points = lists.empty() ? nullptr : &lists[0];
        int count = points ? (int)points->size() : 0;
        int r = g_game->Random().Next(count);
        // An empty list leaves the crystal where it is.
        if (count > 0) {
            destX_ = (*points)[r].first;
            destY_ = (*points)[r].second;
        } else {
            destX_ = x;
            destY_ = y;
        }
        ++cycles_;
    }
    if (age < 120) {
        MoveToPoint(*this, 120 - age, destX_, destY_);
    } else if (age % 130 == 0) {
        float angle = (float)(g_game->Random().Next(10) * (double)0.02f + (double)1.4f);
        new CLaserBullet(x, y, angle, 0.0f, 10.0f, 0, 60, 10);
    }
    age = (age + 1) % 220;
    return cycles_ < 10LL + Delay();
}

CCrystal8Enemy::CCrystal8Enemy(float x, float y) : CPatternEnemy(3, x, y, 10, 200, 500) {}

bool CCrystal8Enemy::Move() {
    if (!started_) {
        float s = (float)(Delay() + 1.0);
        float t = (float)(GetParam(1) * (double)0.01f * kPi);
        vx_ = Cosf(t) * s;
        vy_ = Sinf(t) * s;
        started_ = true;
    }
    x += vx_;
    y -= vy_;
    return CSmallEnemy::Move();
}
