// Helpers for plays through velmora_headless in a test's own folder: stand-in sprites at the game's sizes,
// input tapes, the harness run and its hash lines read back.
#pragma once
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/frame/game_fixture.h"

namespace walkfix {

// A plain 24-bit picture of the given size.
inline void WriteBmp(const std::string& path, int w, int h) {
    int row = (w * 3 + 3) & ~3;
    std::string b(54 + row * h, '\0');
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, (uint32_t)b.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    for (size_t i = 54; i < b.size(); ++i) b[i] = char(0x80);
    std::ofstream(path, std::ios::binary) << b;
}

// Sprite sizes set the hit boxes; plain pictures at the game's sizes stand in for the art.
inline void WriteSprites() {
    for (int i = 1; i <= 14; ++i) WriteBmp("data/material/bullet" + std::to_string(i) + ".png", 16, 16);
    for (int i = 1; i <= 9; ++i) WriteBmp("data/material/enemy" + std::to_string(i) + ".png", 48, 40);
    WriteBmp("data/material/player.png", 108, 84);
}

inline void WriteTape(const std::vector<int>& words, const std::string& path = "tape.txt") {
    std::ofstream out(path);
    for (int w : words) out << std::hex << w << "\n";
}

// A step of a tape the harness writes as it plays (--steps): once the scene shows, after the previous step's
// presses, each word is held for `hold` updates, the first 4 updates on, the next 3 after each release.
struct Step {
    const char* scene;
    std::vector<int> presses;
    int hold = 1;
};

inline void WriteSteps(const std::vector<Step>& steps, const std::string& path = "steps.txt") {
    std::ofstream out(path);
    for (const Step& s : steps) {
        out << s.scene << " " << s.hold << std::hex;
        for (int w : s.presses) out << " " << w;
        out << std::dec << "\n";
    }
}

// The harness in this folder; its exit status, -1 when it did not exit.
inline int RunHeadless(const std::string& options) {
    std::string command = std::string(VELMORA_HEADLESS) + " --run-dir . " + options + " 2>stderr.txt";
    int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// One hash line: update, scenes, score, lives, replay frame ("-", r<k> or p<k>), play-state hash.
struct Line {
    long update = 0;
    std::string scenes;
    int score = 0, lives = 0;
    std::string frame, hash;
};

inline std::vector<Line> Lines(const std::string& path) {
    std::vector<Line> out;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);) {
        std::istringstream fields(text);
        Line l;
        fields >> l.update >> l.scenes >> l.score >> l.lives >> l.frame >> l.hash;
        out.push_back(l);
    }
    return out;
}

// The first update after `after` whose scene list holds scene; -1 when none.
inline long FirstWith(const std::vector<Line>& lines, const std::string& scene, long after = 0) {
    for (const Line& l : lines)
        if (l.update > after && l.scenes.find(scene) != std::string::npos) return l.update;
    return -1;
}

}  // namespace walkfix
