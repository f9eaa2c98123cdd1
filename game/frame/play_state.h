// What a replay must repeat, in one number: a hash of the play state, and the
// names of the live scenes; for the headless harness and its tests.
#pragma once
#include <cstdint>
#include <string>

class CGame;
class CTask;

// FNV-1a 64 over the little-endian bytes of the score, lives, stage, mode,
// the play generator, the paused and play-ended flags, the stage script's
// position, wait and stop flag, and every player, shot, special, bullet,
// effect, enemy and item task in list order (class name, x and y as float
// bits). Never the continues, the scene, background or replay lists, the boss
// sparks or the drawing generator: nothing that drawing or menus alone change.
uint64_t PlayStateHash(const CGame& game);

// The class names of the scene list in list order joined by "+", "-" when empty.
std::string SceneNames(const CGame& game);

// The readable class name of a task.
const std::string& TaskClassName(const CTask& task);
