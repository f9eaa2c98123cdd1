// The game object's assets: images, sound effects and music, position tables.
#include <cstdio>
#include <cstdlib>

#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/lexer.h"
#include "zovav.h"

namespace {
const char* const kMaterial = "data/material/";
const char* const kEffects[] = {"select", "crash", "get", "shot", "limit", "save", "handin", "screenshot"};
const char* const kMusic[] = {"title", "basicbgm", "bgm", "bgmboss", "bgm2", "bgmboss2", "bgm3", "bgmboss3",
                              "ending"};

std::string Numbered(const char* format, int n) {
    char path[64];
    snprintf(path, sizeof path, format, n);
    return path;
}

int LoadSized(const std::string& path, CGame::Size* size) {
    int h = LoadGraph(path.c_str(), 0);
    GetGraphSize(h, &size->width, &size->height);
    return h;
}
}  // namespace

void CGame::LoadImages() {
    SetTransColor(255, 255, 255);
    LoadDivGraph("data/material/player.png", 6, 3, 2, 36, 42, playerImages, 0);
    shotImage = LoadGraph("data/material/shot.png", 0);
    itemImage = LoadGraph("data/material/item.png", 0);
    swordImage = LoadGraph("data/material/sword.png", 0);
    for (int i = 0; i < 14; ++i)
        bulletImages[i] = LoadSized(Numbered("data/material/bullet%d.png", i + 1), &bulletSizes[i]);
    for (int i = 0; i < 9; ++i)
        enemyImages[i] = LoadSized(Numbered("data/material/enemy%d.png", i + 1), &enemySizes[i]);
    for (int i = 0; i < 3; ++i) bossImages[i] = LoadSized(Numbered("data/material/boss%d.png", i + 1), &bossSizes[i]);
    SetTransColor(0, 0, 0);
    for (int i = 0; i < 2; ++i)
        LoadDivGraph(Numbered("data/material/effectanime%d.jpg", i + 1).c_str(), 16, 8, 2, 96, 96,
                     effectAnimations[i], 0);
    SetTransColor(255, 255, 255);
    static const struct {
        const char* format;
        int count;
    } kFaces[4] = {{"data/material/fuka%d.png", 5},
                   {"data/material/ryu%d.png", 3},
                   {"data/material/yu%d.png", 2},
                   {"data/material/maria%d.png", 5}};
    for (int c = 0; c < 4; ++c)
        for (int i = 1; i <= kFaces[c].count; ++i) faces_[c].Load(Numbered(kFaces[c].format, i));
}

void CGame::LoadSounds() {
    soundEffects_.SetSuffix(".wav");
    for (const char* name : kEffects) soundEffects_.Load(std::string(kMaterial) + name + ".wav");
    SetCreateSoundDataType(3);
    music_.SetSuffix(".mp3");
    for (const char* name : kMusic) music_.Load(std::string(kMaterial) + name + ".mp3");
}

// A missing table still takes its place (empty), so the later tables keep
// their numbers; a second load replaces the first.
void CGame::LoadPositions() {
    positions_.clear();
    for (int n = 0; n < 3; ++n) {
        std::string path = Numbered("data/dat/position%d.dat", n);
        IOstream::CLexer lexer;
        lexer.SetKey(DataFileKey);
        PositionList list;
        if (!lexer.Load(path, false)) GameLog("%s を読めませんでした", path.c_str());
        while (!lexer.IsEmpty()) {
            float x = float(atof(lexer.GetToken(true).c_str()));
            float y = float(atof(lexer.GetToken(true).c_str()));
            list.emplace_back(x, y);
        }
        positions_.push_back(std::move(list));
    }
}
