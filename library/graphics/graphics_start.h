// Graphics start and end: the graphics-started state, the reset of every
// graphics table and setting, and the display's start-up and end.
#pragma once

int InitializeGraphics();
int TerminateGraphics();
int GetGraphicsStartedFlag();
