// The entries of zovav_host.h: forwards to the log, the message box, the text
// conversion and the start-up and display switches they name. It stands at
// the library root, above every layer, as its entries reach into several.
#include "zovav_host.h"

#include "core/log.h"
#include "core/routines.h"
#include "core/startup.h"
#include "graphics/graphics_core.h"
#include "platform/message_box.h"
#include "platform/text_iconv.h"
#include "platform/vblank_clock.h"

void HostLogLine(const char* text) { ErrorLogFmtAdd("%s", text); }

void HostMessageBox(const char* caption, const char* text) { PlatformMessageBox(text, caption); }

int HostShiftJisToUtf8(const char* sjis, std::string& out) { return ShiftJisToUtf8(sjis, out); }

bool HostIsShiftJisLead(unsigned char byte) { return IsShiftJisLead(byte); }

void HostSkipStartupWaits(int flag) { SetSkipStartupWaits(flag); }

void HostSetVBlankImmediate(bool immediate) { VBlankSetImmediate(immediate); }

int HostSetWaitVSync(int flag) { return SetWaitVSyncFlag(flag); }
