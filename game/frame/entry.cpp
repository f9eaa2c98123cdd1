// Start-up and shutdown: the settings check, the library's configuration,
// the save folders, the game object and its frame loop.
#include "frame/entry.h"

#include <cstdio>

#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/host_files.h"
#include "frame/ini_file.h"
#include "zovav.h"

void MakeDataFolders() {
    for (const char* dir : {"data/dat", "data/score", "data/replay", "data/screenshot"}) {
        std::string why = MakeFolders(dir);
        if (!why.empty()) GameLog("フォルダ %s を作れませんでした: %s", dir, why.c_str());
    }
}

int VelmoraMain(void (*beforeRun)(CGame&)) {
    CIniFile ini;
    if (!CheckSetupIni(&ini)) return -1;
    bool fullScreen = ini.Get("FullScreen") != "0";
    bool hardDraw = ini.Get("HardDraw") != "0";
    char title[32];
    snprintf(title, sizeof title, "Velmora ver %0.03f", 1.0);

    ChangeWindowMode(fullScreen ? 0 : 1);
    SetDrawScreen(SCREEN_BACK);
    SetWindowIconID(102);
    SetMainWindowText(title);
    SetUseHardwareDrawFlag(hardDraw ? 1 : 0);
    if (ZoVav_Init() == -1) return -1;
    SetZVArchiveKeyString("kor3vq");
    SetUseZVArchiveFlag(1);
    SetZVArchiveExtension("tpx");
    MakeDataFolders();

    g_game = new CGame;
    if (beforeRun) beforeRun(*g_game);
    g_game->Run();
    delete g_game;
    g_game = nullptr;
    ZoVav_End();
    return 0;
}
