// Archive-aware file functions: deciding per path whether a file lies in an
// archive, the table of open archives and files, and the handles over both.
#include "core/file/archive_files.h"

#include <cstring>
#include <new>
#include <string>

#include "core/alloc.h"
#include "core/file/archive_reader.h"
#include "core/file/file_names.h"
#include "core/file/file_plain.h"
#include "core/log.h"
#include "core/routines.h"

namespace {

constexpr size_t kExtensionMax = 63;
constexpr size_t kKeyStringMax = 12;

struct ArchiveSlot {
    int useCount;
    ZVArchive archive;
    char path[ZV_PATH_MAX];   // upper-cased, '\' separators: the form compared
};

struct ZVArchiveFile {
    int inArchive;
    ZvFileHandle plain;
    int archiveIndex;
    ZVArchiveInFile inFile;
};

struct ArchiveFindRecord {
    int inArchive;
    int archiveIndex;
    intptr_t search;   // ZVArchiveSearch* or a plain search
};

struct ArchiveManagerState {
    ArchiveSlot* archives[ZVA_MAX_ARCHIVES];
    int archiveCount;
    ZVArchiveFile* files[ZVA_MAX_FILES];
    int fileCount;
    char extension[kExtensionMax + 1];   // "" means "ZVA"
    int keyStringSet;
    char keyString[kKeyStringMax + 1];
    // The archive the last search found: its compared path, the length of
    // the folder part in front of "." and the extension, and its slot.
    char lastHitPath[ZV_PATH_MAX];
    size_t lastHitPrefix;
    int lastHitIndex;
};

ArchiveManagerState g_archives;

const char* Extension() { return g_archives.extension[0] != 0 ? g_archives.extension : "ZVA"; }

ZVArchiveFile* FileOf(ZvFileHandle handle) {
    if ((handle & ~static_cast<intptr_t>(0x0FFFFFFF)) != ZVA_FILEHANDLE_FLAG) return nullptr;
    intptr_t slot = handle & 0x0FFFFFFF;
    if (slot >= ZVA_MAX_FILES) return nullptr;
    return g_archives.files[slot];
}

void CloseArchiveSlot(int index) {
    ZVArchiveClose(&g_archives.archives[index]->archive);
    ZvFree(g_archives.archives[index]);
    g_archives.archives[index] = nullptr;
    --g_archives.archiveCount;
    if (g_archives.lastHitIndex == index) g_archives.lastHitPrefix = 0;
}

int CloseUnusedArchives() {
    for (int i = 0; i < ZVA_MAX_ARCHIVES; ++i)
        if (g_archives.archives[i] != nullptr && g_archives.archives[i]->useCount <= 0) CloseArchiveSlot(i);
    return 0;
}

int ReleaseArchive(int index) {
    if (index < 0 || index >= ZVA_MAX_ARCHIVES) return -1;
    ArchiveSlot* slot = g_archives.archives[index];
    if (slot == nullptr || slot->useCount <= 0) return -1;
    // Kept open at zero uses, ready for the next file under it.
    --slot->useCount;
    return 0;
}

// Takes one use of the archive at comparePath, opening it from diskPath
// when no slot holds it. Returns its slot or -1.
int OpenOrReuseArchive(const std::string& comparePath, const std::string& diskPath, int hint) {
    if (comparePath.size() >= ZV_PATH_MAX) return -1;
    if (hint >= 0 && hint < ZVA_MAX_ARCHIVES && g_archives.archives[hint] != nullptr &&
        comparePath == g_archives.archives[hint]->path) {
        ++g_archives.archives[hint]->useCount;
        return hint;
    }
    int empty = -1;
    for (int i = 0; i < ZVA_MAX_ARCHIVES; ++i) {
        ArchiveSlot* slot = g_archives.archives[i];
        if (slot == nullptr) {
            if (empty < 0) empty = i;
        } else if (comparePath == slot->path) {
            ++slot->useCount;
            return i;
        }
    }
    if (g_archives.archiveCount >= ZVA_MAX_ARCHIVES) {
        CloseUnusedArchives();
        if (g_archives.archiveCount >= ZVA_MAX_ARCHIVES) return -1;
        for (empty = 0; g_archives.archives[empty] != nullptr; ++empty) {
        }
    }
    if (empty < 0) return -1;

    ArchiveSlot* slot = static_cast<ArchiveSlot*>(ZVCALLOC(sizeof(ArchiveSlot)));
    if (slot == nullptr) return -1;
    const char* key = g_archives.keyStringSet ? g_archives.keyString : nullptr;
    // A missing candidate is the common case: no log. One that is there but
    // refused is named, or the program blames the file inside it.
    bool refused = false;
    if (ZVArchiveOpen(&slot->archive, diskPath.c_str(), key, &refused) != 0) {
        if (refused) ErrorLogFmtAdd("アーカイブファイル %s は鍵が違うか壊れているため開けません", comparePath.c_str());
        ZvFree(slot);
        return -1;
    }
    slot->useCount = 1;
    std::memcpy(slot->path, comparePath.c_str(), comparePath.size() + 1);
    g_archives.archives[empty] = slot;
    ++g_archives.archiveCount;
    return empty;
}

}  // namespace

int ZVArchiveSetExtension(const char* extension) {
    size_t length = extension != nullptr ? std::strlen(extension) : 0;
    if (length == 0 || length > kExtensionMax) length = 0;
    std::memcpy(g_archives.extension, extension != nullptr ? extension : "", length);
    g_archives.extension[length] = 0;
    g_archives.lastHitPrefix = 0;   // the remembered archive name used the old extension
    return 0;
}

int ZVArchiveSetKeyString(const char* keyString) {
    if (keyString == nullptr || keyString[0] == 0) {
        g_archives.keyStringSet = 0;
        g_archives.keyString[0] = 0;
        return 0;
    }
    size_t length = std::strlen(keyString);
    if (length > kKeyStringMax) length = kKeyStringMax;
    std::memcpy(g_archives.keyString, keyString, length);
    g_archives.keyString[length] = 0;
    g_archives.keyStringSet = 1;
    return 0;
}

int InitializeZVArchiveManager() {
    // The extension and key string may have been set before start-up.
    std::memset(g_archives.archives, 0, sizeof(g_archives.archives));
    std::memset(g_archives.files, 0, sizeof(g_archives.files));
    g_archives.archiveCount = 0;
    g_archives.fileCount = 0;
    g_archives.lastHitPrefix = 0;
    g_archives.lastHitIndex = -1;
    return 0;
}

int TerminateZVArchiveManager() {
    CloseUnusedArchives();
    g_archives.lastHitPrefix = 0;
    return 0;
}

int ZVArchivePathResolve(const char* path, int* archiveIndex, char* innerPath) {
    if (path == nullptr) return -1;
    char current[ZV_PATH_MAX];
    std::string disk;
    if (PlainFileGetDir(current) != 0 || JoinFullPath(path, current, false, disk) != 0) return -1;
    // The compared form: upper-cased with '\' separators. Upper-casing keeps
    // byte lengths, so both forms share every offset.
    std::string compare = disk;
    UpperShiftJis(&compare[0]);
    for (size_t i = 0; i < compare.size(); ++i) {
        if (IsShiftJisLead(static_cast<unsigned char>(compare[i]))) ++i;
        else if (compare[i] == '/') compare[i] = '\\';
    }
    std::string extension = Extension();
    std::string upperExtension = extension;
    UpperShiftJis(&upperExtension[0]);

    // The last hit: a path under the same folder skips the search. A
    // separator must follow, or "DATAX\F" would be looked up in DATA's archive.
    size_t prefix = g_archives.lastHitPrefix;
    if (prefix > 0 && compare.size() > prefix + 1 && compare[prefix] == '\\' &&
        std::memcmp(compare.data(), g_archives.lastHitPath, prefix) == 0) {
        int index = OpenOrReuseArchive(g_archives.lastHitPath, disk.substr(0, prefix) + "." + extension,
                                       g_archives.lastHitIndex);
        if (index < 0) return -1;
        std::strcpy(innerPath, compare.c_str() + prefix + 1);
        *archiveIndex = index;
        return 0;
    }

    // Shortest folder first; the root (offset 0) and the file name itself
    // are never candidates.
    for (size_t i = 1; i < compare.size(); ++i) {
        if (IsShiftJisLead(static_cast<unsigned char>(compare[i]))) {
            ++i;
            continue;
        }
        if (compare[i] != '\\') continue;
        std::string candidate = compare.substr(0, i) + "." + upperExtension;
        int index = OpenOrReuseArchive(candidate, disk.substr(0, i) + "." + extension, -1);
        if (index < 0) continue;
        std::memcpy(g_archives.lastHitPath, candidate.c_str(), candidate.size() + 1);
        g_archives.lastHitPrefix = i;
        g_archives.lastHitIndex = index;
        std::strcpy(innerPath, compare.c_str() + i + 1);
        *archiveIndex = index;
        return 0;
    }
    return -1;
}

ZvFileHandle ZVArchiveFileOpen(const char* path, int useThread) {
    if (g_archives.fileCount >= ZVA_MAX_FILES) {
        ErrorLogAdd("同時に開けるファイルの数が限界を超えました\n");
        return 0;
    }
    int slot = 0;
    while (g_archives.files[slot] != nullptr) ++slot;
    ZVArchiveFile* file = static_cast<ZVArchiveFile*>(ZVCALLOC(sizeof(ZVArchiveFile)));
    if (file == nullptr) {
        ErrorLogAdd("ファイルの情報を格納するメモリの確保に失敗しました\n");
        return 0;
    }
    char inner[ZV_PATH_MAX];
    int index;
    if (ZVArchivePathResolve(path, &index, inner) != 0) {
        file->inArchive = 0;
        file->plain = PlainFileOpen(path, useThread);
        if (file->plain == 0) {
            ZvFree(file);
            return 0;
        }
    } else {
        // Under an archive the archive decides: no plain file is tried.
        file->inArchive = 1;
        file->archiveIndex = index;
        if (ZVArchiveOpenFile(&file->inFile, &g_archives.archives[index]->archive, inner) != 0) {
            ReleaseArchive(index);
            ZvFree(file);
            return 0;
        }
    }
    g_archives.files[slot] = file;
    ++g_archives.fileCount;
    return ZVA_FILEHANDLE_FLAG | slot;
}

int ZVAFileClose(ZvFileHandle handle) {
    ZVArchiveFile* file = FileOf(handle);
    if (file == nullptr) return -1;
    if (file->inArchive) {
        ReleaseArchive(file->archiveIndex);
        ZVArchiveFileClose(&file->inFile);
    } else {
        PlainFileClose(file->plain);
    }
    ZvFree(file);
    g_archives.files[handle & 0x0FFFFFFF] = nullptr;
    --g_archives.fileCount;
    return 0;
}

int32_t ZVAFileTell(ZvFileHandle handle) {
    ZVArchiveFile* file = FileOf(handle);
    if (file == nullptr) return -1;
    return file->inArchive ? ZVArchiveFileTell(&file->inFile) : PlainFileTell(file->plain);
}

int ZVAFileSeek(ZvFileHandle handle, int32_t offset, int origin) {
    ZVArchiveFile* file = FileOf(handle);
    if (file == nullptr) return -1;
    return file->inArchive ? ZVArchiveFileSeek(&file->inFile, offset, origin)
                           : PlainFileSeek(file->plain, offset, origin);
}

size_t ZVAFileRead(void* buffer, size_t size, size_t count, ZvFileHandle handle) {
    ZVArchiveFile* file = FileOf(handle);
    if (file == nullptr || buffer == nullptr) return 0;
    if (!file->inArchive) return PlainFileRead(buffer, size, count, file->plain);
    size_t bytes;
    if (__builtin_mul_overflow(size, count, &bytes)) bytes = SIZE_MAX;   // more than any file holds
    return ZVArchiveFileRead(&file->inFile, buffer, bytes);
}

int ZVAFileEof(ZvFileHandle handle) {
    ZVArchiveFile* file = FileOf(handle);
    if (file == nullptr) return -1;
    return file->inArchive ? ZVArchiveFileEof(&file->inFile) : PlainFileEof(file->plain);
}

int ZVAFileChDir(const char* path) { return PlainFileChDir(path); }

int ZVAFileGetDir(char* buffer) { return PlainFileGetDir(buffer); }

intptr_t ZVAFindFirst(const char* pattern, FileFindData* out) {
    ArchiveFindRecord* record = static_cast<ArchiveFindRecord*>(ZVCALLOC(sizeof(ArchiveFindRecord)));
    if (record == nullptr) return -1;
    char inner[ZV_PATH_MAX];
    int index;
    if (ZVArchivePathResolve(pattern, &index, inner) == 0) {
        record->inArchive = 1;
        record->archiveIndex = index;
        ZVArchiveSearch* search = ZVArchiveFindFirst(&g_archives.archives[index]->archive, inner, out);
        if (search == nullptr) {
            ReleaseArchive(index);
            ZvFree(record);
            return -1;
        }
        record->search = reinterpret_cast<intptr_t>(search);
    } else {
        record->inArchive = 0;
        record->search = PlainFindFirst(pattern, out);
        if (record->search == -1) {
            ZvFree(record);
            return -1;
        }
    }
    return reinterpret_cast<intptr_t>(record);
}

int ZVAFindNext(intptr_t find, FileFindData* out) {
    ArchiveFindRecord* record = reinterpret_cast<ArchiveFindRecord*>(find);
    if (record == nullptr || find == -1) return -1;
    return record->inArchive ? ZVArchiveFindNext(reinterpret_cast<ZVArchiveSearch*>(record->search), out)
                             : PlainFindNext(record->search, out);
}

int ZVAFindClose(intptr_t find) {
    ArchiveFindRecord* record = reinterpret_cast<ArchiveFindRecord*>(find);
    if (record == nullptr || find == -1) return -1;
    if (record->inArchive) {
        ZVArchiveFindClose(reinterpret_cast<ZVArchiveSearch*>(record->search));
        ReleaseArchive(record->archiveIndex);
    } else {
        PlainFindClose(record->search);
    }
    ZvFree(record);
    return 0;
}
