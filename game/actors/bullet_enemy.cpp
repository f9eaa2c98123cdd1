// The invisible bullet source of the stage script: fires one of five patterns and holds the script while it lives.
#include "actors/bullet_enemy.h"

#include "actors/basic_bullet.h"
#include "actors/player.h"
#include "frame/game.h"
#include "scenes/command_list.h"

static_assert(FitsPool<CBulletEnemy>());

CBulletEnemy::CBulletEnemy(float x, float y) : CEnemy(x, y, HitBox(), 0, 0) { g_game->Script().SetStop(true); }

CBulletEnemy::~CBulletEnemy() { g_game->Script().SetStop(false); }

bool CBulletEnemy::Move() {
    int f = ++frame_;
    if (f == 1200) return false;
    if (f >= 1000) return true;
    pattern_ = GetParam(0);
    CPlayer* player = g_game->GetPlayer();
    if (!player) return true;
    BulletParam p;
    p.polar = 1;
    p.speed = 3.0f;
    switch (pattern_) {
    case 0:
    case 1:
        if (f % 90 == 0) {
            targetX_ = player->x;
            targetY_ = player->y;
        }
        if (f % 15 == 0 && f % 90 < 60)
            new CAimBullet(x, y, targetX_, targetY_, 0.0f, pattern_ == 0 ? 3.0f : 4.0f, 0.0f, 0);
        break;
    case 2:
        if (f % 20 == 0)
            for (float offset : {0.01f, -0.01f}) new CAim2Bullet(x, y, p, 0, offset);
        break;
    case 3:
        if (f % 20 == 0)
            for (float offset : {0.01f, -0.01f, 0.03f, -0.03f}) new CAim2Bullet(x, y, p, 0, offset);
        break;
    case 4:
        if (f % 40 == 0)
            for (int i = -10; i <= 9; ++i) new CDirBullet(x, y, (float)(i * (double)0.1f), 2.0f, 0.0f, 0);
        if (f % 3 == 0 && f % 40 < 20) new CAim2Bullet(x, y, p, 7, 0.0f);
        break;
    default:
        break;
    }
    return true;
}
