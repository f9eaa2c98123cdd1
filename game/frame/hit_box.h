// A mover's hit box: offsets from its position, so the box is x + left to x + right and y + top to y + bottom.
#pragma once

struct HitBox {
    // All zero: no box; an enemy without one stays intangible.
    HitBox() = default;
    // A box halfWidth to either side of the position and halfHeight above and below it.
    static HitBox Centred(float halfWidth, float halfHeight) {
        HitBox box;
        box.left = -halfWidth;
        box.top = -halfHeight;
        box.bottom = halfHeight;
        box.right = halfWidth;
        return box;
    }
    // The box of a sprite of this size: 0.45 of each half (the halves in whole pixels) either way.
    static HitBox OfSprite(int width, int height) {
        return Centred((float)(width / 2) * 0.45f, (float)(height / 2) * 0.45f);
    }
    bool IsEmpty() const { return left == 0 && top == 0 && bottom == 0 && right == 0; }

    // Kept in this order (bottom before right), as every mover has always stored them.
    float left = 0, top = 0, bottom = 0, right = 0;
};
