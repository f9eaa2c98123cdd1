// The eight crystal kinds: the second family of ordinary enemies, with their own motion and firing.
#pragma once
#include "actors/rabbit_enemies.h"

VELMORA_ENEMY_KIND(CCrystalEnemy) void Draw() override; int side_; float limit_ = 3.0f, vx_ = 0.0f, vy_ = 3.0f; };
VELMORA_ENEMY_KIND(CCrystal2Enemy) };
VELMORA_ENEMY_KIND(CCrystal3Enemy) float vx_ = 4.0f, vy_ = 3.0f, baseAngle_ = 0.0f; };
VELMORA_ENEMY_KIND(CCrystal4Enemy) float vx_ = 4.0f, vy_ = 3.0f; int column_ = 0; };
VELMORA_ENEMY_KIND(CCrystal5Enemy) bool side_; };
VELMORA_ENEMY_KIND(CCrystal6Enemy) float spin_ = 1.5f; };
VELMORA_ENEMY_KIND(CCrystal7Enemy) float destX_ = 0, destY_ = 0; int cycles_ = 0; };
VELMORA_ENEMY_KIND(CCrystal8Enemy) float vx_ = 0, vy_ = 0; bool started_ = false; };
