// The library's archive format ("ZV") and its reader: key derivation and
// scrambling, the LZ decoder, opening an archive, walking its directories,
// and reading, seeking and listing the files inside it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/file/file_access.h"

// ---- the format -------------------------------------------------------------
// Every byte of an archive file is XORed with key[offset % 12]; integers are
// little-endian. Header (24 bytes): magic "ZV", version (0..3), table block
// size, data offset, table block offset, file table offset and directory
// table offset (both relative to the block, which starts with the names).
constexpr int ZVA_KEY_SIZE = 12;
constexpr uint32_t ZVA_HEADER_SIZE = 24;
constexpr uint16_t ZVA_MAGIC = 0x565A;            // "ZV" read little-endian
constexpr uint16_t ZVA_MAX_VERSION = 3;
constexpr uint16_t ZVA_COMPRESSION_VERSION = 2;   // first version with stored sizes
constexpr uint32_t ZVA_FILE_HEADER_SIZE_V0 = 40;
constexpr uint32_t ZVA_FILE_HEADER_SIZE_V2 = 44;
constexpr uint32_t ZVA_DIR_RECORD_SIZE = 16;
constexpr uint32_t ZVA_NONE = 0xFFFFFFFF;         // no parent / stored uncompressed
constexpr uint32_t ZVA_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t ZVA_LZ_HEADER_SIZE = 9;        // sizes and escape byte
constexpr uint32_t ZVA_LZ_MIN_MATCH = 4;
constexpr uint32_t ZVA_LZ_MAX_MATCH = 4 + 8191;
constexpr uint32_t ZVA_LZ_MAX_DISTANCE = 1 << 24;
// Longest output one input byte of a token stream can stand for (a 3-byte
// token yields at most ZVA_LZ_MAX_MATCH bytes); bounds what an entry may claim.
constexpr uint32_t ZVA_LZ_MAX_EXPANSION = (ZVA_LZ_MAX_MATCH + 2) / 3;
constexpr size_t ZVA_NAME_MAX = 1024;             // search name bytes of one component

// File header fields (offsets inside a file table entry).
enum ZVArchiveFileHeaderField : uint32_t {
    ZVA_FH_NAME = 0, ZVA_FH_ATTRIBUTES = 4, ZVA_FH_CREATION_TIME = 8, ZVA_FH_ACCESS_TIME = 16,
    ZVA_FH_WRITE_TIME = 24, ZVA_FH_DATA = 32, ZVA_FH_SIZE = 36, ZVA_FH_STORED_SIZE = 40,
};
// Directory record fields.
enum ZVArchiveDirField : uint32_t {
    ZVA_DIR_SELF = 0, ZVA_DIR_PARENT = 4, ZVA_DIR_COUNT = 8, ZVA_DIR_FIRST = 12,
};

struct ZVArchiveHeader {
    uint16_t magic;
    uint16_t version;
    uint32_t tableSize;
    uint32_t dataOffset;
    uint32_t tableOffset;
    uint32_t fileTableOffset;
    uint32_t dirTableOffset;
};

// An opened archive. Directory records and file headers are named by their
// offsets in their tables; every offset reachable from the root has been
// checked against the block and the file when the archive was opened.
struct ZVArchive {
    ZVArchiveHeader header;
    ZvFileHandle file;          // plain file, direct mode; 0 when closed
    uint32_t fileSize;
    unsigned char* block;       // descrambled table block (owned)
    const unsigned char* nameTable;
    const unsigned char* fileTable;
    const unsigned char* dirTable;
    uint32_t fileHeaderSize;
    uint32_t currentDir;        // offset of the current directory record
    unsigned char key[ZVA_KEY_SIZE];
};

// A file opened inside an archive.
struct ZVArchiveInFile {
    ZVArchive* archive;
    uint32_t entry;             // offset of its file header
    uint32_t size;
    uint32_t dataStart;         // absolute file offset of stored data
    unsigned char* data;        // decompressed data (owned), or null
    int eof;
    uint32_t position;
};

// A search over one directory of an archive.
struct ZVArchiveSearch {
    ZVArchive* archive;
    char pattern[ZV_PATH_MAX];  // upper-cased
    uint32_t directory;
    uint32_t next;              // index of the next entry to test ("." is 0)
};

// One path component in the form of a name entry.
struct ZVArchiveName {
    unsigned char name[ZVA_NAME_MAX];   // upper-cased, zero-padded to 4 * units
    uint16_t parity;
    uint16_t units;
};

// ---- key and scrambling -------------------------------------------------------
// A null or empty key string gives the default key.
void ZVArchiveKeyCreate(const char* keyString, unsigned char key[ZVA_KEY_SIZE]);
// The key tried when the derived one does not reveal the magic.
void ZVArchiveSecondKey(unsigned char key[ZVA_KEY_SIZE]);
// XORs byte i with key[(position + i) % 12]; scrambles and descrambles.
void ZVArchiveKeyConv(void* data, size_t size, uint64_t position, const unsigned char key[ZVA_KEY_SIZE]);

// ---- LZ -----------------------------------------------------------------------
// Decodes a compressed block of srcSize bytes (9-byte header, then tokens)
// into dest of destSize bytes. Returns the uncompressed size, or -1 when the
// block is malformed or does not decode to exactly its stated size.
int64_t ZVArchiveDecode(const void* src, size_t srcSize, void* dest, size_t destSize);

// ---- the reader -------------------------------------------------------------
// Names: converts the component at path (up to a separator or the end);
// returns the bytes taken, or -1 when it is too long.
int ZVArchiveConvertName(const char* path, ZVArchiveName* out);

// Opens the archive at path; -1 when it is missing or refused (wrong key,
// damaged), *refused (may be null) telling the two apart.
int ZVArchiveOpen(ZVArchive* archive, const char* path, const char* keyString, bool* refused = nullptr);
int ZVArchiveClose(ZVArchive* archive);
int ZVArchiveChangeDir(ZVArchive* archive, const char* path, int restore, ZVArchiveName* nameOut);
int ZVArchiveOpenFile(ZVArchiveInFile* file, ZVArchive* archive, const char* path);
size_t ZVArchiveFileRead(ZVArchiveInFile* file, void* buffer, size_t size);   // bytes
int ZVArchiveFileSeek(ZVArchiveInFile* file, int32_t offset, int origin);
int32_t ZVArchiveFileTell(ZVArchiveInFile* file);
int ZVArchiveFileEof(ZVArchiveInFile* file);      // -1 at the end, else 0
int ZVArchiveFileClose(ZVArchiveInFile* file);
// Searches return null / -1 when nothing (more) matches.
ZVArchiveSearch* ZVArchiveFindFirst(ZVArchive* archive, const char* pattern, FileFindData* out);
int ZVArchiveFindNext(ZVArchiveSearch* search, FileFindData* out);
int ZVArchiveFindClose(ZVArchiveSearch* search);
