// The boss base: hit handling, hp gauge, drawing with hit sparks, the item drop and the end of an attack phase;
// the entrance, talk-waiting and exit phases that every boss shares.
#include "actors/boss_base.h"

#include "actors/boss_phases.h"
#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/item.h"
#include "frame/game.h"
#include "scenes/command_list.h"
#include "scenes/play_flow.h"
#include "zovav.h"

static_assert(FitsPool<CBossAction0>() && FitsPool<CBossAppear1>() && FitsPool<CBossRemove2>() &&
              FitsPool<CBossSpark>());

namespace {
template <class T>
bool Spawn(float x, float y) {
    static_assert(FitsPool<T>());
    return new T(x, y) != nullptr;
}
}  // namespace

CBossEnemy::CBossEnemy(int bossImage, float x, float y, float hp, int score)
    : CEnemy(x, y, HitBox(), hp, score) {
    scoreGiven = 0;
    SetImage(bossImage);
    SetHitEffect(-1);
    SetGaugeMax(hp);
    hitThisFrame = 0;
}

int CBossEnemy::Mode() { return g_game->GetMode(); }

void CBossEnemy::SetImage(int kind) {
    bossImage = kind;
    const CGame::Size& size = g_game->bossSizes[kind];
    hitBox = HitBox::Centred((float)(size.width / 2) * 0.45f, (float)(size.height / 2) * 0.45f);
    drawAngle = 0.0f;
}

bool CBossEnemy::Move() {
    hitThisFrame = 0;
    if (!hitBox.IsEmpty()) intangible = 0;
    if (intangible) return !IsOutOfField(*this, 20.0f);
    if (TakeShotHits()) hitThisFrame = 1;
    if (gaugeMax >= 0) g_game->SetBossGauge(hp / gaugeMax);
    if (hp <= 0 && scoreGiven != 1) {
        g_game->AddScore(score);
        scoreGiven = 1;
    }
    return hitThisFrame != 0;
}

void CBossEnemy::Draw() {
    int image = g_game->bossImages[bossImage];
    if (!hitThisFrame) {
        DrawRotaGraph((int)x, (int)y, 1.0, drawAngle, image, 1, 0);
        return;
    }
    SetDrawBlendMode(ZV_BLEND_ALPHA, 100);
    DrawRotaGraph((int)x, (int)y, 1.0, drawAngle, image, 1, 0);
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 200);
    if (hitEffect < 0) return;
    // Drawing may be skipped when the loop lags, so sparks draw from the drawing generator only, and only
    // once their slot is taken.
    void* slot = CBossSpark::operator new(sizeof(CBossSpark));
    if (!slot) return;
    int r1 = g_game->DrawRandom().Next(20);
    int r2 = g_game->DrawRandom().Next(20);
    ::new (slot) CBossSpark(hitEffect, x + r2 - 10, y + r1 - 10);
}

void CBossEnemy::DropItems(int count, int value) {
    for (int i = 0; i < count; ++i) {
        // A full item pool makes no item and no draws.
        void* slot = CItem::operator new(sizeof(CApproachScoreItem));
        if (!slot) continue;
        int r1 = g_game->Random().Next(200);
        int r2 = g_game->Random().Next(400);
        ::new (slot) CApproachScoreItem((float)r2 + 20, y + r1 - 20, value);
    }
}

bool CBossEnemy::EndPhase(bool crash) {
    if (crash) new CEnemyCrash(x, y, 0.2f);
    DropItems(Mode() * 50, 80);
    bool made = CreateSuccessor();
    g_game->Pool(POOL_BULLET)->Clear();
    return KeepUnless(made);
}

bool CBossEnemy::EndLastPhase(int stage) {
    g_game->Pool(POOL_BULLET)->Clear();
    g_game->SetStage(stage);
    new CEnemyCrash(x, y, 0.2f);
    DropItems(Mode() * 50, 80);
    return KeepUnless(CreateSuccessor());
}

bool CBossEnemy::Handover() { return KeepUnless(CreateSuccessor()); }

// A phase still owing its successor neither touches the ship nor throws sparks.
bool CBossEnemy::KeepUnless(bool successorMade) {
    handoverPending_ = !successorMade;
    if (handoverPending_) {
        intangible = 1;
        hitThisFrame = 0;
    }
    return handoverPending_;
}

bool CreateWaitingPhase(float x, float y, const char* path, int nextPhase) {
    void* slot = CEnemy::operator new(sizeof(CBossAction0));
    if (!slot) return false;
    // Without a free scene slot the phase has no window to wait for and goes on at once.
    ::new (slot) CBossAction0(x, y, new CWarning(path), nextPhase);
    return true;
}

CBossSpark::CBossSpark(int animation, float x, float y)
    : CNormalEffect(GamePool(POOL_SPARK), animation, x, y, 1.0f, 0.0f, 0.0f) {}

CBossAction0::CBossAction0(float x, float y, CWarning* messageScene, int nextPhase)
    : CBossEnemy(0, x, y, 0, 0), messageScene(messageScene), nextPhase(nextPhase) {
    g_game->Music().Stop();
    intangible = 1;
    SetImage(nextPhase >= 0 && nextPhase <= 5 ? nextPhase / 2 : 0);
    hitBox = HitBox();
}

bool CBossAction0::Move() {
    if (messageScene && !messageScene->IsDone()) return true;
    // The window removes itself in its next move: forget it before anything can keep this phase longer.
    messageScene = nullptr;
    bool made = false;
    switch (nextPhase) {
        case 0: made = Spawn<CBossAction1to1>(x, y); break;
        case 1: made = Spawn<CBossRemove1>(x, y); break;
        case 2: made = Spawn<CBossAction2to1>(x, y); break;
        case 3: made = Spawn<CBossRemove2>(x, y); break;
        case 4: made = Spawn<CBossAction3to1>(x, y); break;
        case 5: made = Spawn<CBossRemove3>(x, y); break;
        default: made = true; break;
    }
    // With the enemy pool full the next phase is tried again in the next update.
    return !made;
}

CBossEntrance::CBossEntrance(int boss, float x, float y)
    : CBossEnemy(boss, x, y, boss == 0 ? -1.0f : 0.0f, 0), boss_(boss) {
    SetGaugeMax(-1.0f);
    g_game->Script().SetStop(true);
    g_game->Music().Stop();
    hitBox = HitBox();
    if (boss != 0) g_game->SetBossGauge(0.0f);
}

bool CBossEntrance::Move() {
    static const char* const kOpeningTalks[] = {"data/dat/mes1.dat", "data/dat/mes3.dat", "data/dat/mes5.dat"};
    if (age == 0 && boss_ == 0) g_game->SetBossGauge(0.0f);
    if (age >= 60 && age < 120) {
        g_game->SetBossGauge((float)(age - 60) / 60.0f);
        y += 3.0f;
    }
    if (age == 150) {
        g_game->SetBossGauge(1.0f);
        // With the enemy pool full the entrance waits here and tries again in the next update.
        return !CreateWaitingPhase(x, y, kOpeningTalks[boss_], boss_ * 2);
    }
    ++age;
    return true;
}

CBossExit::CBossExit(int bossImage, float x, float y) : CBossEnemy(bossImage, x, y, 0, 0) {
    hitBox = HitBox();
}

bool CBossExit::Move() {
    y -= 2.0f;
    if (++age < 61) return true;
    g_game->Script().SetStop(false);
    return false;
}

CBossRemove2::CBossRemove2(float x, float y) : CBossExit(0, x, y) { SetImage(1); }
