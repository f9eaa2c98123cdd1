// zvpack: packs a folder into one of the library's archives (version 2,
// LZ-compressed where that is smaller, names in Shift-JIS, scrambled with
// the key derived from --key).
//   zvpack SOURCE_DIR OUTPUT_FILE [--key KEY] [--store]
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/file/archive_reader.h"
#include "core/file/file_names.h"
#include "lz_encode.h"
#include "platform/text_iconv.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kAttributeFile = 0x20;
constexpr uint64_t kFileTimeEpoch = 11644473600ULL;   // seconds from 1601 to 1970

// The form lookups compare: a-z upper-cased, double-byte characters whole.
std::string SearchName(const std::string& name) {
    std::string upper = name;
    UpperShiftJis(&upper[0]);
    return upper;
}

struct Node {
    std::string name;   // Shift-JIS, as stored
    fs::path source;
    bool directory = false;
    std::vector<Node> children;
};

struct Packer {
    bool store = false;
    std::vector<unsigned char> data;    // the file data area
    std::vector<unsigned char> names;
    std::vector<unsigned char> files;
    std::vector<unsigned char> dirs;
    std::string error;

    static void Put32(std::vector<unsigned char>& v, size_t at, uint32_t value) {
        for (int k = 0; k < 4; ++k) v[at + k] = static_cast<unsigned char>(value >> (8 * k));
    }
    static void Put64(std::vector<unsigned char>& v, size_t at, uint64_t value) {
        Put32(v, at, static_cast<uint32_t>(value));
        Put32(v, at + 4, static_cast<uint32_t>(value >> 32));
    }

    // Name entry: units, parity, upper-cased search name padded with zeros,
    // then the name as stored; entries start on 4-byte boundaries.
    uint32_t AddName(const std::string& name) {
        const std::string upper = SearchName(name);
        uint32_t units = static_cast<uint32_t>((upper.size() + 4) / 4);
        uint32_t parity = 0;
        for (unsigned char c : upper) parity += c;
        uint32_t at = static_cast<uint32_t>(names.size());
        names.resize(at + 4 + 4 * units, 0);
        names[at] = static_cast<unsigned char>(units);
        names[at + 1] = static_cast<unsigned char>(units >> 8);
        names[at + 2] = static_cast<unsigned char>(parity);
        names[at + 3] = static_cast<unsigned char>(parity >> 8);
        std::memcpy(&names[at + 4], upper.data(), upper.size());
        names.insert(names.end(), name.begin(), name.end());
        names.push_back(0);
        while (names.size() % 4 != 0) names.push_back(0);
        return at;
    }

    static uint64_t FileTime(const struct timespec& t) {
        return (static_cast<uint64_t>(t.tv_sec) + kFileTimeEpoch) * 10000000ULL +
               static_cast<uint64_t>(t.tv_nsec) / 100;
    }

    bool AddFileData(const Node& node, uint32_t header) {
        std::ifstream in(node.source, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            error = "cannot read " + node.source.string();
            return false;
        }
        if (bytes.size() > 0x7FFFFFFF) {
            error = "file too large: " + node.source.string();
            return false;
        }
        uint32_t stored = ZVA_NONE;
        std::vector<unsigned char> packed;
        if (!store) {
            packed = LzEncode(bytes.data(), bytes.size());
            if (packed.size() < bytes.size()) stored = static_cast<uint32_t>(packed.size());
        }
        const std::vector<unsigned char>& body = stored != ZVA_NONE ? packed : bytes;
        Put32(files, header + ZVA_FH_DATA, static_cast<uint32_t>(data.size()));
        Put32(files, header + ZVA_FH_SIZE, static_cast<uint32_t>(bytes.size()));
        Put32(files, header + ZVA_FH_STORED_SIZE, stored);
        data.insert(data.end(), body.begin(), body.end());
        return true;
    }

    // Writes the directory record of node and the headers of its entries,
    // which follow one another in the file table. Returns the record offset.
    bool AddDirectory(const Node& node, uint32_t parent, uint32_t self, uint32_t* recordOut) {
        uint32_t record = static_cast<uint32_t>(dirs.size());
        dirs.resize(record + ZVA_DIR_RECORD_SIZE, 0);
        uint32_t first = static_cast<uint32_t>(files.size());
        files.resize(first + node.children.size() * ZVA_FILE_HEADER_SIZE_V2, 0);
        Put32(dirs, record + ZVA_DIR_SELF, self);
        Put32(dirs, record + ZVA_DIR_PARENT, parent);
        Put32(dirs, record + ZVA_DIR_COUNT, static_cast<uint32_t>(node.children.size()));
        Put32(dirs, record + ZVA_DIR_FIRST, first);
        for (size_t i = 0; i < node.children.size(); ++i) {
            const Node& child = node.children[i];
            uint32_t header = first + static_cast<uint32_t>(i * ZVA_FILE_HEADER_SIZE_V2);
            struct stat info;
            if (stat(child.source.c_str(), &info) != 0) {
                error = "cannot stat " + child.source.string();
                return false;
            }
            Put32(files, header + ZVA_FH_NAME, AddName(child.name));
            Put32(files, header + ZVA_FH_ATTRIBUTES, child.directory ? ZVA_ATTRIBUTE_DIRECTORY : kAttributeFile);
            // Linux keeps no creation time that every file system has.
            Put64(files, header + ZVA_FH_CREATION_TIME, FileTime(info.st_mtim));
            Put64(files, header + ZVA_FH_ACCESS_TIME, FileTime(info.st_atim));
            Put64(files, header + ZVA_FH_WRITE_TIME, FileTime(info.st_mtim));
            if (child.directory) {
                uint32_t childRecord;
                if (!AddDirectory(child, record, header, &childRecord)) return false;
                Put32(files, header + ZVA_FH_DATA, childRecord);
                Put32(files, header + ZVA_FH_SIZE, 0);
                Put32(files, header + ZVA_FH_STORED_SIZE, ZVA_NONE);
            } else if (!AddFileData(child, header)) {
                return false;
            }
        }
        *recordOut = record;
        return true;
    }
};

bool Scan(const fs::path& folder, Node* node, std::string* error) {
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
    if (ec) {
        *error = "cannot list " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end());
    std::set<std::string> searchNames;
    for (const fs::path& entry : entries) {
        Node child;
        child.source = entry;
        if (Utf8ToShiftJis(entry.filename().c_str(), child.name) != 0) {
            *error = "name has no Shift-JIS form: " + entry.string();
            return false;
        }
        // Lookups ignore case: two names that differ only in case collide.
        if (!searchNames.insert(SearchName(child.name)).second) {
            *error = "names differ only in case: " + entry.string();
            return false;
        }
        if (fs::is_directory(entry, ec)) {
            child.directory = true;
            if (!Scan(entry, &child, error)) return false;
        } else if (!fs::is_regular_file(entry, ec)) {
            *error = "not a file or folder: " + entry.string();
            return false;
        }
        node->children.push_back(std::move(child));
    }
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: zvpack SOURCE_DIR OUTPUT_FILE [--key KEY] [--store]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    const char* key = nullptr;
    bool store = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--key" && i + 1 < argc) key = argv[++i];
        else if (arg == "--store") store = true;
        else if (arg.rfind("--", 0) == 0) return Usage();
        else positional.push_back(arg);
    }
    if (positional.size() != 2) return Usage();
    const fs::path source = positional[0];
    const fs::path output = positional[1];
    if (!fs::is_directory(source)) {
        std::fprintf(stderr, "zvpack: %s is not a folder\n", source.c_str());
        return 1;
    }

    Node root;
    root.directory = true;
    root.source = source;
    std::string error;
    Packer packer;
    packer.store = store;
    uint32_t rootRecord;
    if (!Scan(source, &root, &error) || !packer.AddDirectory(root, ZVA_NONE, ZVA_NONE, &rootRecord)) {
        std::fprintf(stderr, "zvpack: %s\n", (error.empty() ? packer.error : error).c_str());
        return 1;
    }

    // Layout: header, file data, then the table block (names, files, dirs).
    std::vector<unsigned char> archive(ZVA_HEADER_SIZE, 0);
    archive.insert(archive.end(), packer.data.begin(), packer.data.end());
    uint64_t tableOffset = archive.size();
    uint64_t tableSize = packer.names.size() + packer.files.size() + packer.dirs.size();
    if (tableOffset + tableSize > 0x7FFFFFFF) {
        std::fprintf(stderr, "zvpack: the archive would exceed 2 GB\n");
        return 1;
    }
    archive.insert(archive.end(), packer.names.begin(), packer.names.end());
    archive.insert(archive.end(), packer.files.begin(), packer.files.end());
    archive.insert(archive.end(), packer.dirs.begin(), packer.dirs.end());
    archive[0] = 'Z';
    archive[1] = 'V';
    archive[2] = static_cast<unsigned char>(ZVA_COMPRESSION_VERSION);
    archive[3] = 0;
    Packer::Put32(archive, 4, static_cast<uint32_t>(tableSize));
    Packer::Put32(archive, 8, ZVA_HEADER_SIZE);
    Packer::Put32(archive, 12, static_cast<uint32_t>(tableOffset));
    Packer::Put32(archive, 16, static_cast<uint32_t>(packer.names.size()));
    Packer::Put32(archive, 20, static_cast<uint32_t>(packer.names.size() + packer.files.size()));

    unsigned char keyBytes[ZVA_KEY_SIZE];
    ZVArchiveKeyCreate(key, keyBytes);
    ZVArchiveKeyConv(archive.data(), archive.size(), 0, keyBytes);

    // Written beside the target and renamed, so a failed run leaves no
    // half archive behind.
    fs::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
        if (!out.good()) {
            std::fprintf(stderr, "zvpack: cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        std::fprintf(stderr, "zvpack: cannot write %s: %s\n", output.c_str(), ec.message().c_str());
        fs::remove(temporary, ec);
        return 1;
    }
    return 0;
}
