// The log file "Log.txt" in the start-up directory: time-stamped, indented
// Shift-JIS lines with CRLF ends.
#include "core/log.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/library_state.h"
#include "core/routines.h"
#include "platform/files_posix.h"
#include "platform/system_posix.h"

namespace {
constexpr size_t kFormatBufferSize = 1024;

struct LogState {
    std::string path;      // absolute, fixed when the log is created
    uint32_t startTime = 0;
    int indent = 0;
    int midLine = 0;
};
LogState g_log;

// "\n" becomes "\r\n" until the first "\n" that already follows "\r":
// from there on the text is taken as it is.
std::string ToCrLf(const char* text) {
    std::string out;
    const char* p = text;
    for (; *p; ++p) {
        if (*p == '\n') {
            if (p != text && p[-1] == '\r') break;
            out += '\r';
        }
        out += *p;
    }
    out += p;
    return out;
}
}  // namespace

int LogFileInitialize() {
    g_log.path = g_Library.persistent.startupDirOnDisk + "/Log.txt";
    PlatformRemoveFile(g_log.path.c_str());
    PlatformCreateEmptyFile(g_log.path.c_str());
    g_log.indent = 0;
    g_log.midLine = 0;
    g_log.startTime = PlatformTimeMs();
    return 1;
}

const char* GetLogFilePath() { return g_log.path.c_str(); }

int ErrorLogAdd(const char* text) {
    if (!text || g_log.path.empty()) return -1;
    std::string converted = ToCrLf(text);
    std::string out;
    if (!g_log.midLine) {
        char stamp[16];
        FormatString(stamp, sizeof stamp, "%d:", int(PlatformTimeMs() - g_log.startTime));
        out = stamp;
        out.append(size_t(g_log.indent), '\t');
    }
    out += converted;
    if (!PlatformAppendToFile(g_log.path.c_str(), out.data(), out.size())) return -1;
    g_log.midLine = converted.empty() ? g_log.midLine : (converted.back() != '\n');
    return -1;
}

int ErrorLogFmtAdd(const char* format, ...) {
    char buffer[kFormatBufferSize + 1];
    va_list args;
    va_start(args, format);
    int n = FormatStringV(buffer, kFormatBufferSize, format, args);
    va_end(args);
    buffer[n] = '\n';
    buffer[n + 1] = 0;
    return ErrorLogAdd(buffer);
}

int ErrorLogTabAdd() {
    ++g_log.indent;
    return 0;
}

int ErrorLogTabSub() {
    if (g_log.indent > 0) --g_log.indent;
    return 0;
}

int GetLogIndentLevel() { return g_log.indent; }
