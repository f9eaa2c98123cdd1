// The boss base: the update every attack phase follows, hit handling, the hp gauge, drawing with hit sparks,
// the item drop and the end of an attack phase; the entrance, talk-waiting and exit phases that every boss
// shares.
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

const BossTable* const kBosses[3] = {&kBoss1, &kBoss2, &kBoss3};

CBossEnemy::CBossEnemy(int bossImage, float x, float y, float hp, int score)
    : CEnemy(x, y, HitBox(), hp, score) {
    scoreGiven = 0;
    SetImage(bossImage);
    SetHitEffect(-1);
    SetGaugeMax(hp);
    hitThisFrame = 0;
}

CBossEnemy::CBossEnemy(const BossTable& boss, int phase, float x, float y)
    : CBossEnemy(boss.image, x, y, boss.phases[phase].hp,
                 boss.phases[phase].scorePerMode * Mode() + boss.phases[phase].scoreBase) {
    boss_ = &boss;
    phase_ = phase;
    SetHitEffect(boss.phases[phase].hitEffect);
    if (phase != 0) return;
    g_game->Script().SetStop(true);
    g_game->PlayMusic(boss.music);
}

int CBossEnemy::Mode() { return g_game->GetMode(); }

void CBossEnemy::SetImage(int kind) {
    bossImage = kind;
    const CGame::Size& size = g_game->bossSizes[kind];
    hitBox = HitBox::OfSprite(size.width, size.height);
    drawAngle = 0.0f;
}

bool CBossEnemy::Move() {
    if (handoverPending_) return KeepUnless(MakeSuccessor());
    if (!Arrive()) return true;
    Pattern();
    const bool testsBeforeHits = boss_->endTest == BossEndTest::kBeforeHits;
    if (testsBeforeHits && scoreGiven == 1) return BossPhaseEnding();
    TakeHits();
    age = (age + 1) % boss_->phases[phase_].ageCycle;
    if (!testsBeforeHits && scoreGiven == 1) return BossPhaseEnding();
    return true;
}

void CBossEnemy::TakeHits() {
    hitThisFrame = 0;
    if (!hitBox.IsEmpty()) intangible = 0;
    if (intangible) return;
    if (TakeShotHits()) hitThisFrame = 1;
    if (gaugeMax >= 0) g_game->SetBossGauge(hp / gaugeMax);
    if (hp <= 0 && scoreGiven != 1) {
        g_game->AddScore(score);
        scoreGiven = 1;
    }
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

// Nothing the crash, the items or the successor make is a bullet or reads the stage number, so one order
// serves every phase.
bool CBossEnemy::BossPhaseEnding() {
    if (boss_->phases[phase_].crash) new CEnemyCrash(x, y, 0.2f);
    DropItems(Mode() * 50, 80);
    bool made = MakeSuccessor();
    g_game->Pool(POOL_BULLET)->Clear();
    if (phase_ == kBossPhases - 1 && boss_->stageAfter != 0) g_game->SetStage(boss_->stageAfter);
    return KeepUnless(made);
}

bool CBossEnemy::MakeSuccessor() const {
    if (phase_ + 1 < kBossPhases) return boss_->phases[phase_ + 1].make(x, y);
    const int exit = 2 * boss_->image + 1;
    if (boss_->closingAtTopCentre) return CreateWaitingPhase(240, 80, boss_->closingTalk, exit);
    return CreateWaitingPhase(x, y, boss_->closingTalk, exit);
}

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
    if (nextPhase < 0 || nextPhase > 5) return false;
    const BossTable& boss = *kBosses[nextPhase / 2];
    bool made = nextPhase % 2 == 0 ? boss.phases[0].make(x, y) : boss.makeExit(x, y);
    // With the enemy pool full the next phase is tried again in the next update.
    return !made;
}

CBossEntrance::CBossEntrance(int boss, float x, float y)
    : CBossEnemy(boss, x, y, boss == 0 ? -1.0f : 0.0f, 0), number_(boss) {
    SetGaugeMax(-1.0f);
    g_game->Script().SetStop(true);
    g_game->Music().Stop();
    hitBox = HitBox();
    if (boss != 0) g_game->SetBossGauge(0.0f);
}

bool CBossEntrance::Move() {
    if (age == 0 && number_ == 0) g_game->SetBossGauge(0.0f);
    if (Within(age, 60, 120)) {
        g_game->SetBossGauge((float)(age - 60) / 60.0f);
        y += 3.0f;
    }
    if (age == 150) {
        g_game->SetBossGauge(1.0f);
        // With the enemy pool full the entrance waits here and tries again in the next update.
        return !CreateWaitingPhase(x, y, kBosses[number_]->openingTalk, number_ * 2);
    }
    ++age;
    return true;
}

CBossExit::CBossExit(int bossImage, float x, float y) : CBossEnemy(bossImage, x, y, 0, 0) { hitBox = HitBox(); }

bool CBossExit::Move() {
    y -= 2.0f;
    if (++age < 61) return true;
    g_game->Script().SetStop(false);
    return false;
}

CBossRemove2::CBossRemove2(float x, float y) : CBossExit(0, x, y) { SetImage(1); }
