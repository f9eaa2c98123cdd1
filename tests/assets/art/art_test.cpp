// The game's pictures as built: every file the game loads is there, decodes
// through the library with the size and cut it is loaded with, keeps the
// library's picture rules, and the actors' sizes (their hit boxes) match the
// sprite table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "zovav.h"
#include "zv_started_library.h"
#include "zv_test_support.h"

namespace {

struct Loaded {
    std::string file;
    int width, height;          // the whole picture
    int across, down;           // pieces when divided; 0 for a whole picture
    bool blackIsClear;          // loaded with black as the transparent colour
};

std::string Numbered(const char* pattern, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, n);
    return buf;
}

// What the game loads and how: its load lists, the screen helper, the scenes and the backgrounds.
std::vector<Loaded> GameLoads() {
    std::vector<Loaded> v = {
        {"player.png", 108, 84, 3, 2, false},      {"shot.png", 0, 0, 0, 0, false},
        {"item.png", 0, 0, 0, 0, false},           {"sword.png", 0, 0, 0, 0, false},
        {"number.png", 150, 25, 10, 1, false},     {"window.png", 48, 48, 3, 3, false},
        {"title.png", 0, 0, 0, 0, false},          {"ready.png", 0, 0, 0, 0, false},
        {"stage.png", 0, 0, 0, 0, false},          {"clear.png", 0, 0, 0, 0, false},
        {"titleback.jpg", 640, 480, 0, 0, true},
        {"effectanime1.jpg", 768, 192, 8, 2, true}, {"effectanime2.jpg", 768, 192, 8, 2, true},
    };
    for (int i = 1; i <= 14; ++i) v.push_back({Numbered("bullet%d.png", i), 0, 0, 0, 0, false});
    for (int i = 1; i <= 9; ++i) v.push_back({Numbered("enemy%d.png", i), 0, 0, 0, 0, false});
    for (int i = 1; i <= 3; ++i) v.push_back({Numbered("boss%d.png", i), 0, 0, 0, 0, false});
    for (int i = 1; i <= 4; ++i) v.push_back({Numbered("back%d.jpg", i), 640, 480, 0, 0, true});
    const std::pair<const char*, int> faces[] = {{"fuka", 5}, {"ryu", 3}, {"yu", 2}, {"maria", 5}};
    for (const auto& f : faces)
        for (int i = 1; i <= f.second; ++i) v.push_back({std::string(f.first) + std::to_string(i) + ".png", 0, 0, 0, 0, false});
    return v;
}

struct TableEntry {
    int width, height;
};

// "picture FILE W H LOOK ..." lines of the sprite table.
std::map<std::string, TableEntry> SpriteTable() {
    std::map<std::string, TableEntry> t;
    std::ifstream in(ZV_ART_TABLE);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string word, file;
        TableEntry e{};
        if (s >> word && word == "picture" && s >> file >> e.width >> e.height) t[file] = e;
    }
    return t;
}

std::string Path(const std::string& file) { return std::string(ZV_ART_DIR) + "/" + file; }

class Art : public zvtest::StartedLibrary {
protected:
    // Loads as the game does and returns the size of every graph made (one for a whole picture).
    std::vector<std::pair<int, int>> Load(const Loaded& l) {
        if (l.blackIsClear)
            SetTransColor(0, 0, 0);
        else
            SetTransColor(255, 255, 255);
        std::vector<int> handles;
        if (l.across == 0) {
            handles.push_back(LoadGraph(Path(l.file).c_str()));
        } else {
            const int count = l.across * l.down;
            handles.assign(count, -1);
            if (LoadDivGraph(Path(l.file).c_str(), count, l.across, l.down, l.width / l.across, l.height / l.down,
                             handles.data()) != 0)
                return {};
        }
        std::vector<std::pair<int, int>> sizes;
        for (int h : handles) {
            int w = -1, ht = -1;
            if (h == -1 || GetGraphSize(h, &w, &ht) != 0) return {};
            sizes.push_back({w, ht});
            DeleteGraph(h);
        }
        return sizes;
    }
};

TEST_F(Art, EveryPictureTheGameLoadsDecodesWithItsSizeAndCut) {
    for (const Loaded& l : GameLoads()) {
        SCOPED_TRACE(l.file);
        // A divided picture must be exactly its pieces; the whole file is checked first.
        const auto whole = Load({l.file, 0, 0, 0, 0, l.blackIsClear});
        ASSERT_EQ(whole.size(), 1u) << "missing or undecodable";
        if (l.width != 0) {
            EXPECT_EQ(whole[0], std::make_pair(l.width, l.height));
        }
        if (l.across != 0) {
            const auto pieces = Load(l);
            ASSERT_EQ(pieces.size(), size_t(l.across * l.down));
            for (const auto& p : pieces) {
                EXPECT_EQ(p, std::make_pair(l.width / l.across, l.height / l.down));
            }
        }
    }
}

// Bullets, enemies and bosses take their hit boxes from their sizes, so those
// sizes are rules: the built files must be what the table says.
TEST_F(Art, ActorSizesMatchTheSpriteTable) {
    const auto table = SpriteTable();
    std::vector<std::string> actors;
    for (int i = 1; i <= 14; ++i) actors.push_back(Numbered("bullet%d.png", i));
    for (int i = 1; i <= 9; ++i) actors.push_back(Numbered("enemy%d.png", i));
    for (int i = 1; i <= 3; ++i) actors.push_back(Numbered("boss%d.png", i));
    actors.push_back("player.png");
    for (const std::string& f : actors) {
        SCOPED_TRACE(f);
        auto it = table.find(f);
        ASSERT_NE(it, table.end()) << "not in the sprite table";
        const auto sizes = Load({f, 0, 0, 0, 0, false});
        ASSERT_EQ(sizes.size(), 1u);
        EXPECT_EQ(sizes[0], std::make_pair(it->second.width, it->second.height));
    }
    // The player's frames are cut 36 x 42 from a 3 x 2 sheet.
    EXPECT_EQ(table.at("player.png").width, 3 * 36);
    EXPECT_EQ(table.at("player.png").height, 2 * 42);
}

// PNG pictures carry alpha as RGBA (grey with alpha would lose it), and no name
// ends in "_a", which would make it another picture's alpha.
TEST(ArtFiles, PngPicturesAreRgbaAndNoNameIsAnAlphaCompanion) {
    for (const Loaded& l : GameLoads()) {
        SCOPED_TRACE(l.file);
        EXPECT_EQ(l.file.find("_a."), std::string::npos);
        if (l.file.size() < 4 || l.file.compare(l.file.size() - 4, 4, ".png") != 0) continue;
        const std::string bytes = zvtest::ReadWholeFile(Path(l.file));
        ASSERT_GT(bytes.size(), 26u);
        EXPECT_EQ(bytes.substr(1, 3), "PNG");
        EXPECT_EQ(int(bytes[24]), 8) << "bit depth";
        EXPECT_EQ(int(bytes[25]), 6) << "colour type (6 is RGBA)";
    }
}

}  // namespace
