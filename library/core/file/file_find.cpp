// Directory search over plain folders (find first / next / close) and the
// conversion of file times to the library's local date and time.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/file/file_names.h"
#include "core/file/file_plain.h"
#include "platform/files_posix.h"

namespace {

struct FoundEntry {
    std::string name;   // Shift-JIS
    int dirFlag;
    uint64_t size;
    int64_t created;    // seconds since 1970
    int64_t written;
};

struct PlainSearch {
    std::vector<FoundEntry> entries;
    size_t next = 0;
};

// "." and ".." come first and the rest by name: readdir has no order, and
// every caller should see the same sequence.
bool EntryBefore(const FoundEntry& a, const FoundEntry& b) {
    auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
    if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
    return a.name < b.name;
}

void Fill(const FoundEntry& entry, FileFindData* out) {
    if (out == nullptr) return;
    std::memset(out, 0, sizeof(*out));
    std::memcpy(out->Name, entry.name.c_str(), entry.name.size() + 1);
    out->DirFlag = entry.dirFlag;
    out->Size = entry.size;
    UnixTimeToDateTimeData(entry.created, &out->CreationTime);
    UnixTimeToDateTimeData(entry.written, &out->LastWriteTime);
}

}  // namespace

void UnixTimeToDateTimeData(int64_t seconds, DateTimeData* out) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) {
        *out = DateTimeData{};
        return;
    }
    out->Year = local.tm_year + 1900;
    out->Mon = local.tm_mon + 1;
    out->Day = local.tm_mday;
    out->Hour = local.tm_hour;
    out->Min = local.tm_min;
    out->Sec = local.tm_sec;
}

void FileTimeToDateTimeData(uint64_t fileTime, DateTimeData* out) {
    // 100 ns ticks from 1601-01-01 to 1970-01-01.
    constexpr int64_t kEpochSeconds = 11644473600LL;
    UnixTimeToDateTimeData(static_cast<int64_t>(fileTime / 10000000ULL) - kEpochSeconds, out);
}

intptr_t PlainFindFirst(const char* pattern, FileFindData* out) {
    if (pattern == nullptr || std::strlen(pattern) >= ZV_PATH_MAX) return -1;
    std::string directory;
    std::string namePattern;
    const char* separator = FindLastSeparator(pattern);
    if (separator == nullptr) {
        directory = ".";
        namePattern = pattern;
    } else {
        directory.assign(pattern, separator == pattern ? 1 : static_cast<size_t>(separator - pattern));
        namePattern = separator + 1;
    }
    UpperShiftJis(&namePattern[0]);

    std::string diskDirectory;
    if (ToDiskPath(directory.c_str(), diskDirectory) != 0) return -1;
    std::vector<PlatformFolderEntry> found;
    if (!PlatformListFolder(diskDirectory.c_str(), &found)) return -1;

    void* memory = ZVALLOC(sizeof(PlainSearch));
    if (memory == nullptr) return -1;
    PlainSearch* search = new (memory) PlainSearch();
    for (const PlatformFolderEntry& f : found) {
        char name[ZV_PATH_MAX];
        if (FromDiskName(f.name.c_str(), name, sizeof(name)) != 0) continue;  // no Shift-JIS form
        std::string upper = name;
        UpperShiftJis(&upper[0]);
        if (WildcardMatch(namePattern.c_str(), upper.c_str()) != 0) continue;
        search->entries.push_back({name, f.isFolder ? 1 : 0, f.size, f.created, f.written});
    }

    if (search->entries.empty()) {
        PlainFindClose(reinterpret_cast<intptr_t>(search));
        return -1;
    }
    std::sort(search->entries.begin(), search->entries.end(), EntryBefore);
    Fill(search->entries[0], out);
    search->next = 1;
    return reinterpret_cast<intptr_t>(search);
}

int PlainFindNext(intptr_t find, FileFindData* out) {
    PlainSearch* search = reinterpret_cast<PlainSearch*>(find);
    if (search == nullptr || find == -1 || search->next >= search->entries.size()) return -1;
    Fill(search->entries[search->next++], out);
    return 0;
}

int PlainFindClose(intptr_t find) {
    PlainSearch* search = reinterpret_cast<PlainSearch*>(find);
    if (search == nullptr || find == -1) return -1;
    search->~PlainSearch();
    ZvFree(search);
    return 0;
}
