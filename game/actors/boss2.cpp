// The second boss: a triangle walk with slowing fans, rain from the top centre, then superformula rings.
#include "actors/basic_bullet.h"
#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"
#include "scenes/command_list.h"

static_assert(FitsPool<CBossAction2to1>() && FitsPool<CBossAction2to2>() && FitsPool<CBossAction2to3>() &&
              FitsPool<CBossAction2to4>());

namespace {
// Aimed bullets at the ship, one per offset k * step for k in -n..n; none without a ship.
void AimedFan(float x, float y, int n, double step, float speed, float accel, int kind) {
    CPlayer* player = g_game->GetPlayer();
    if (!player) return;
    for (int k = -n; k <= n; ++k) new CAimBullet(x, y, player->x, player->y, (float)(k * step), speed, accel, kind);
}

// A ring of 51 bullets whose speeds trace the superformula of the given symmetry.
void FormulaRing(float x, float y, float symmetry, double spacing, double turn, int kind) {
    for (int k = -25; k <= 25; ++k)
        new CFormulaBullet(x, y, symmetry, 6.0f, 6.0f, 6.0f, 1.15f, (float)(k * spacing + turn), kind);
}
}  // namespace

CBossAction2to1::CBossAction2to1(float x, float y) : CBossEnemy(1, x, y, 300, 5000 * Mode() + 30000) {
    g_game->Script().SetStop(true);
    g_game->PlayMusic("bgmboss2");
    SetHitEffect(1);
}

bool CBossAction2to1::Move() {
    if (HandoverPending()) return Handover();
    const int n = Mode() - 1, t = age;
    if (t % 300 >= 220 && t % (40 - 10 * n) == 0) {
        for (int k = -20; k <= 20; ++k)
            new CDirBullet(x, y, (float)((t % 100) * 0.001_f + 1.5 + k * 0.04_f), (float)(n * 0.1_f + 3.6_f),
                           (float)(-0.005_f - n * 0.001_f), 13);
    }
    if (t > 80 && t < 160) {
        x += 2.0f;
        y += 0.8f;
    } else if (t > 380 && t < 460) {
        x -= 4.0f;
    } else if (t > 680 && t < 760) {
        x += 2.0f;
        y -= 0.8f;
    }
    if (scoreGiven == 1) return EndPhase();
    CBossEnemy::Move();
    age = (age + 1) % 900;
    return true;
}

bool CBossAction2to1::CreateSuccessor() { return new CBossAction2to2(x, y) != nullptr; }

CBossAction2to2::CBossAction2to2(float x, float y) : CBossEnemy(1, x, y, 400, 8000 * Mode() + 32100) {
    SetHitEffect(1);
}

bool CBossAction2to2::Move() {
    if (HandoverPending()) return Handover();
    if (!arrived) {
        float dx = 240 - x, dy = 80 - y;
        float d = Sqrtf(dx * dx + dy * dy);
        if (d <= 2.2f) {
            x = 240;
            y = 80;
            arrived = 1;
        } else {
            x = (float)(x + (double)(dx / d) * 2.2_f);
            y = (float)(y + (double)(dy / d) * 2.2_f);
        }
        return true;
    }
    const int m = Mode();
    if (age % 200 < 100) {
        if (age % (10 - 2 * (m - 1)) == 0) {
            // The two draws are made only once the bullet has its slot.
            if (void* slot = CBullet::operator new(sizeof(CRainBullet))) {
                int r1 = g_game->Random().Next(10);
                int r2 = g_game->Random().Next(10);
                ::new (slot) CRainBullet(x, y, (float)(r2 * 0.1_f), (float)(r1 * 0.4_f), 50, 12);
            }
        }
        if (m == 3 && age % 10 == 0) AimedFan(x, y, 0, 0.0, 5.0f, 0.01f, 12);
    }
    if ((m == 2 || m == 3) && age % 15 == 0) {
        for (int offset : {0, 330}) {
            if (void* slot = CBullet::operator new(sizeof(CDirBullet))) {
                int r = g_game->Random().Next(150);
                ::new (slot) CDirBullet((float)(r + offset), 0, 1.5f, 5.0f, 0.01f, 12);
            }
        }
    }
    if (scoreGiven == 1) return EndPhase();
    CBossEnemy::Move();
    age = (age + 1) % 600;
    return true;
}

bool CBossAction2to2::CreateSuccessor() { return new CBossAction2to3(x, y) != nullptr; }

CBossAction2to3::CBossAction2to3(float x, float y) : CBossEnemy(1, x, y, 400, 10000 * Mode() + 35000) {
    SetHitEffect(1);
}

bool CBossAction2to3::Move() {
    if (HandoverPending()) return Handover();
    if (!started) {
        y = (float)(y + 0.6_f);
        if (++age == 60) started = 1;
        return true;
    }
    const int m = Mode();
    if (age % (45 - 10 * (m - 1)) == 0) {
        int r = g_game->Random().Next(10);
        FormulaRing(x, y, (float)(counter + 1.0), 0.04_f, counter * 0.01_f + r * 0.05_f, 0);
        counter = (counter + 1) % 3;
    }
    if (m == 3 && age == 0) AimedFan(x, y, 1, 0.1_f, 2.0f, -0.001f, 7);
    if (scoreGiven == 1) return EndPhase();
    CBossEnemy::Move();
    age = (age + 1) % 100;
    return true;
}

bool CBossAction2to3::CreateSuccessor() { return new CBossAction2to4(x, y) != nullptr; }

CBossAction2to4::CBossAction2to4(float x, float y) : CBossEnemy(1, x, y, 400, 10000 * Mode() + 36000) {
    SetHitEffect(1);
}

bool CBossAction2to4::Move() {
    if (HandoverPending()) return Handover();
    const int m = Mode();
    if (age % (m == 2 || m == 3 ? 40 : 50) == 0) {
        int r = g_game->Random().Next(5);
        FormulaRing(x, y, (float)(counter + 3.0), 0.041_f, counter * 0.01_f + r * 0.05_f, 7);
        counter = (counter + 1) % 3;
    }
    if (m == 3 && age % 90 == 0) AimedFan(x, y, 3, 0.1_f, 2.5f, 0.0f, 0);
    if (scoreGiven == 1) return EndLastPhase(2);
    CBossEnemy::Move();
    age = (age + 1) % 1800;
    return true;
}

bool CBossAction2to4::CreateSuccessor() { return CreateWaitingPhase(x, y, "data/dat/mes4.dat", 3); }
