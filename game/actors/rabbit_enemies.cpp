// The ten rabbit kinds: the stages' ordinary enemies, each with its own motion and firing over the shared step.
#include "actors/rabbit_enemies.h"

#include <cmath>

#include "actors/basic_bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

static_assert(FitsPool<CBigRabbitEnemy>() && FitsPool<CBigRabbit3Enemy>() && FitsPool<CSmallRabbit2Enemy>());

namespace {
BulletParam Polar(float speed) {
    BulletParam p;
    p.polar = 1;
    p.speed = speed;
    return p;
}
}  // namespace

CPatternEnemy::CPatternEnemy(int imageKind, float x, float y, float hp, int scoreA, int scoreB)
    : CSmallEnemy(imageKind, x, y, hp, scoreA * g_game->GetMode() + scoreB), mode_(g_game->GetMode()) {}

CBigRabbitEnemy::CBigRabbitEnemy(float x, float y) : CPatternEnemy(0, x, y, 25, 500, 1250) {}

bool CBigRabbitEnemy::Move() {
    const int a = age, m = Mode();
    if (a < 100) {
        x += vx_;
        y += vy_;
    } else if (a > 200) {
        x += vx_;
        y -= vy_;
    }
    if (a >= 101 && a <= 124 && m >= 2) {
        if (a == 110) {
            for (int i = -8; i <= 11; ++i) new CSpiralBullet(x, y, (float)(0.1f * (double)i), 2.5f, 5);
            for (int i = -5; i <= 5; ++i) {
                BulletParam p = Polar(1.0f);
                p.angle = (float)(0.2f * (double)i);
                p.accel = -0.005f;
                new CDirToAimBullet(x, y, p, 4.0f, 100, 9);
                p.speed = 1.8f;
                new CDirToAimBullet(x, y, p, 4.0f, 150, 9);
            }
            if (m >= 3) {
                for (int i = -10; i <= 10; ++i) {
                    BulletParam p = Polar(1.5f);
                    p.angle = (float)(0.1f * (double)i);
                    p.accel = -0.005f;
                    new CDirToAimBullet(x, y, p, 4.0f, 130, 9);
                }
            }
        }
        if ((a == 115 || a == 120) && m >= 3)
            for (int i = -8; i <= 11; ++i) new CSpiralBullet(x, y, (float)(0.1f * (double)i), 2.0f, 5);
    }
    if (a % 80 == 0 && !(a >= 100 && a <= 180)) {
        for (int i = -1; i <= 1; ++i)
            new CHomingBullet(x + 5 * i, y, (float)(1.5 + 0.2f * (double)i), 0.008f,
                              (float)(2.5 + 0.05f * (double)i), 0);
    }
    ++age;
    return CSmallEnemy::Move();
}

CBigRabbit2Enemy::CBigRabbit2Enemy(float x, float y) : CPatternEnemy(4, x, y, 30, 700, 1500) {}

bool CBigRabbit2Enemy::Move() {
    const int a = age, n = Mode() - 1;
    if (a < 200) {
        y += 2.0f;
    } else {
        x += 2.0f * Side();
        y -= 3.0f;
    }
    if (a < 200 && a % 20 == 0 && a < 50 * n)
        for (int i = -5; i <= 4; ++i) new CDirBullet(x, y, (float)(1.5 + 0.07f * (double)i), 3.0f, -0.0015f, 5);
    ++age;
    return CSmallEnemy::Move();
}

CBigRabbit3Enemy::CBigRabbit3Enemy(float x, float y) : CPatternEnemy(0, x, y, 20, 500, 1250) {}

bool CBigRabbit3Enemy::Move() {
    const int a = age, m = Mode(), n = m - 1;
    if (y <= 50.0f) {
        y += vy_;
    } else {
        if (a > 800) x += vx_ * Side();
        if (a % 100 == 0) {
            double spread = 0.08f - 0.02f * (double)n;
            for (int i = -5 - 2 * n; i <= 4 + 2 * n; ++i)
                new CDirBullet(x, y, (float)(1.5 + i * spread), 1.2f, 0.0f, 2);
        }
        CPlayer* player = g_game->GetPlayer();
        if (a % 200 >= 35 && player) {
            targetX_ = player->x;
            targetY_ = player->y;
        }
        if (a % 200 < 35 && a % 3 == 0) {
            BulletParam p = Polar((float)(m + 3.0));
            p.accel = (float)(-(a % 200) * (double)0.00053f);
            p.limit = 2.0f;
            p.limitMode = 2;
            float dx = targetX_ - x, dy = targetY_ - y;
            p.angle = (float)(std::atan2((double)dx, (double)dy) / kPi - 0.5);
            new CBasicBullet(x, y, p, 4);
        }
    }
    ++age;
    return CSmallEnemy::Move();
}

CBigRabbit4Enemy::CBigRabbit4Enemy(float x, float y) : CPatternEnemy(0, x, y, 15, 460, 1000) {}

bool CBigRabbit4Enemy::Move() {
    const int a = age;
    const long long t = SinceDelay();
    if (t < 50) {
        y += 2.0f;
    } else if (t > 300) {
        y -= 5.0f;
    } else if (a % 10 == 0) {
        BulletParam p = Polar((float)(1.5 + 0.5f * (double)(a % 3)));
        // Each side bullet draws its random turn only once it has its pool slot.
        const float sides[2][2] = {{10.0f, -0.05f}, {-10.0f, 0.05f}};
        for (const auto& side : sides) {
            if (void* slot = CBullet::operator new(sizeof(CAim2Bullet))) {
                int r = g_game->Random().Next(5);
                ::new (slot) CAim2Bullet(x + side[0], y, p, 3, (float)(0.01f * (double)r + side[1]));
            }
        }
        new CAim2Bullet(x, y, p, 3, 0.0f);
    }
    ++age;
    return CSmallEnemy::Move();
}

CBigRabbit5Enemy::CBigRabbit5Enemy(float x, float y) : CPatternEnemy(8, x, y, 20, 400, 500) {}

bool CBigRabbit5Enemy::Move() {
    const int a = age, n = Mode() - 1, period = 30 - 10 * n;
    y += 1.0f;
    if (period > 0 && a % period == 0) new CAim2Bullet(x, y, Polar(1.0f), 10, 0.0f);
    ++age;
    return CSmallEnemy::Move();
}

CSmallRabbitEnemy::CSmallRabbitEnemy(float x, float y) : CPatternEnemy(1, x, y, 5, 300, 500) {}

bool CSmallRabbitEnemy::Move() {
    const int a = age, m = Mode();
    y += vy_;
    x = (float)(x + (double)Cosf(phase_) * amplitude_);
    phase_ = (float)(phase_ + (double)0.157075f);
    CPlayer* player = g_game->GetPlayer();
    if (player && a % 40 == 0 && a % 100 < 20 && a < 100)
        for (int i = -m; i <= m; ++i)
            new CAimBullet(x + 5.0f, y, player->x, player->y, (float)(0.21f * (double)i), 1.8f, 0.0f, 0);
    ++age;
    return CSmallEnemy::Move();
}

CSmallRabbit2Enemy::CSmallRabbit2Enemy(float x, float y)
    : CPatternEnemy(1, x, y, 10, 300, 500), vx_(x < 240 ? 3.7f : -3.7f) {}

bool CSmallRabbit2Enemy::Move() {
    const int a = age, m = Mode();
    if (a < 50 || a >= 201) {
        x += vx_;
        y -= vy_;
    }
    CPlayer* player = g_game->GetPlayer();
    if (a % 50 == 0 && player) {
        targetX_ = player->x;
        targetY_ = player->y;
    }
    if (a >= 50 && a <= 200) {
        if (a % 25 == 0) {
            if (a % 100 == 0 && m >= 3) new CHomingBullet(x, y, 1.5f, 0.005f, 1.5f, 6);
            double spread = (3 - m) * (double)0.053f + (double)0.0492f;
            for (int i = -(m + 3); i <= m + 3; ++i) new CDirBullet(x, y, (float)(1.5 + i * spread), 1.4f, 0.0f, 6);
        }
        if (a % 5 == 0 && m >= 2) new CAimBullet(x, y, targetX_, targetY_, 0.0f, 2.5f, 0.0f, 4);
    }
    ++age;
    return CSmallEnemy::Move();
}

CSmallRabbit3Enemy::CSmallRabbit3Enemy(float x, float y) : CPatternEnemy(1, x, y, 5, 440, 1000) {}

bool CSmallRabbit3Enemy::Move() {
    const int a = age, n = Mode() - 1;
    const long long t = SinceDelay();
    if (t < 100) {
        y += 2.0f;
    } else if (t > 400) {
        x += 3.0f * Side();
        y -= 3.0f;
    } else if (a % 2 == 0 && a % 100 < 20 * n + 40) {
        new CDirBullet(x, y, (float)(0.01f * (double)a + (double)0.045f), 4.0f, 0.01f, 7);
    }
    ++age;
    return CSmallEnemy::Move();
}

CSmallRabbit4Enemy::CSmallRabbit4Enemy(float x, float y) : CPatternEnemy(1, x, y, 5, 300, 500) {}

bool CSmallRabbit4Enemy::Move() {
    const int a = age, m = Mode(), n = m - 1, period = 60 - 10 * n;
    const long long t = SinceDelay();
    if (t < 30) {
        y += 2.5f;
    } else if (t > 200) {
        y -= 4.0f;
    } else if (period > 0 && a % period == 0) {
        BulletParam p = Polar(2.0f);
        for (int k = 0; k < n + 1; ++k) {
            p.speed += 0.5f;
            new CAim2Bullet(x, y, p, 9, 0.0f);
            if (m >= 2) {
                new CAim2Bullet(x, y, p, 9, 0.03f);
                new CAim2Bullet(x, y, p, 9, -0.03f);
            }
        }
    }
    ++age;
    return CSmallEnemy::Move();
}

CSmallRabbit5Enemy::CSmallRabbit5Enemy(float x, float y) : CPatternEnemy(1, x, y, 10, 300, 500) {}

bool CSmallRabbit5Enemy::Move() {
    const int a = age, n = Mode() - 1, period = 70 - 20 * n, p1 = GetParam(1);
    const long long t = SinceDelay();
    if (t < 30) {
        y += 2.5f;
    } else if (t > 200) {
        y -= 4.0f;
    } else if (period > 0 && a % period == 0 && (p1 == 0 || p1 == 1)) {
        for (int i = 0; i <= 8; ++i)
            new CDirBullet(x, y, (float)(1.3 + 0.05f * (double)i), (float)(1.0 + 0.05f * (double)i), 0.0f, 3);
    }
    ++age;
    return CSmallEnemy::Move();
}
