// The player ships: the controllable ship, its entry from below, its blinking revival, and the preview ship.
#include "actors/player.h"

#include "actors/bullet.h"
#include "actors/effect.h"
#include "actors/enemy.h"
#include "actors/geometry.h"
#include "actors/shot.h"
#include "frame/game.h"
#include "frame/pad_bits.h"
#include "zovav.h"

static_assert(FitsPool<CNormalPlayer>() && FitsPool<CAppearingPlayer>() && FitsPool<CRevivalPlayer>() &&
              FitsPool<CDemoPlayer>());

namespace {
// Only the six recorded pad bits steer play.
int PlayInput() { return g_game->GetInput() & kPadPlayBits; }

void FireSpread(float x, float y) {
    const float y0 = y - 10;
    new CNormalShot(x + 20, y0, 0.45f, 0);
    new CNormalShot(x + 10, y0, 0.45f, 0);
    new CNormalShot(x, y0, 0.45f, 0);
    new CNormalShot(x, y0, 0.55f, 0);
    new CNormalShot(x - 10, y0, 0.55f, 0);
    new CNormalShot(x - 20, y0, 0.55f, 0);
    new CNormalShot(x + 10, y0, 0.5f, 0);
    new CNormalShot(x, y0, 0.5f, 0);
    new CNormalShot(x - 10, y0, 0.5f, 0);
    g_game->SoundEffects().Play(3, 1);
}

void FireFocus(float x, float y) {
    const float y0 = y - 20;
    new CNormalShot(x + 40, y0, 0.515f, 0);
    new CNormalShot(x + 30, y0, 0.515f, 0);
    new CNormalShot(x - 40, y0, 0.485f, 0);
    new CNormalShot(x - 30, y0, 0.485f, 0);
    new CNormalShot(x + 5, y0, 0.5f, 0);
    new CNormalShot(x - 5, y0, 0.5f, 0);
    g_game->SoundEffects().Play(3, 1);
}

void FireHoming(float x, float y) {
    new CNormalShot(x + 5, y - 20, 0.5f, 0);
    new CNormalShot(x - 5, y - 20, 0.5f, 0);
    new CHomingShot(x - 20, y, 0.9f, 0.04f, 0);
    new CHomingShot(x + 20, y, 0.1f, 0.04f, 0);
    new CHomingShot(x, y - 5, 0.0f, 0.04f, 0);
    g_game->SoundEffects().Play(3, 1);
}

void MakeSword(float x, float y, int duration) {
    if (g_game->Pool(POOL_SPECIAL)->GetCount() == 0) new CSword(x, y, 1.5f, duration);
}
}  // namespace

CPlayer::~CPlayer() {
    if (g_game->GetPlayer() == this) g_game->SetPlayer(nullptr);
}

bool CPlayer::Move() {
    int w = PlayInput();
    float sx = (w & kPadLeft) ? -3.95f : (w & kPadRight) ? 3.95f : 0.0f;
    float sy = (w & kPadUp) ? -3.95f : (w & kPadDown) ? 3.95f : 0.0f;
    if (sx != 0 && sy != 0) {
        const float diagonal = 0.70710677f;
        sx *= diagonal;
        sy *= diagonal;
    }
    x += sx;
    y += sy;
    if (x < 33) x = 33;
    if (x > 462) x = 462;
    if (y < 26) y = 26;
    if (y > 454) y = 454;
    int type = g_game->GetShotType();
    if (type == 1) {
        if (!SwordAttack()) HomingAttack();
    } else if (type == 0) {
        if (!SpreadAttack()) FocusAttack();
    }
    attackCounter_ = (attackCounter_ + 1) % 8;
    return true;
}

bool CPlayer::AttackFrame(int button) const {
    return !g_game->IsAttackLocked() && (PlayInput() & button);
}

bool CPlayer::SpreadAttack() {
    if (!AttackFrame(kPadShot)) return false;
    if (attackCounter_ == 0) FireSpread(x, y);
    return true;
}

bool CPlayer::FocusAttack() {
    if (!AttackFrame(kPadSecondShot)) return false;
    if (attackCounter_ == 0) FireFocus(x, y);
    return true;
}

bool CPlayer::SwordAttack() {
    if (!AttackFrame(kPadShot)) return false;
    if (attackCounter_ == 0) MakeSword(x, y, -1);
    return true;
}

bool CPlayer::HomingAttack() {
    if (!AttackFrame(kPadSecondShot)) return false;
    if (attackCounter_ == 0) FireHoming(x, y);
    return true;
}

void CPlayer::DrawShip(int frame, int input, bool afterimage) const {
    int ix = (int)x, iy = (int)y;
    int image = g_game->playerImages[frame];
    if (afterimage && (frame != 1 || (input & kPadDown))) {
        SetDrawBlendMode(ZV_BLEND_ALPHA, 100);
        int dx = (frame == 0 || frame == 3) ? 5 : (frame == 2 || frame == 5) ? -5 : 0;
        int dy = frame >= 3 ? 5 : (input & kPadDown) ? -5 : 0;
        DrawRotaGraph(ix + dx, iy + dy, 1.0, 0.0, image, 1, 0);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 250);
    }
    DrawRotaGraph(ix, iy, 1.0, 0.0, image, 1, 0);
}

void CPlayer::Draw() {
    int w = PlayInput();
    if (!g_game->IsPaused()) {
        int frame = 1;
        if (w & kPadLeft) frame = 0;
        if (w & kPadRight) frame = 2;
        if (w & kPadUp) frame += 3;
        drawFrame_ = frame;
    }
    DrawShip(drawFrame_, w, true);
}

bool CNormalPlayer::Move() {
    CPlayer::Move();
    for (CTaskList::iterator it(g_game->Pool(POOL_BULLET)); it.HasNext();) {
        if (HitTest(*this, *static_cast<CMover*>(it.Next()))) {
            life -= 1.0f;
            g_game->Pool(POOL_SHOT)->Clear();
        }
    }
    for (CTaskList::iterator it(g_game->Pool(POOL_ENEMY)); it.HasNext();) {
        CEnemy* e = static_cast<CEnemy*>(it.Next());
        if (!e->IsIntangible() && HitTest(*this, *e)) {
            life -= 1.0f;
            g_game->Pool(POOL_SHOT)->Clear();
        }
    }
    if (g_game->GetMode() == 0) {
        if (life != 1.0f) new CEnemyCrash(x, y, 0.2f);
        life = 1.0f;
        return true;
    }
    if (life <= 0.0f) {
        new CPlayerCrash(x, y);
        g_game->AddScore(1);
        g_game->SetPlayer(nullptr);
        return false;
    }
    return true;
}

CAppearingPlayer::CAppearingPlayer() : CPlayer(240, 490) { g_game->SetPlayer(nullptr); }

bool CAppearingPlayer::Move() {
    y -= 5;
    if (y < 430) {
        new CRevivalPlayer(x, y);
        return false;
    }
    return true;
}

CRevivalPlayer::CRevivalPlayer(float x, float y) : CPlayer(x, y) { g_game->Pool(POOL_BULLET)->Clear(); }

bool CRevivalPlayer::Move() {
    CPlayer::Move();
    if (++counter_ < 51) return true;
    g_game->SetPlayer(new CNormalPlayer(x, y));
    return false;
}

void CRevivalPlayer::Draw() {
    if (counter_ % 20 >= 11) CPlayer::Draw();
}

bool CDemoPlayer::Move() {
    if (remove_ == 1) return false;
    if (counter_ % 8 == 0) {
        if (shotType_ == 0) {
            if (counter_ >= 100)
                FireFocus(x, y);
            else
                FireSpread(x, y);
        } else if (shotType_ == 1) {
            if (counter_ == 8 && g_game->Pool(POOL_SPECIAL)->GetCount() == 0)
                MakeSword(x, y, 70);
            else if (counter_ >= 100)
                FireHoming(x, y);
        }
    }
    counter_ = (counter_ + 1) % 200;
    return true;
}

void CDemoPlayer::Draw() { DrawShip(1, 0, false); }
