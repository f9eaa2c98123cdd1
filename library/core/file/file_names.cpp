// Shift-JIS path and name helpers: separators, upper-casing, wildcards,
// the conversion to the disk's UTF-8, and full paths.
#include "core/file/file_names.h"

#include <cstring>

#include "core/file/file_access.h"
#include "core/routines.h"
#include "platform/text_iconv.h"

namespace {

// Appends one component to a '/'-separated absolute path ("" is the root),
// or for ".." removes the last one. -1 when the result would not fit.
int AppendComponent(std::string& result, const char* start, size_t length) {
    if (length == 1 && start[0] == '.') return 0;
    if (length == 2 && start[0] == '.' && start[1] == '.') {
        // Components never hold '/', and '/' is never a trail byte.
        size_t cut = result.rfind('/');
        result.resize(cut == std::string::npos ? 0 : cut);
        return 0;
    }
    if (result.size() + 1 + length >= ZV_PATH_MAX) return -1;
    result += '/';
    result.append(start, length);
    return 0;
}

// Walks the components of path into result. Empty components are an error
// when strict (a doubled separator in a caller's path), skipped otherwise.
int AppendPath(std::string& result, const char* path, bool strict) {
    const char* p = path;
    const char* start = p;
    while (true) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c != 0 && IsShiftJisLead(c) && p[1] != 0) {
            p += 2;
            continue;
        }
        if (c == 0 || IsPathSeparator(static_cast<char>(c))) {
            size_t length = static_cast<size_t>(p - start);
            if (length == 0) {
                if (strict && c != 0) return -1;
            } else if (AppendComponent(result, start, length) != 0) {
                return -1;
            }
            if (c == 0) return 0;
            start = p + 1;
        }
        ++p;
    }
}

}  // namespace

void UpperShiftJis(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        if (IsShiftJisLead(*p)) {
            if (p[1] == 0) break;
            ++p;
        } else if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<unsigned char>(*p - 'a' + 'A');
        }
    }
}

int WildcardMatch(const char* pattern, const char* name) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
    const unsigned char* n = reinterpret_cast<const unsigned char*>(name);
    while (true) {
        if (*p == 0) return *n == 0 ? 0 : -1;
        if (*n == 0) return -1;
        if (IsShiftJisLead(*p)) {
            if (p[0] != n[0] || p[1] != n[1]) return -1;
            if (p[1] == 0) return 0;
            p += 2;
            n += 2;
        } else if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == 0) return 0;
            const unsigned char* hit = reinterpret_cast<const unsigned char*>(
                std::strchr(reinterpret_cast<const char*>(n), *p));
            if (hit == nullptr) return -1;
            n = hit + 1;
            ++p;
        } else {
            if (*p != '?' && *p != *n) return -1;
            ++p;
            ++n;
        }
    }
}

const char* FindLastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p; ++p) {
        if (IsShiftJisLead(static_cast<unsigned char>(*p))) {
            if (p[1] == 0) break;
            ++p;
        } else if (IsPathSeparator(*p)) {
            last = p;
        }
    }
    return last;
}

int ToDiskPath(const char* path, std::string& out) {
    out.clear();
    if (path == nullptr) return -1;
    size_t length = std::strlen(path);
    if (length >= ZV_PATH_MAX) return -1;
    std::string slashed(path, length);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(slashed[i]);
        if (IsShiftJisLead(c)) {
            ++i;
        } else if (c == '\\') {
            slashed[i] = '/';
        }
    }
    return ShiftJisToUtf8(slashed.c_str(), out);
}

int FromDiskName(const char* utf8, char* out, size_t outSize) {
    std::string sjis;
    if (Utf8ToShiftJis(utf8, sjis) != 0 || sjis.size() >= outSize) return -1;
    std::memcpy(out, sjis.c_str(), sjis.size() + 1);
    return 0;
}

int JoinFullPath(const char* path, const char* currentDir, bool strict, std::string& out) {
    out.clear();
    if (path == nullptr || !IsPathSeparator(path[0])) {
        if (AppendPath(out, currentDir, false) != 0) return -1;
    }
    if (path != nullptr) {
        const char* rest = IsPathSeparator(path[0]) ? path + 1 : path;
        if (*rest != 0 && AppendPath(out, rest, strict) != 0) return -1;
    }
    return 0;
}

int ConvertFullPath(const char* path, char* out, const char* currentDir) {
    char current[ZV_PATH_MAX];
    if (currentDir == nullptr) {
        if (FileGetDir(current) != 0) return -1;
        currentDir = current;
    }
    std::string result;
    if (JoinFullPath(path, currentDir, true, result) != 0) return -1;
    if (result.empty()) result = "/";
    std::memcpy(out, result.c_str(), result.size() + 1);
    return 0;
}
