// The second boss: a triangle walk with slowing fans, rain from the top centre, then superformula rings.
#include "actors/basic_bullet.h"
#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/player.h"
#include "frame/game.h"

const BossTable kBoss2 = {
    1, "bgmboss2", BossEndTest::kBeforeHits,
    {
        // make, hp, score per mode and base, hit effect, clock cycle, crash
        {MakeBossPhase<CBossAction2to1>, 300, 5000, 30000, 1, 900, true},
        {MakeBossPhase<CBossAction2to2>, 400, 8000, 32100, 1, 600, true},
        {MakeBossPhase<CBossAction2to3>, 400, 10000, 35000, 1, 100, true},
        {MakeBossPhase<CBossAction2to4>, 400, 10000, 36000, 1, 1800, true},
    },
    "data/dat/mes3.dat", "data/dat/mes4.dat", false, 2, MakeBossPhase<CBossRemove2>,
};

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

void CBossAction2to1::Pattern() {
    const int n = Mode() - 1, t = age;
    if (Within(t % 300, 220, 300) && Every(t, 40 - 10 * n)) {
        for (int k = -20; k <= 20; ++k)
            new CDirBullet(x, y, (float)((t % 100) * 0.001_f + 1.5 + k * 0.04_f), (float)(n * 0.1_f + 3.6_f),
                           (float)(-0.005_f - n * 0.001_f), 13);
    }
    // The walk: down to the right, across to the left, and up to the right, back where it began.
    if (Within(t, 81, 160)) {
        x += 2.0f;
        y += 0.8f;
    } else if (Within(t, 381, 460)) {
        x -= 4.0f;
    } else if (Within(t, 681, 760)) {
        x += 2.0f;
        y -= 0.8f;
    }
}

// It flies 2.2 a step to the top centre before it fights.
bool CBossAction2to2::Arrive() {
    if (arrived) return true;
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
    return false;
}

void CBossAction2to2::Pattern() {
    const int m = Mode();
    if (Within(age % 200, 0, 100)) {
        if (Every(age, 10 - 2 * (m - 1))) {
            // The two draws are made only once the bullet has its slot.
            if (void* slot = CBullet::operator new(sizeof(CRainBullet))) {
                int r1 = g_game->Random().Next(10);
                int r2 = g_game->Random().Next(10);
                ::new (slot) CRainBullet(x, y, (float)(r2 * 0.1_f), (float)(r1 * 0.4_f), 50, 12);
            }
        }
        if (m == 3 && Every(age, 10)) AimedFan(x, y, 0, 0.0, 5.0f, 0.01f, 12);
    }
    if ((m == 2 || m == 3) && Every(age, 15)) {
        for (int offset : {0, 330}) {
            if (void* slot = CBullet::operator new(sizeof(CDirBullet))) {
                int r = g_game->Random().Next(150);
                ::new (slot) CDirBullet((float)(r + offset), 0, 1.5f, 5.0f, 0.01f, 12);
            }
        }
    }
}

// It sinks for 60 updates before it fights; its clock counts them.
bool CBossAction2to3::Arrive() {
    if (started) return true;
    y = (float)(y + 0.6_f);
    if (++age == 60) started = 1;
    return false;
}

void CBossAction2to3::Pattern() {
    const int m = Mode();
    if (Every(age, 45 - 10 * (m - 1))) {
        int r = g_game->Random().Next(10);
        FormulaRing(x, y, (float)(counter + 1.0), 0.04_f, counter * 0.01_f + r * 0.05_f, 0);
        counter = (counter + 1) % 3;
    }
    if (m == 3 && age == 0) AimedFan(x, y, 1, 0.1_f, 2.0f, -0.001f, 7);
}

void CBossAction2to4::Pattern() {
    const int m = Mode();
    if (Every(age, m == 2 || m == 3 ? 40 : 50)) {
        int r = g_game->Random().Next(5);
        FormulaRing(x, y, (float)(counter + 3.0), 0.041_f, counter * 0.01_f + r * 0.05_f, 7);
        counter = (counter + 1) % 3;
    }
    if (m == 3 && Every(age, 90)) AimedFan(x, y, 3, 0.1_f, 2.5f, 0.0f, 0);
}
