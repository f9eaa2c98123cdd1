// Hit, field and glide tests shared by every actor.
#include "actors/geometry.h"
#include "frame/task.h"

bool HitTest(const CMover& a, const CMover& b) {
    const HitBox &p = a.hitBox, &q = b.hitBox;
    return b.x + q.right > a.x + p.left && a.x + p.right > b.x + q.left && b.y + q.bottom > a.y + p.top &&
           a.y + p.bottom > b.y + q.top;
}

bool IsOutOfField(const CMover& m, float margin) {
    return m.x < 15 - margin - 20 || m.x > 480 + margin + 20 ||
           m.y < 5 - margin - 20 || m.y > 475 + margin + 20;
}

bool MoveToPoint(CMover& m, int frames, float tx, float ty) {
    if (frames == 0) return false;
    float d = Distance(m.x, m.y, tx, ty);
    float step = d / frames;
    float angle = AimAngle(m.x, m.y, tx, ty);
    if (d <= Fabsf(step)) {
        m.x = tx;
        m.y = ty;
        return true;
    }
    m.x = (float)(m.x + (double)Cosf(angle) * step);
    m.y = (float)(m.y + (double)Sinf(angle) * step);
    return false;
}

bool MoveToward(CMover& m, float speed, float tx, float ty) {
    float angle = AimAngle(m.x, m.y, tx, ty);
    if (Distance(m.x, m.y, tx, ty) <= Fabsf(speed)) {
        m.x = tx;
        m.y = ty;
        return true;
    }
    m.x = (float)(m.x + (double)Cosf(angle) * speed);
    m.y = (float)(m.y + (double)Sinf(angle) * speed);
    return false;
}
