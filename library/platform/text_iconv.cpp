// Shift-JIS <-> UTF-8 conversion through iconv.
#include "platform/text_iconv.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsAscii(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p >= 0x80) return false;
    return true;
}

// A descriptor per call keeps the routine safe on any thread (the file-access
// threads convert paths too); iconv caches its tables, so opening is cheap.
int Convert(const char* from, const char* to, const char* in, std::string& out) {
    out.clear();
    if (in == nullptr) return -1;
    // Both encodings share ASCII, which is nearly every path.
    if (IsAscii(in)) {
        out = in;
        return 0;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    size_t inLeft = std::strlen(in);
    char* inPtr = const_cast<char*>(in);
    std::string buffer(inLeft * 4 + 16, '\0');
    char* outPtr = &buffer[0];
    size_t outLeft = buffer.size();
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (result != static_cast<size_t>(-1)) result = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0) return -1;
    buffer.resize(buffer.size() - outLeft);
    out.swap(buffer);
    return 0;
}

}  // namespace

int ShiftJisToUtf8(const char* sjis, std::string& out) { return Convert("CP932", "UTF-8", sjis, out); }

int Utf8ToShiftJis(const char* utf8, std::string& out) { return Convert("UTF-8", "CP932", utf8, out); }
