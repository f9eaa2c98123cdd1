// The core's public functions: each takes the library lock around its inner
// function and returns that function's result unchanged.
#include "core/file/file_access.h"
#include "core/lock.h"
#include "core/routines.h"
#include "core/startup.h"
#include "core/window.h"
#include "core/window_settings.h"
#include "zovav.h"

int ZoVav_Init() {
    return WithLibraryLock([] { return ZoVav_InitImpl(); });
}

int ZoVav_End() {
    int result = WithLibraryLock([] { return ZoVav_EndImpl(); });
    DestroyLibraryLock();
    return result;
}

int ProcessMessage() {
    return WithLibraryLock([] { return ProcessMessageImpl(); });
}

int ChangeWindowMode(int flag) {
    return WithLibraryLock([&] { return ChangeWindowModeImpl(flag); });
}

int SetMainWindowText(const char* text) {
    return WithLibraryLock([&] { return SetMainWindowTextImpl(text); });
}

int SetWindowIconID(int id) {
    return WithLibraryLock([&] { return SetWindowIconIDImpl(id); });
}

int SetUseZVArchiveFlag(int flag) {
    return WithLibraryLock([&] { return SetUseZVArchiveFlagImpl(flag); });
}

int SetZVArchiveExtension(const char* extension) {
    return WithLibraryLock([&] { return SetZVArchiveExtensionImpl(extension); });
}

int SetZVArchiveKeyString(const char* keyString) {
    return WithLibraryLock([&] { return SetZVArchiveKeyStringImpl(keyString); });
}

int GetNowCount(int) {
    return WithLibraryLock([] { return int(GetNowCountImpl()); });
}

int GetDateTime(DateTimeData* dateTime) {
    return WithLibraryLock([&] { return GetDateTimeImpl(dateTime); });
}
