// The archive reader: opening and checking an archive, walking its
// directories, looking names up, and reading, seeking and listing its files.
#include <cstring>
#include <vector>

#include "core/alloc.h"
#include "core/file/archive_reader.h"
#include "core/file/file_names.h"
#include "core/file/file_plain.h"
#include "core/routines.h"

namespace {

uint16_t Load16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Load32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Load64(const unsigned char* p) { return Load32(p) | (static_cast<uint64_t>(Load32(p + 4)) << 32); }

uint32_t FileField(const ZVArchive* a, uint32_t entry, uint32_t field) {
    return Load32(a->fileTable + entry + field);
}
uint32_t DirField(const ZVArchive* a, uint32_t dir, uint32_t field) { return Load32(a->dirTable + dir + field); }
bool IsDirectoryEntry(const ZVArchive* a, uint32_t entry) {
    return (FileField(a, entry, ZVA_FH_ATTRIBUTES) & ZVA_ATTRIBUTE_DIRECTORY) != 0;
}
uint32_t StoredSize(const ZVArchive* a, uint32_t entry) {
    return a->header.version >= ZVA_COMPRESSION_VERSION ? FileField(a, entry, ZVA_FH_STORED_SIZE) : ZVA_NONE;
}
const unsigned char* NameEntry(const ZVArchive* a, uint32_t entry) {
    return a->nameTable + FileField(a, entry, ZVA_FH_NAME);
}
const char* SearchName(const unsigned char* nameEntry) { return reinterpret_cast<const char*>(nameEntry + 4); }
const char* StoredName(const unsigned char* nameEntry) {
    return reinterpret_cast<const char*>(nameEntry + 4 + 4 * Load16(nameEntry));
}

bool IsSeparatorAt(const char* p) { return *p != 0 && IsPathSeparator(*p); }

// Reads bytes at an absolute archive offset and descrambles them; returns
// the bytes read.
size_t ReadScrambled(ZVArchive* a, uint32_t offset, void* buffer, size_t size) {
    if (size == 0) return 0;
    if (static_cast<uint32_t>(PlainFileTell(a->file)) != offset && PlainFileSeek(a->file, static_cast<int32_t>(offset), 0) != 0)
        return 0;
    size_t got = PlainFileRead(buffer, 1, size, a->file);
    ZVArchiveKeyConv(buffer, got, offset, a->key);
    return got;
}

bool ReadHeader(ZVArchive* a, ZVArchiveHeader* h) {
    unsigned char raw[ZVA_HEADER_SIZE];
    if (ReadScrambled(a, 0, raw, sizeof(raw)) != sizeof(raw)) return false;
    h->magic = Load16(raw);
    h->version = Load16(raw + 2);
    h->tableSize = Load32(raw + 4);
    h->dataOffset = Load32(raw + 8);
    h->tableOffset = Load32(raw + 12);
    h->fileTableOffset = Load32(raw + 16);
    h->dirTableOffset = Load32(raw + 20);
    return true;
}

// Checks every structure reachable from the root against the block and the
// file, so that the reader can follow offsets without further tests.
class TableCheck {
public:
    explicit TableCheck(const ZVArchive* a)
        : a_(a), block_(a->header.tableSize), files_(block_ - a->header.fileTableOffset),
          dirs_(block_ - a->header.dirTableOffset) {}

    bool Run() {
        if (!DirOk(0)) return false;
        std::vector<uint32_t> pending{0};
        std::vector<bool> seen(static_cast<size_t>(dirs_), false);   // by record offset
        seen[0] = true;
        while (!pending.empty()) {
            uint32_t dir = pending.back();
            pending.pop_back();
            // A parent is reached by "..": it is checked like any folder.
            uint32_t parent = DirField(a_, dir, ZVA_DIR_PARENT);
            if (parent != ZVA_NONE) {
                if (!DirOk(parent)) return false;
                if (!seen[parent]) {
                    seen[parent] = true;
                    pending.push_back(parent);
                }
            }
            uint64_t count = DirField(a_, dir, ZVA_DIR_COUNT);
            uint64_t first = DirField(a_, dir, ZVA_DIR_FIRST);
            if (count > 0 && first + count * a_->fileHeaderSize > files_) return false;
            for (uint64_t i = 0; i < count; ++i) {
                uint32_t entry = static_cast<uint32_t>(first + i * a_->fileHeaderSize);
                if (!NameOk(FileField(a_, entry, ZVA_FH_NAME))) return false;
                if (IsDirectoryEntry(a_, entry)) {
                    uint32_t sub = FileField(a_, entry, ZVA_FH_DATA);
                    if (!DirOk(sub)) return false;
                    if (!seen[sub]) {
                        seen[sub] = true;
                        pending.push_back(sub);
                    }
                } else if (!DataOk(entry)) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    bool DirOk(uint32_t dir) const {
        return dirs_ >= ZVA_DIR_RECORD_SIZE && dir <= dirs_ - ZVA_DIR_RECORD_SIZE;
    }
    bool NameOk(uint32_t offset) const {
        if (offset > block_ || block_ - offset < 4) return false;
        const unsigned char* entry = a_->nameTable + offset;
        uint64_t searchBytes = 4ull * Load16(entry);
        if (searchBytes == 0 || searchBytes > ZVA_NAME_MAX || 4 + searchBytes > block_ - offset) return false;
        if (entry[4 + searchBytes - 1] != 0) return false;   // search names end in zero
        // The stored name must end inside the block and fit a find record.
        const unsigned char* stored = entry + 4 + searchBytes;
        size_t room = block_ - offset - 4 - static_cast<size_t>(searchBytes);
        if (room > ZV_PATH_MAX) room = ZV_PATH_MAX;
        return std::memchr(stored, 0, room) != nullptr;
    }
    bool DataOk(uint32_t entry) const {
        uint64_t start = static_cast<uint64_t>(a_->header.dataOffset) + FileField(a_, entry, ZVA_FH_DATA);
        uint64_t size = FileField(a_, entry, ZVA_FH_SIZE);
        uint32_t stored = StoredSize(a_, entry);
        if (stored == ZVA_NONE) return start + size <= a_->fileSize;
        if (stored < ZVA_LZ_HEADER_SIZE || start + stored > a_->fileSize) return false;
        return size <= static_cast<uint64_t>(stored - ZVA_LZ_HEADER_SIZE) * ZVA_LZ_MAX_EXPANSION;
    }

    const ZVArchive* a_;
    uint64_t block_;
    uint64_t files_;
    uint64_t dirs_;
};

// The entry of directory dir whose name matches, as a directory or a file;
// ZVA_NONE when there is none.
uint32_t FindEntry(const ZVArchive* a, uint32_t dir, const ZVArchiveName& name, bool wantDirectory) {
    uint32_t count = DirField(a, dir, ZVA_DIR_COUNT);
    uint32_t entry = DirField(a, dir, ZVA_DIR_FIRST);
    for (uint32_t i = 0; i < count; ++i, entry += a->fileHeaderSize) {
        if (IsDirectoryEntry(a, entry) != wantDirectory) continue;
        const unsigned char* n = NameEntry(a, entry);
        if (Load16(n) == name.units && Load16(n + 2) == name.parity &&
            std::memcmp(n + 4, name.name, 4u * name.units) == 0)
            return entry;
    }
    return ZVA_NONE;
}

// Moves dir one step along component (at p, up to a separator or the end).
// Returns the bytes taken, or -1 when the step is impossible.
int StepInto(const ZVArchive* a, uint32_t* dir, const char* p, ZVArchiveName* name) {
    int taken = ZVArchiveConvertName(p, name);
    if (taken < 0) return -1;
    if (taken == 1 && p[0] == '.') return taken;
    if (taken == 2 && p[0] == '.' && p[1] == '.') {
        uint32_t parent = DirField(a, *dir, ZVA_DIR_PARENT);
        if (parent == ZVA_NONE) return -1;
        *dir = parent;
        return taken;
    }
    uint32_t entry = FindEntry(a, *dir, *name, true);
    if (entry == ZVA_NONE) return -1;
    *dir = FileField(a, entry, ZVA_FH_DATA);
    return taken;
}

void FillFindData(const ZVArchive* a, uint32_t entry, FileFindData* out) {
    std::memset(out, 0, sizeof(*out));
    std::strcpy(out->Name, StoredName(NameEntry(a, entry)));   // length checked at open
    out->DirFlag = IsDirectoryEntry(a, entry) ? 1 : 0;
    out->Size = FileField(a, entry, ZVA_FH_SIZE);
    FileTimeToDateTimeData(Load64(a->fileTable + entry + ZVA_FH_CREATION_TIME), &out->CreationTime);
    FileTimeToDateTimeData(Load64(a->fileTable + entry + ZVA_FH_WRITE_TIME), &out->LastWriteTime);
}

}  // namespace

int ZVArchiveConvertName(const char* path, ZVArchiveName* out) {
    size_t length = 0;
    unsigned int parity = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(path);
    while (*p != 0 && !IsPathSeparator(static_cast<char>(*p))) {
        // Room for the byte (or pair) and at least one zero behind it.
        bool pair = IsShiftJisLead(*p) && p[1] != 0;
        size_t take = pair ? 2 : 1;
        if (length + take >= ZVA_NAME_MAX) return -1;
        for (size_t i = 0; i < take; ++i) {
            unsigned char c = p[i];
            if (!pair && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
            out->name[length++] = c;
            parity += c;
        }
        p += take;
    }
    size_t units = (length + 4) / 4;
    std::memset(out->name + length, 0, units * 4 - length);
    out->units = static_cast<uint16_t>(units);
    out->parity = static_cast<uint16_t>(parity);
    return static_cast<int>(length);
}

int ZVArchiveOpen(ZVArchive* a, const char* path, const char* keyString, bool* refused) {
    if (refused) *refused = false;
    if (a->file != 0) return -1;
    ZvFileHandle file = PlainFileOpen(path, 0);
    if (file == 0) return -1;
    ZVArchive opened{};
    opened.file = file;
    opened.fileSize = reinterpret_cast<FileAccessData*>(file)->size;

    ZVArchiveHeader& h = opened.header;
    ZVArchiveKeyCreate(keyString, opened.key);
    bool ok = ReadHeader(&opened, &h);
    if (ok && h.magic != ZVA_MAGIC) {
        ZVArchiveSecondKey(opened.key);
        ok = ReadHeader(&opened, &h);
    }
    ok = ok && h.magic == ZVA_MAGIC && h.version <= ZVA_MAX_VERSION;
    ok = ok && static_cast<uint64_t>(h.tableOffset) + h.tableSize <= opened.fileSize &&
         h.dataOffset <= opened.fileSize && h.fileTableOffset <= h.tableSize &&
         h.dirTableOffset <= h.tableSize && h.tableSize > 0;
    if (ok) {
        opened.block = static_cast<unsigned char*>(ZVALLOC(h.tableSize));
        ok = opened.block != nullptr &&
             ReadScrambled(&opened, h.tableOffset, opened.block, h.tableSize) == h.tableSize;
    }
    if (ok) {
        opened.fileHeaderSize =
            h.version >= ZVA_COMPRESSION_VERSION ? ZVA_FILE_HEADER_SIZE_V2 : ZVA_FILE_HEADER_SIZE_V0;
        opened.nameTable = opened.block;
        opened.fileTable = opened.block + h.fileTableOffset;
        opened.dirTable = opened.block + h.dirTableOffset;
        opened.currentDir = 0;
        ok = TableCheck(&opened).Run();
    }
    if (!ok) {
        PlainFileClose(file);
        if (opened.block != nullptr) ZvFree(opened.block);
        if (refused) *refused = true;
        return -1;
    }
    *a = opened;
    return 0;
}

int ZVArchiveClose(ZVArchive* a) {
    if (a->file != 0) PlainFileClose(a->file);
    if (a->block != nullptr) ZvFree(a->block);
    std::memset(a, 0, sizeof(*a));
    return 0;
}

int ZVArchiveChangeDir(ZVArchive* a, const char* path, int restore, ZVArchiveName* nameOut) {
    if (a->file == 0 || path == nullptr) return -1;
    ZVArchiveName scratch;
    ZVArchiveName* name = nameOut != nullptr ? nameOut : &scratch;
    const uint32_t saved = a->currentDir;
    uint32_t dir = a->currentDir;
    const char* p = path;
    if (IsSeparatorAt(p)) {
        dir = 0;   // a leading separator starts at the root
        ++p;
    }
    while (*p != 0) {
        int taken = StepInto(a, &dir, p, name);
        if (taken < 0) {
            if (!restore) a->currentDir = dir;   // the walk stays where it stopped
            else a->currentDir = saved;
            return -1;
        }
        p += taken;
        while (IsSeparatorAt(p)) ++p;
    }
    a->currentDir = dir;
    return 0;
}

int ZVArchiveOpenFile(ZVArchiveInFile* f, ZVArchive* a, const char* path) {
    if (a->file == 0 || path == nullptr) return -1;
    const uint32_t saved = a->currentDir;
    const char* separator = FindLastSeparator(path);
    const char* fileName = separator != nullptr ? separator + 1 : path;
    if (*fileName == 0) return -1;   // names a directory
    uint32_t dir = a->currentDir;
    if (separator != nullptr) {
        std::vector<char> directory(path, separator == path ? separator + 1 : separator);
        directory.push_back(0);
        if (ZVArchiveChangeDir(a, directory.data(), 1, nullptr) != 0) return -1;
        dir = a->currentDir;
        a->currentDir = saved;
    }
    ZVArchiveName name;
    if (ZVArchiveConvertName(fileName, &name) < 0) return -1;
    uint32_t entry = FindEntry(a, dir, name, false);
    if (entry == ZVA_NONE) return -1;

    ZVArchiveInFile opened{};
    opened.archive = a;
    opened.entry = entry;
    opened.size = FileField(a, entry, ZVA_FH_SIZE);
    opened.dataStart = a->header.dataOffset + FileField(a, entry, ZVA_FH_DATA);
    uint32_t stored = StoredSize(a, entry);
    if (stored != ZVA_NONE) {
        unsigned char* packed = static_cast<unsigned char*>(ZVALLOC(stored));
        opened.data = static_cast<unsigned char*>(ZVALLOC(opened.size > 0 ? opened.size : 1));
        bool ok = packed != nullptr && opened.data != nullptr &&
                  ReadScrambled(a, opened.dataStart, packed, stored) == stored &&
                  ZVArchiveDecode(packed, stored, opened.data, opened.size) == static_cast<int64_t>(opened.size);
        if (packed != nullptr) ZvFree(packed);
        if (!ok) {
            if (opened.data != nullptr) ZvFree(opened.data);
            return -1;
        }
    }
    *f = opened;
    return 0;
}

size_t ZVArchiveFileRead(ZVArchiveInFile* f, void* buffer, size_t size) {
    if (f->eof) return 0;
    if (f->position >= f->size) {
        f->eof = 1;
        return 0;
    }
    size_t n = f->size - f->position;
    if (size < n) n = size;
    if (n == 0) return 0;
    if (f->data != nullptr) {
        std::memcpy(buffer, f->data + f->position, n);
    } else {
        n = ReadScrambled(f->archive, f->dataStart + f->position, buffer, n);
    }
    f->eof = 0;
    f->position += static_cast<uint32_t>(n);
    return n;
}

int ZVArchiveFileSeek(ZVArchiveInFile* f, int32_t offset, int origin) {
    int64_t target = offset;
    if (origin == 1) target += f->position;
    else if (origin == 2) target += f->size;
    if (target < 0) target = 0;
    if (target > f->size) target = f->size;
    f->position = static_cast<uint32_t>(target);
    f->eof = 0;
    return 0;
}

int32_t ZVArchiveFileTell(ZVArchiveInFile* f) { return static_cast<int32_t>(f->position); }

int ZVArchiveFileEof(ZVArchiveInFile* f) { return f->eof ? -1 : 0; }

int ZVArchiveFileClose(ZVArchiveInFile* f) {
    if (f->data != nullptr) ZvFree(f->data);
    std::memset(f, 0, sizeof(*f));
    return 0;
}

ZVArchiveSearch* ZVArchiveFindFirst(ZVArchive* a, const char* pattern, FileFindData* out) {
    if (a->file == 0 || pattern == nullptr || std::strlen(pattern) >= ZV_PATH_MAX) return nullptr;
    const char* separator = FindLastSeparator(pattern);
    uint32_t dir = a->currentDir;
    if (separator != nullptr) {
        std::vector<char> directory(pattern, separator == pattern ? separator + 1 : separator);
        directory.push_back(0);
        const uint32_t saved = a->currentDir;
        if (ZVArchiveChangeDir(a, directory.data(), 1, nullptr) != 0) return nullptr;
        dir = a->currentDir;
        a->currentDir = saved;
    }
    ZVArchiveSearch* search = static_cast<ZVArchiveSearch*>(ZVCALLOC(sizeof(ZVArchiveSearch)));
    if (search == nullptr) return nullptr;
    search->archive = a;
    std::strcpy(search->pattern, separator != nullptr ? separator + 1 : pattern);
    UpperShiftJis(search->pattern);
    search->directory = dir;
    search->next = 0;
    if (ZVArchiveFindNext(search, out) != 0) {
        ZvFree(search);
        return nullptr;
    }
    return search;
}

int ZVArchiveFindNext(ZVArchiveSearch* search, FileFindData* out) {
    const ZVArchive* a = search->archive;
    const uint32_t dir = search->directory;
    const bool hasParent = DirField(a, dir, ZVA_DIR_PARENT) != ZVA_NONE;
    const uint32_t dots = hasParent ? 2 : 1;
    const uint64_t total = static_cast<uint64_t>(dots) + DirField(a, dir, ZVA_DIR_COUNT);
    for (uint64_t index = search->next; index < total; ++index) {
        if (index < dots) {
            const char* dotName = index == 0 ? "." : "..";
            if (WildcardMatch(search->pattern, dotName) != 0) continue;
            if (out != nullptr) {
                std::memset(out, 0, sizeof(*out));
                std::strcpy(out->Name, dotName);
                out->DirFlag = 1;
            }
        } else {
            uint32_t entry = DirField(a, dir, ZVA_DIR_FIRST) +
                             static_cast<uint32_t>(index - dots) * a->fileHeaderSize;
            if (WildcardMatch(search->pattern, SearchName(NameEntry(a, entry))) != 0) continue;
            if (out != nullptr) FillFindData(a, entry, out);
        }
        search->next = static_cast<uint32_t>(index + 1);
        return 0;
    }
    search->next = static_cast<uint32_t>(total);
    return -1;
}

int ZVArchiveFindClose(ZVArchiveSearch* search) {
    if (search != nullptr) ZvFree(search);
    return 0;
}
