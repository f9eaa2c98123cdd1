// The enemy kinds that stage scripts name: the kind words and one creator per kind.
#pragma once

class CEnemy;
using EnemyCreator = CEnemy* (*)(float x, float y);

constexpr int kEnemyKindCount = 22;
// Kind words by index; the last entry "end" closes the table and names no kind.
extern const char* const EnemyKindNames[kEnemyKindCount + 1];
// Creator i makes kind i at (x, y), or returns null when the enemy pool is full.
extern const EnemyCreator EnemyCreators[kEnemyKindCount];
