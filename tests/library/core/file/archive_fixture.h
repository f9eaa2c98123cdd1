// Small archives built in memory for the file tests: a tree of folders and
// files laid out in the archive format, then scrambled; and helpers that
// write files and run the packer.
#pragma once
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/file/archive_reader.h"
#include "core/file/file_names.h"
#include "lz_encode.h"

namespace zvfix {

struct TreeFile {
    std::string name;   // Shift-JIS
    std::string data;
};

struct TreeDir {
    std::string name;
    std::vector<TreeFile> files;
    std::vector<TreeDir> dirs;
};

// An archive before scrambling, with the places of its tables.
struct BuiltArchive {
    std::vector<unsigned char> bytes;
    uint32_t tableOffset = 0;
    uint32_t fileTableOffset = 0;   // relative to the table block
    uint32_t dirTableOffset = 0;
    uint32_t headerSize = 0;        // of one file header
};

class Builder {
public:
    Builder(uint16_t version, bool compress) : version_(version), compress_(compress) {
        headerSize_ = version >= ZVA_COMPRESSION_VERSION ? ZVA_FILE_HEADER_SIZE_V2 : ZVA_FILE_HEADER_SIZE_V0;
    }

    BuiltArchive Build(const TreeDir& root) {
        AddDir(root, ZVA_NONE);
        BuiltArchive out;
        out.headerSize = headerSize_;
        out.bytes.assign(ZVA_HEADER_SIZE, 0);
        out.bytes.insert(out.bytes.end(), data_.begin(), data_.end());
        out.tableOffset = static_cast<uint32_t>(out.bytes.size());
        out.fileTableOffset = static_cast<uint32_t>(names_.size());
        out.dirTableOffset = static_cast<uint32_t>(names_.size() + files_.size());
        out.bytes.insert(out.bytes.end(), names_.begin(), names_.end());
        out.bytes.insert(out.bytes.end(), files_.begin(), files_.end());
        out.bytes.insert(out.bytes.end(), dirs_.begin(), dirs_.end());
        out.bytes[0] = 'Z';
        out.bytes[1] = 'V';
        Put16(out.bytes, 2, version_);
        Put32(out.bytes, 4, static_cast<uint32_t>(names_.size() + files_.size() + dirs_.size()));
        Put32(out.bytes, 8, ZVA_HEADER_SIZE);
        Put32(out.bytes, 12, out.tableOffset);
        Put32(out.bytes, 16, out.fileTableOffset);
        Put32(out.bytes, 20, out.dirTableOffset);
        return out;
    }

    static void Put16(std::vector<unsigned char>& v, size_t at, uint32_t x) {
        v[at] = static_cast<unsigned char>(x);
        v[at + 1] = static_cast<unsigned char>(x >> 8);
    }
    static void Put32(std::vector<unsigned char>& v, size_t at, uint32_t x) {
        for (int k = 0; k < 4; ++k) v[at + k] = static_cast<unsigned char>(x >> (8 * k));
    }

private:
    uint32_t AddName(const std::string& name) {
        std::string upper = name;
        UpperShiftJis(&upper[0]);
        uint32_t units = static_cast<uint32_t>((upper.size() + 4) / 4), parity = 0;
        for (unsigned char c : upper) parity += c;
        uint32_t at = static_cast<uint32_t>(names_.size());
        names_.resize(at + 4 + 4 * units, 0);
        Put16(names_, at, units);
        Put16(names_, at + 2, parity & 0xFFFF);
        std::copy(upper.begin(), upper.end(), names_.begin() + at + 4);
        names_.insert(names_.end(), name.begin(), name.end());
        names_.push_back(0);
        return at;
    }

    uint32_t AddDir(const TreeDir& dir, uint32_t parent) {
        uint32_t record = static_cast<uint32_t>(dirs_.size());
        dirs_.resize(record + ZVA_DIR_RECORD_SIZE, 0);
        size_t count = dir.files.size() + dir.dirs.size();
        uint32_t first = static_cast<uint32_t>(files_.size());
        files_.resize(first + count * headerSize_, 0);
        Put32(dirs_, record + ZVA_DIR_PARENT, parent);
        Put32(dirs_, record + ZVA_DIR_COUNT, static_cast<uint32_t>(count));
        Put32(dirs_, record + ZVA_DIR_FIRST, first);
        uint32_t h = first;
        for (const TreeFile& f : dir.files) {
            Put32(files_, h + ZVA_FH_NAME, AddName(f.name));
            Put32(files_, h + ZVA_FH_ATTRIBUTES, 0x20);
            // 2001-02-03 04:05:06 UTC as a file time.
            Put32(files_, h + ZVA_FH_WRITE_TIME, 0x7DB50500);
            Put32(files_, h + ZVA_FH_WRITE_TIME + 4, 0x01C08D96);
            Put32(files_, h + ZVA_FH_DATA, static_cast<uint32_t>(data_.size()));
            Put32(files_, h + ZVA_FH_SIZE, static_cast<uint32_t>(f.data.size()));
            std::vector<unsigned char> body(f.data.begin(), f.data.end());
            if (headerSize_ == ZVA_FILE_HEADER_SIZE_V2) {
                uint32_t stored = ZVA_NONE;
                if (compress_) {
                    body = LzEncode(reinterpret_cast<const unsigned char*>(f.data.data()), f.data.size());
                    stored = static_cast<uint32_t>(body.size());
                }
                Put32(files_, h + ZVA_FH_STORED_SIZE, stored);
            }
            data_.insert(data_.end(), body.begin(), body.end());
            h += headerSize_;
        }
        for (const TreeDir& d : dir.dirs) {
            Put32(files_, h + ZVA_FH_NAME, AddName(d.name));
            Put32(files_, h + ZVA_FH_ATTRIBUTES, ZVA_ATTRIBUTE_DIRECTORY);
            uint32_t sub = AddDir(d, record);
            Put32(files_, h + ZVA_FH_DATA, sub);
            if (headerSize_ == ZVA_FILE_HEADER_SIZE_V2) Put32(files_, h + ZVA_FH_STORED_SIZE, ZVA_NONE);
            h += headerSize_;
        }
        return record;
    }

    uint16_t version_;
    bool compress_;
    uint32_t headerSize_;
    std::vector<unsigned char> names_, files_, dirs_, data_;
};

inline std::vector<unsigned char> Scrambled(std::vector<unsigned char> bytes, const unsigned char key[ZVA_KEY_SIZE]) {
    ZVArchiveKeyConv(bytes.data(), bytes.size(), 0, key);
    return bytes;
}

inline std::vector<unsigned char> ScrambledWithKeyString(std::vector<unsigned char> bytes, const char* keyString) {
    unsigned char key[ZVA_KEY_SIZE];
    ZVArchiveKeyCreate(keyString, key);
    return Scrambled(std::move(bytes), key);
}

inline void WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}
inline void WriteFile(const std::string& path, const std::string& data) { WriteFile(path, data.data(), data.size()); }
inline void WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
    WriteFile(path, data.data(), data.size());
}

// Runs the packer; returns its exit status.
inline int RunPacker(const std::string& source, const std::string& output, const std::string& options) {
    std::string command = std::string("'") + ZVPACK_PATH + "' '" + source + "' '" + output + "' " + options +
                          " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Deterministic bytes of a given character: text-like, with repeats at
// near and far distances, and every byte value present.
inline std::string SampleData(size_t size, uint32_t seed) {
    std::string out;
    out.reserve(size);
    uint32_t x = seed * 2654435761u + 1;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    static const char* words[] = {"stage", "enemy", "bullet", "boss", "item", "\x82\xa0", "score", "\n"};
    while (out.size() < size) {
        uint32_t r = next() % 16;
        if (r < 8) out += words[r];
        else if (r < 11) out += static_cast<char>(next() & 0xFF);
        else if (r < 14 && out.size() > 70000) out += out.substr(out.size() - 70000 + next() % 1000, next() % 300);
        else if (out.size() > 10) out += out.substr(out.size() - 1 - next() % 10, 1 + next() % 40);
    }
    out.resize(size);
    return out;
}

}  // namespace zvfix
