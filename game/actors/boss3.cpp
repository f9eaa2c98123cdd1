// The third boss: it glides between points of the position lists firing double spirals, laser walls, opening
// arms, accelerating fans, and in its last phase brings wandering crystals.
#include "actors/basic_bullet.h"
#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"
#include "scenes/command_list.h"

static_assert(FitsPool<CBossAction3to1>() && FitsPool<CBossAction3to2>() && FitsPool<CBossAction3to3>() &&
              FitsPool<CBossAction3to4>() && FitsPool<CBoss3CrystalEnemy>());

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

CBossAction3to1::CBossAction3to1(float x, float y) : CBossEnemy(2, x, y, 350, 9200 * Mode() + 35000) {
    g_game->Script().SetStop(true);
    g_game->PlayMusic("bgmboss3");
    SetHitEffect(1);
}

bool CBossAction3to1::Move() {
    if (HandoverPending()) return Handover();
    const int m = Mode(), a = age;
    if (a == 0) {
        RandomPoint(*this, 1, &targetX, &targetY);
    } else if (a <= 60) {
        MoveToPoint(*this, 60 - a, targetX, targetY);
    } else if (a % 5 == 0) {
        DoubleSpiral(*this, &spiralAngle);
    }
    if (a == 70 && (m == 2 || m == 3)) {
        for (float wallY : {460.0f, 340.0f, 220.0f, 100.0f}) new CLaserBullet(-5, wallY, 0, 0, 3.0f, 0, 350, 11);
        for (float wallY : {400.0f, 280.0f, 160.0f, 40.0f}) new CLaserBullet(485, wallY, 1.0f, 0, 3.0f, 0, 350, 11);
        const float step = m == 3 ? 3.5f : 3.0f;
        new CLaserBullet(-5, -5, 1.75f, 0.0002f, step, 0, 350, 3);
        new CLaserBullet(485, -5, 1.25f, -0.0002f, step, 0, 350, 3);
    }
    age = (age + 1) % 400;
    CBossEnemy::Move();
    if (scoreGiven == 1) return EndPhase();
    return true;
}

bool CBossAction3to1::CreateSuccessor() { return new CBossAction3to2(x, y) != nullptr; }

CBossAction3to2::CBossAction3to2(float x, float y) : CBossEnemy(2, x, y, 300, 7000 * Mode() + 37500) {}

bool CBossAction3to2::Move() {
    if (HandoverPending()) return Handover();
    if (!arrived) {
        arrived = MoveToward(*this, 4.0f, 240, 80);
        return true;
    }
    const int m = Mode();
    if (age % 5 == 0) {
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
    if (age % 25 == 0) {
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
    age = (age + 1) % 50;
    CBossEnemy::Move();
    if (scoreGiven == 1) return EndPhase();
    return true;
}

bool CBossAction3to2::CreateSuccessor() { return new CBossAction3to3(x, y) != nullptr; }

CBossAction3to3::CBossAction3to3(float x, float y) : CBossEnemy(2, x, y, 300, 6200 * Mode() + 39000) {}

bool CBossAction3to3::Move() {
    if (HandoverPending()) return Handover();
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
    if (age % 40 == 0) {
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
    age = (age + 1) % 70;
    CBossEnemy::Move();
    if (scoreGiven == 1) return EndPhase();
    return true;
}

bool CBossAction3to3::CreateSuccessor() { return new CBossAction3to4(x, y) != nullptr; }

CBossAction3to4::CBossAction3to4(float x, float y) : CBossEnemy(2, x, y, 300, 5000 * Mode() + 40000) {
    new CBoss3CrystalEnemy(this, 100, 100);
    new CBoss3CrystalEnemy(this, 380, 380);
    if (Mode() == 2) new CBoss3CrystalEnemy(this, 240, 240);
}

bool CBossAction3to4::Move() {
    if (HandoverPending()) return Handover();
    const int a = age;
    if (a == 0) RandomPoint(*this, 1, &targetX, &targetY);
    if (a < 100) MoveToPoint(*this, 100 - a, targetX, targetY);
    if (a >= 100 && a % 5 == 0 && Mode() == 3) DoubleSpiral(*this, &spiralAngle);
    age = (age + 1) % 220;
    CBossEnemy::Move();
    if (scoreGiven == 1) return EndLastPhase(3);
    return true;
}

// The closing talk and the exit always start at the top centre.
bool CBossAction3to4::CreateSuccessor() { return CreateWaitingPhase(240, 80, "data/dat/mes6.dat", 5); }

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
    } else if (a % 5 == 0) {
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
