// Program entry. Until the game itself exists, it opens the library's window
// and keeps the message loop running until the window is closed or Escape
// is pressed.
#include <chrono>
#include <cstdio>
#include <thread>

#include "zovav.h"

int main() {
    ChangeWindowMode(1);
    SetMainWindowText("Velmora ver 1.000");
    if (ZoVav_Init() == -1) {
        fprintf(stderr, "Velmora: the library could not start; see Log.txt.\n");
        return 1;
    }
    while (ProcessMessage() == 0 && CheckHitKey(DIK_ESCAPE) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    ZoVav_End();
    return 0;
}
