// Graphics as the rest of the library sees it: start-up and end of the
// display, screen settings read before the window exists, the recovery on
// activation, repaint and display changes, and the registration of its
// subsystem row.
#pragma once

int GetNotUse3DFlag();
int SetUseDirectDrawFlag(int flag);
int GetDisplayColorBitDepth();
int SetUseTempPrimaryFlag(int flag);
int GetScreenSize(int* width, int* height);
int InitializeDisplay();
int TerminateDisplay();
int SetWaitVSyncFlag(int flag);
int SetForegroundMainWindow();
int SetDrawScreenImpl(int screen);
int GetDrawScreenImpl();
int GetUseHardwareDrawFlag();
int GetDirectDrawObjectExists();
int ReleaseDirectDrawObject();
int GetScreenModeChangedFlag();
int ChangeScreenMode(int width, int height, int colorBitDepth, int windowMode, int refreshRate);
int SetGDISurfaceModeFlag(int flag);
int GetGDISurfaceModeFlag();
int GetScreenColorBitDepth();

// Registers the graphics' row and display hooks in the subsystem table.
void RegisterGraphicsSubsystem();

// Recovery on activation, repaint and display changes.
int RestoreAllSurface2D();
int RestoreAllSurface3D();
int RestoreGraphSystem();
int RestoreAllLostGraphs();
int ResumeAllMovies();
int PauseAllMovies();
int ReleaseAllMovieSurfaces();
int SetupScreenColorData();
// Shows the back screen again after the window was uncovered.
int RepaintBackScreen();

// Start-up's last step: exercises the draw targets and clears both screens.
int InitializeScreensAtStartup();
