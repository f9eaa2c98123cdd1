// A scripted system in place of the library's (clock, pad word, date,
// message boxes, exit), data files written through the game's own scramble,
// and a game object made in a private folder and driven update by update;
// shared by the game tests.
#pragma once
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "zv_test_support.h"

namespace gamefix {

// Thrown by the fake's exit so a test sees the status.
struct ExitCalled {
    int status;
};

class FakeSystem : public GameSystem {
public:
    FakeSystem() { SetGameSystem(this); }
    ~FakeSystem() override { SetGameSystem(nullptr); }

    int NowMs() override { return clock ? clock() : now; }
    void SleepMs(int ms) override {
        slept += ms;
        now += ms;
    }
    int PadWord() override { return pad; }
    bool EscapeDown() override { return false; }
    int ProcessMessage() override { return stop && stop() ? 1 : 0; }
    void GetDate(DateTimeData* out) override { *out = date; }
    int ScreenFlip() override {
        ++flips;
        if (onFlip) onFlip();
        return 0;
    }
    void MessageBox(const char* caption, const char* text) override { boxes.push_back({caption, text}); }
    void UpdateFinished() override {
        if (onUpdateFinished) onUpdateFinished();
    }

    std::function<int()> clock;        // the time; `now` when unset
    std::function<bool()> stop;        // ends the frame loop when true
    std::function<void()> onFlip;
    std::function<void()> onUpdateFinished;
    int now = 0;
    int pad = 0;
    DateTimeData date = {2000, 1, 1, 0, 0, 0};
    int slept = 0;
    int flips = 0;
    struct Box {
        std::string caption, text;
    };
    std::vector<Box> boxes;

protected:
    void EndProcess(int status) override { throw ExitCalled{status}; }
};

// Writes text as the game's data files hold it (scrambled with the data key).
inline void WriteDataFile(const std::string& path, const std::string& text) {
    EncodedFileWriter w;
    w.SetKey(DataFileKey);
    ASSERT_TRUE(w.Open(path, "wb"));
    w.WriteString(text);
    ASSERT_TRUE(w.Close());
}

inline std::string ReadDataFile(const std::string& path) {
    EncodedFileReader r;
    r.SetKey(DataFileKey);
    std::string text;
    if (!r.Open(path, "rb")) return "(missing)";
    for (int c; (c = r.GetChar()) >= 0;) text += char(c);
    return text;
}

// A game object in a fresh folder with the save folders, the library not
// started (loads fail quietly, drawing does nothing).
class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        for (const char* d : {"data/dat", "data/score", "data/replay", "data/screenshot"})
            std::filesystem::create_directories(d);
    }
    void MakeGame() {
        game_ = std::make_unique<CGame>();
        g_game = game_.get();
    }
    void TearDown() override {
        game_.reset();
        g_game = nullptr;
    }
    // Runs updates with the pad word held.
    void Tick(int pad, int updates = 1) {
        for (int i = 0; i < updates; ++i) {
            sys_.pad = pad;
            game_->Update();
        }
    }
    // A press as a person makes it: down for one update, then released.
    void Press(int pad) {
        Tick(pad);
        Tick(0, 2);
    }
    // The scene pool's tasks by class name, "+" between, "-" when empty.
    std::string Scenes() {
        std::string names;
        for (CTaskList::iterator it(game_->Pool(POOL_SCENE)); it.HasNext();) {
            CTask* t = it.Next();
            int status = 0;
            char* name = abi::__cxa_demangle(typeid(*t).name(), nullptr, nullptr, &status);
            names += (names.empty() ? "" : "+") + std::string(status == 0 ? name : "?");
            free(name);
        }
        return names.empty() ? "-" : names;
    }
    template <class T>
    T* Scene() {
        for (CTaskList::iterator it(game_->Pool(POOL_SCENE)); it.HasNext();)
            if (T* t = dynamic_cast<T*>(static_cast<CMover*>(it.Next()))) return t;
        return nullptr;
    }

    zvtest::ScopedTempDir dir_;
    FakeSystem sys_;
    std::unique_ptr<CGame> game_;
};

}  // namespace gamefix
