// Sound lists (play by index or key), portrait lists and their loading.
#include "frame/asset_lists.h"

#include "frame/game_system.h"
#include "zovav.h"

std::string SoundKey(const std::string& path) {
    size_t dot = path.find('.');
    size_t end = dot == std::string::npos ? path.size() : dot;
    size_t slash = path.find_last_of("/\\", end == 0 ? 0 : end - 1);
    return path.substr(slash == std::string::npos ? 0 : slash + 1);
}

void CSoundList::Load(const std::string& path) {
    handles_.push_back(LoadSoundMem(path.c_str(), 3, -1));
    keys_.push_back(SoundKey(path));
    if (path.find('.') == std::string::npos) GameLog("サウンド %s に拡張子がありません", path.c_str());
}

void CSoundList::Start(int handle, int type) {
    static const int kLibraryType[] = {ZV_PLAYTYPE_NORMAL, ZV_PLAYTYPE_BACK, ZV_PLAYTYPE_LOOP};
    PlaySoundMem(handle, kLibraryType[type], 1);
}

void CSoundList::Play(int index, int type) {
    if (index < 0 || index >= Count()) {
        GameLog("サウンド番号 %d はリスト(%d 個)の外です", index, Count());
        ZoVav_End();
        Sys().Exit(1);
    }
    if (off_ || type < PLAY_WAIT || type > PLAY_LOOP) return;
    Start(handles_[size_t(index)], type);
    current_ = type == PLAY_WAIT ? -1 : index;
}

void CSoundList::PlayByName(const std::string& name, int type) {
    if (off_ || type < PLAY_WAIT || type > PLAY_LOOP) return;
    std::string key = name + suffix_;
    for (int i = 0; i < Count(); ++i) {
        if (keys_[size_t(i)] != key) continue;
        Start(handles_[size_t(i)], type);
        current_ = type == PLAY_LOOP ? i : -1;
        return;
    }
}

void CSoundList::Stop() {
    StopSound();
    if (current_ >= 0 && current_ < Count()) StopSoundMem(handles_[size_t(current_)]);
    current_ = -1;
}

void CSoundList::Release() {
    for (int h : handles_) DeleteSoundMem(h, 0);
    handles_.clear();
    keys_.clear();
}

CGraphList::~CGraphList() {
    for (int h : handles_) DeleteGraph(h, 0);
}

bool CGraphList::Load(const std::string& path) {
    int h = LoadGraph(path.c_str(), 0);
    handles_.push_back(h);
    return h != -1;
}

int CGraphList::Draw(int i, int x, int y) const {
    if (i < 0 || i >= Count()) return -1;
    return DrawRotaGraph(x, y, 1.0, 0.0, handles_[size_t(i)], 1, 0);
}
