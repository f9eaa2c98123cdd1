// The program entry shared by the game and the headless harness.
#pragma once

class CGame;

// The folders the game reads and writes as plain folders; a failure is told
// and the game goes on (its writes then fail one by one, each logged).
void MakeDataFolders();

// Checks "setup.ini", starts the library, runs the game and ends it all.
// beforeRun, when given, sees the game object once it exists. Returns 0, or
// -1 when the settings or the library start fail.
int VelmoraMain(void (*beforeRun)(CGame&) = nullptr);
