// The first boss: four attack phases where its entrance left it, the first guarded by circling crystals.
#include "actors/basic_bullet.h"
#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

static_assert(FitsPool<CBossCrystalEnemy>());

const BossTable kBoss1 = {
    0, "bgmboss", BossEndTest::kBeforeHits,
    {
        // make, hp, score per mode and base, hit effect, clock cycle, crash
        {MakeBossPhase<CBossAction1to1>, 300, 10000, 12500, -1, 1, false},   // no clock: age stays 0
        {MakeBossPhase<CBossAction1to2>, 400, 5000, 15000, -1, 120, true},
        {MakeBossPhase<CBossAction1to3>, 300, 7500, 18000, -1, 200, true},
        {MakeBossPhase<CBossAction1to4>, 400, 8000, 18000, -1, 10000, true},
    },
    "data/dat/mes1.dat", "data/dat/mes2.dat", false, 0, MakeBossPhase<CBossRemove1>,
};

// It fires nothing itself; its crystals do, and they end, and pay, with it.
CBossAction1to1::CBossAction1to1(float x, float y) : CBossEnemy(kBoss1, 0, x, y) {
    const int m = Mode();
    if (m == 3) score = 8000;
    for (int i = 0; i <= 3; ++i) new CBossCrystalEnemy(x, y, this, i * 0.5f, 50);
    if (m != 3) return;
    for (int i = 0; i <= 2; ++i) {
        new CBossCrystalEnemy(430, 430, this, i * 0.666f, 50);
        new CBossCrystalEnemy(50, 430, this, i * 0.666f, 50);
    }
}

CBossCrystalEnemy::CBossCrystalEnemy(float centreX, float centreY, CBossEnemy* owner, float a, float radius)
    : CSmallEnemy(3, 0, -40, 100, 4000), owner(owner), orbitAngle((float)(a * kPi)), radius(radius),
      centreX(centreX), centreY(centreY) {
    hitBox = HitBox();
}

bool CBossCrystalEnemy::Move() {
    const int m = g_game->GetMode();
    x = (float)((double)Cosf(orbitAngle) * radius + centreX);
    y = (float)((double)Sinf(orbitAngle) * radius + centreY);
    age = (age + 1) % 720;
    if (Every(age, 90)) {
        const int count = m == 2 ? 20 : 10;
        const double step = m == 2 ? 0.1_f : 0.2_f;
        for (int i = 0; i < count; ++i) new CDirBullet(x, y, (float)(i * step), 1.0f, 0.0f, 0);
    } else if (Every(age, 80)) {
        if (CPlayer* player = g_game->GetPlayer())
            new CAimBullet(x, y, player->x, player->y, 0.01f, 3.1f, (float)((m - 1) * 0.02_f + 0.01_f), 1);
    }
    CBossEnemy* boss = static_cast<CBossEnemy*>(owner.Get());
    if (!boss || boss->scoreGiven != 0) {
        g_game->AddScore(4000);
        new CEnemyCrash(x, y, 0.2f);
        return false;
    }
    orbitAngle = (float)(orbitAngle + 0.0031415_f);
    return true;
}

void CBossAction1to2::Pattern() {
    const int m = Mode();
    const int aimTime = m == 3 ? 80 : 60;
    if (age < aimTime && targetX != 0 && targetY != 0) {
        if (Every(age, 5)) {
            auto burst = [&](double centre) {
                for (int k = -1; k <= 1; ++k)
                    new CAimBullet(x, y + 40, targetX, targetY, (float)(k * 0.2_f + centre), 4.0f, 0.0f, 4);
            };
            if (m == 1) {
                new CAimBullet(x, y + 40, targetX, targetY, 0.0f, 4.0f, 0.0f, 4);
            } else {
                burst(0.0);
                if (m == 3) {
                    burst(0.6_f);
                    burst(-0.6_f);
                }
            }
        }
    } else if (CPlayer* player = g_game->GetPlayer()) {
        targetX = player->x;
        targetY = player->y;
    } else {
        targetX = 240;
        targetY = 400;
    }
    if (Every(age, 80 - (m - 1) * 10)) {
        for (int k = -20; k <= 20; ++k)
            new CSlowDirBullet(x + 5, y, (float)(k * 0.05_f + fanAngle), 4.0f, 3.0f, 3);
        fanAngle = (float)(fanAngle + 0.03_f);
    }
}

void CBossAction1to3::Pattern() {
    const int m = Mode();
    if (age == 0) {
        for (int i = 0; i <= 7; ++i)
            new CLaserBullet(x, y, (float)(1.5 + i * 0.25_f), 0.0007f, 10.0f, 5, 260, 11);
    }
    if (age == 120 && (m == 1 || m == 3)) {
        new CLaserBullet(0, 240, 1.75f, -0.001f, 5.0f, 0, 100, 10);
        new CLaserBullet(480, 240, 1.25f, 0.001f, 5.0f, 0, 100, 10);
    }
    if (Every(age, 50) && (m == 2 || m == 3)) {
        BulletParam p;
        p.polar = 1;
        p.speed = 5.0f;
        for (float fromX : {0.0f, 480.0f, 10.0f, 470.0f}) new CAim2Bullet(fromX, 0, p, 10, 0.0f);
    }
}

// Sixteen turning bullets in four groups a half turn apart, all shifted by base.
void CBossAction1to4::Flower(float base) {
    BulletParam p;
    p.polar = 1;
    p.turn = 0.001f;
    p.speed = 3.0f;
    for (int i = 0; i <= 3; ++i) {
        for (double offset : {0.0, 0.25_f, 0.1_f, 0.1_f + 0.25_f}) {
            p.angle = (float)(base + offset + i * 0.5_f);
            new CBasicBullet(x, y, p, 0);
        }
    }
}

void CBossAction1to4::Pattern() {
    const int m = Mode(), a = age;
    if (Every(a, 100)) {
        CPlayer* player = g_game->GetPlayer();
        targetX = player ? player->x : 245.0f;
        targetY = player ? player->y : 450.0f;
    }
    if (Within(a % 100, 41, 100) && Every(a, 5)) {
        new CAimBullet(x, y, targetX, targetY, 0.0f, 4.0f, 0.0f, 4);
        if (m == 2) {
            new CAimBullet(x, y, targetX, targetY, 0.2f, 4.0f, 0.0f, 4);
            new CAimBullet(x, y, targetX, targetY, -0.2f, 4.0f, 0.0f, 4);
        }
    }
    if (Within(a % 100, 0, 30) && Every(a, 15) && (m == 2 || m == 3)) {
        // A square whose sides fly outward: (dx, dy, direction).
        static const float kSquare[12][3] = {{50, 0, 0.0f},    {50, 50, 0.0f},    {50, 50, 1.5f},  {0, 50, 1.5f},
                                             {-50, 50, 1.5f},  {-50, 50, 1.0f},   {-50, 0, 1.0f},  {-50, -50, 1.0f},
                                             {-50, -50, 0.5f}, {0, -50, 0.5f},    {50, -50, 0.5f}, {50, -50, 0.0f}};
        for (const auto& b : kSquare) new CDirBullet(x + b[0], y + b[1], b[2], 2.0f, 0.0f, 8);
    }
    if (Within(a % 100, 0, 30) && Every(a, 10)) {
        static const float kWalls[6][3] = {{25, 25, 1.75f},  {50, 0, 1.75f},  {0, 50, 1.75f},
                                           {-25, 25, 1.25f}, {-50, 0, 1.25f}, {0, 50, 1.25f}};
        for (const auto& b : kWalls) new CDirBullet(x + b[0], y + b[1], b[2], 2.0f, 0.0f, 8);
    }
    if (Within(a % 150, 0, 75) && Every(a, 15) && (m == 2 || m == 3)) Flower(0.0f);
    if (Within(a % 150, 6, 80) && Every(a, 16)) {
        // Drawn whether or not the bullets find slots, so that replays stay aligned.
        int r = g_game->Random().Next(10) + 1;
        Flower((float)(r * 0.025_f));
    }
    if (m == 3 && Within(a % 150, 0, 20) && Every(a, 5)) {
        BulletParam p;
        p.polar = 1;
        p.speed = 2.0f;
        p.startDistance = 10.0f;
        for (int k = -10; k <= 10; ++k) {
            p.angle = (float)(k * 0.1_f);
            new CDirToAimBullet(x, y, p, 3.0f, 60, 9);
        }
    }
}
