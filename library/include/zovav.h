// ZoVav: the game library's public functions. Every function takes the
// library lock, runs, and returns 0 for success, -1 for failure, or a handle.
#ifndef ZOVAV_H
#define ZOVAV_H

#define ZOVAV_VERSION "2.23a"

// Local date and time.
struct DateTimeData {
    int Year, Mon, Day, Hour, Min, Sec;
};

// Start-up, shutdown and the message loop.
int ZoVav_Init();
int ZoVav_End();
int ProcessMessage();

// Window and file-access settings; each may be made before ZoVav_Init.
int ChangeWindowMode(int flag);
int SetMainWindowText(const char* text);
int SetWindowIconID(int id);
int SetUseZVArchiveFlag(int flag);
int SetZVArchiveExtension(const char* extension);
int SetZVArchiveKeyString(const char* keyString);

// Time.
int GetNowCount(int useRDTSCFlag = 0);
int GetDateTime(DateTimeData* dateTime);

#endif
