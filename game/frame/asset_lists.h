// Lists of loaded assets: sound effects and music by index and by key,
// character portraits, and position tables.
#pragma once
#include <string>
#include <utility>
#include <vector>

class CSoundList {
public:
    // Play types: wait until the end, in the background, looping.
    enum { PLAY_WAIT = 0, PLAY_BACK = 1, PLAY_LOOP = 2 };

    ~CSoundList() { Release(); }
    // Keeps the place of a sound that fails to load (handle -1).
    void Load(const std::string& path);
    void SetSuffix(const std::string& suffix) { suffix_ = suffix; }
    void SetOff(bool off) { off_ = off; }
    // An index outside the list ends the program.
    void Play(int index, int type);
    void PlayByName(const std::string& name, int type);
    void Stop();
    void Release();
    int Count() const { return int(handles_.size()); }
    const std::string& Key(int index) const { return keys_[size_t(index)]; }
    int Current() const { return current_; }

private:
    void Start(int handle, int type);

    std::vector<int> handles_;
    std::vector<std::string> keys_;
    int current_ = -1;
    std::string suffix_;
    bool off_ = false;
};

// The key of a loaded path: its file name, extension included.
std::string SoundKey(const std::string& path);

class CGraphList {
public:
    CGraphList() = default;
    CGraphList(const CGraphList&) = delete;
    CGraphList& operator=(const CGraphList&) = delete;
    ~CGraphList();
    // false when the image does not load; it still takes its place (handle
    // -1, drawing nothing), so the later images keep their numbers.
    bool Load(const std::string& path);
    int Count() const { return int(handles_.size()); }
    // Centred at (x, y); an index outside the list draws nothing.
    int Draw(int i, int x, int y) const;

private:
    std::vector<int> handles_;
};

using PositionList = std::vector<std::pair<float, float>>;
