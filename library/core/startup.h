// Library start-up and shutdown in their fixed order.
#pragma once

int ZoVav_InitImpl();
int ZoVav_EndImpl();
int LibraryWindowSystemInit();
int LibraryWindowSystemEnd();
int InitializeCom();
int TerminateCom();
int OutputSystemInfo();
// The core's own rows: COM and the window system.
void RegisterCoreSubsystems();

// Tests skip the fixed waits of start-up with this.
void SetSkipStartupWaits(int flag);
