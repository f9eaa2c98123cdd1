// Enemy base, the shared step of ordinary enemies (hits, death, score items, removal) and the preview target.
#include "actors/enemy.h"

#include "actors/effect.h"
#include "actors/geometry.h"
#include "actors/item.h"
#include "actors/random.h"
#include "actors/shot.h"
#include "frame/game.h"
#include "zovav.h"

namespace {
struct EnemyState {
    uint32_t nextSerial = 1;
} g_enemies;
}  // namespace

CEnemy::CEnemy(float x, float y, const HitBox& hitBox, float hp, int score)
    : CPoolTask(x, y, hitBox), hp(hp), score(score),
      serial_(g_enemies.nextSerial++) {}

int CEnemy::GetParam(int index) const {
    if (index < 0 || index >= (int)params.size()) return 0;
    return params[index];
}

CEnemy* EnemyRef::Get() const {
    if (!ptr_) return nullptr;
    for (CTaskList::iterator it(g_game->Pool(POOL_ENEMY)); it.HasNext();) {
        CEnemy* e = static_cast<CEnemy*>(it.Next());
        if (e == ptr_) return e->Serial() == serial_ ? e : nullptr;
    }
    return nullptr;
}

bool CEnemy::TakeShotHits() {
    bool hit = false;
    for (CTaskList::iterator it(g_game->Pool(POOL_SHOT)); it.HasNext();) {
        CMover* shot = static_cast<CMover*>(it.Next());
        if (HitTest(*this, *shot)) {
            hp -= 1.0f;
            it.Erase();
            hit = true;
        }
    }
    return hit;
}

namespace {
// A kind without a picture has no box.
HitBox SmallEnemyBox(int imageKind) {
    if (imageKind < 0 || imageKind >= 9) return HitBox::OfSprite(0, 0);
    return HitBox::OfSprite(g_game->enemySizes[imageKind].width, g_game->enemySizes[imageKind].height);
}
}  // namespace

CSmallEnemy::CSmallEnemy(int imageKind, float x, float y, float hp, int score)
    : CEnemy(x, y, SmallEnemyBox(imageKind), hp, score), imageKind(imageKind) {}

bool CSmallEnemy::Move() {
    if (dead == 1) {
        g_game->AddScore(score);
        if (g_game->GetScore() > g_game->GetLowestScore()) g_game->SetNameEntryNeeded(true);
        new CEnemyCrash(x, y, 0.2f);
        int k = (int)(score / 300.0 + 0.5);
        for (int i = -k; i <= k; ++i) {
            // Both offsets are drawn even when the item pool turns out to be full.
            int dx = g_game->Random().Next(15);
            int dy = g_game->Random().Next(15);
            new CScoreItem(x + dx, y + dy, 80);
        }
        return false;
    }
    hitFlash = 0;
    if (!hitBox.IsEmpty()) intangible = 0;
    if (intangible) return !IsOutOfField(*this, 20.0f);
    if (TakeShotHits()) hitFlash = 1;
    if (hp <= 0) dead = 1;
    if (age > 5000) return false;
    return !IsOutOfField(*this, 20.0f);
}

void CSmallEnemy::Draw() {
    if (hitFlash) SetDrawBlendMode(ZV_BLEND_ALPHA, 100);
    DrawRotaGraph((int)x, (int)y, 1.0, drawAngle, g_game->enemyImages[imageKind], 1, 0);
    if (hitFlash) SetDrawBlendMode(ZV_BLEND_NOBLEND, 200);
}

CDemoEnemy::CDemoEnemy(float x, float y) : CSmallEnemy(0, x, y, 0, 0) { intangible = 0; }

bool CDemoEnemy::Move() {
    for (CTaskList::iterator it(g_game->Pool(POOL_SHOT)); it.HasNext();) {
        CMover* shot = static_cast<CMover*>(it.Next());
        if (HitTest(*this, *shot)) it.Erase();
    }
    return !remove_;
}
