// The on-screen log console: its font lives from the end of start-up to the
// start of shutdown.
#pragma once

int InitLogOnScreen();
int TerminateLogOnScreen();
int GetLogOnScreenFlag();
