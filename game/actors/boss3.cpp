// The third boss: it glides between points of the position lists firing double spirals, laser walls, opening
// arms, accelerating fans, and in its last phase brings wandering crystals.
#include "actors/basic_bullet.h"
#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

static_assert(FitsPool<CBoss3CrystalEnemy>());

// Its phases end in the update their hp runs out; the closing talk and the exit always start at the top
// centre.
const BossTable kBoss3 = {
    2, "bgmboss3", BossEndTest::kAfterHits,
    {
        // make, hp, score per mode and base, hit effect, clock cycle, crash
        {MakeBossPhase<CBossAction3to1>, 350, 9200, 35000, 1, 400, true},
        {MakeBossPhase<CBossAction3to2>, 300, 7000, 37500, -1, 50, true},
        {MakeBossPhase<CBossAction3to3>, 300, 6200, 39000, -1, 70, true},
        {MakeBossPhase<CBossAction3to4>, 300, 5000, 40000, -1, 220, true},
    },
    "data/dat/mes5.dat", "data/dat/mes6.dat", true, 3, MakeBossPhase<CBossRemove3>,
};

void RandomPoint(const CMover& m, int list, float* px, float* py) {
    const auto& lists = g_game->Positions();
    const PositionList* points = list < (int)lists.size() ? &lists[list] : nullptr;
    int count = points ? (int)points->size() : 0;
    int i = g_game->Random().Next(count);
    if (count > 0) {
        *px = (*points)[i].first;
        *py = (*points)[i].second;
    } else {
        *px = m.x;
        *py = m.y;
    }
}

void DoubleSpiral(const CMover& m, float* spiralAngle) {
    *spiralAngle = (float)(*spiralAngle + 0.012_f);
    *spiralAngle = (float)(*spiralAngle - (g_game->GetMode() - 1) * 0.002_f);
    BulletParam p;
    p.polar = 1;
    p.startDistance = 30.0f;
    p.angle = (float)(*spiralAngle * kPi);
    for (int arm = 0; arm < 2; ++arm) {
        for (float speed : {1.0f, 2.0f}) {
            p.speed = speed;
            new CBasicBullet(m.x, m.y, p, 10);
        }
        p.angle = (float)(p.angle + kPi);
    }
}

void CBossAction3to1::Pattern() {
    const int m = Mode(), a = age;
    if (a == 0) {
        RandomPoint(*this, 1, &targetX, &targetY);
    } else if (a <= 60) {
        MoveToPoint(*this, 60 - a, targetX, targetY);
    } else if (Every(a, 5)) {
        DoubleSpiral(*this, &spiralAngle);
    }
    if (a == 70 && (m == 2 || m == 3)) {
        for (float wallY : {460.0f, 340.0f, 220.0f, 100.0f}) new CLaserBullet(-5, wallY, 0, 0, 3.0f, 0, 350, 11);
        for (float wallY : {400.0f, 280.0f, 160.0f, 40.0f}) new CLaserBullet(485, wallY, 1.0f, 0, 3.0f, 0, 350, 11);
        const float step = m == 3 ? 3.5f : 3.0f;
        new CLaserBullet(-5, -5, 1.75f, 0.0002f, step, 0, 350, 3);
        new CLaserBullet(485, -5, 1.25f, -0.0002f, step, 0, 350, 3);
    }
}

// It flies 4 a step to the top centre before it fights.
bool CBossAction3to2::Arrive() {
    if (arrived) return true;
    arrived = MoveToward(*this, 4.0f, 240, 80);
    return false;
}

void CBossAction3to2::Pattern() {
    const int m = Mode();
    if (Every(age, 5)) {
        counter = (counter + 1) % 200;
        const double a1 = counter * 0.05_f + 1.5, a2 = 1.5 - counter * 0.05_f;
        BulletParam p;
        p.polar = 1;
        p.lifetime = 400;
        p.speed = 2.0f;
        p.startDistance = 30.0f;
        const double arms[6][2] = {{a1, 0.001_f},         {a2, -0.001_f}, {a1 - 0.25_f, 0.001_f},
                                   {a2 + 0.25_f, -0.001_f}, {1.0, 0.005_f}, {0.0, -0.005_f}};
        for (const auto& arm : arms) {
            p.angle = (float)arm[0];
            p.turn = (float)arm[1];
            new CBasicBullet(x, y, p, 7);
        }
    }
    if (Every(age, 25)) {
        BulletParam p;
        p.polar = 1;
        p.speed = 1.5f;
        p.startDistance = 30.0f;
        auto column = [&](double t) {
            for (double offset : {0.0, -0.02_f, 0.02_f}) {
                p.angle = (float)(t + offset);
                new CBasicBullet(x - 2, y, p, 10);
            }
        };
        column(columnAngle);
        CPlayer* player = g_game->GetPlayer();
        if ((m == 2 || m == 3) && player) {
            // The way to the ship in half turns, then its mirror image about the vertical.
            float t = (float)((std::atan2((double)(player->x - x), (double)(player->y - y)) - kHalfPi) / kPi);
            column(t);
            column((float)(1.0 - t));
        }
    }
}

void CBossAction3to3::Pattern() {
    const int m = Mode();
    if (age == 0) {
        counter = (counter + 1) % 3;
        static const float kBase[3] = {1.0f, 1.3f, 1.225f};
        float base = kBase[counter];
        BulletParam p;
        p.polar = 1;
        p.startDistance = 30.0f;
        p.accel = 0.01f;
        for (int i = 0; i <= 7; ++i) {
            base = (float)(base + 0.085_f);
            p.angle = base;
            for (int j = 0; j <= 7; ++j) {
                p.speed = (float)(j * 0.24_f + 2.0);
                new CBasicBullet(x, y, p, 0);
            }
        }
    }
    if (Every(age, 40)) {
        BulletParam p;
        p.polar = 1;
        p.speed = 4.0f;
        for (float fromX : {x + 30, x - 30}) {
            new CAim2Bullet(fromX, y, p, 10, 0.0f);
            if (m == 2 || m == 3) {
                new CAim2Bullet(fromX, y, p, 10, 0.02f);
                new CAim2Bullet(fromX, y, p, 10, -0.02f);
            }
        }
    }
}

CBossAction3to4::CBossAction3to4(float x, float y) : CBossEnemy(kBoss3, 3, x, y) {
    new CBoss3CrystalEnemy(this, 100, 100);
    new CBoss3CrystalEnemy(this, 380, 380);
    if (Mode() == 2) new CBoss3CrystalEnemy(this, 240, 240);
}

void CBossAction3to4::Pattern() {
    const int a = age;
    if (a == 0) RandomPoint(*this, 1, &targetX, &targetY);
    if (a < 100) MoveToPoint(*this, 100 - a, targetX, targetY);
    if (a >= 100 && Every(a, 5) && Mode() == 3) DoubleSpiral(*this, &spiralAngle);
}

CBoss3CrystalEnemy::CBoss3CrystalEnemy(CBossEnemy* owner, float x, float y)
    : CSmallEnemy(7, x, y, 0, 3000), owner(owner) {}

bool CBoss3CrystalEnemy::Move() {
    const int a = age;
    if (a == 0) {
        RandomPoint(*this, 2, &targetX, &targetY);
        spiralAngle = (float)(g_game->Random().Next(20) * 0.1_f);
    }
    if (a < 100) {
        MoveToPoint(*this, 100 - a, targetX, targetY);
    } else if (Every(a, 5)) {
        spiralAngle = (float)(spiralAngle + 0.15_f);
        BulletParam p;
        p.polar = 1;
        p.startDistance = 10.0f;
        for (int j = 1; j <= 2; ++j) {
            p.speed = (float)(j * 0.5_f + 1.0);
            for (double offset : {0.0, 0.015_f, -0.015_f}) {
                p.angle = (float)(spiralAngle + offset);
                new CBasicBullet(x, y, p, 9);
            }
        }
    }
    age = (age + 1) % 200;
    // The owner goes in the update its hp runs out, before its crystals move: a vanished owner ends them too.
    CBossEnemy* boss = static_cast<CBossEnemy*>(owner.Get());
    if (!boss || boss->scoreGiven == 1) {
        new CEnemyCrash(x, y, 0.2f);
        return false;
    }
    return true;
}
