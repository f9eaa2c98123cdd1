// Fuzz target for the archive reader: the input is an archive before
// scrambling; it is scrambled with the game's key, opened, and every folder
// listed and every file read and seeked. The input also goes to the LZ
// decoder on its own. With ZV_FUZZ_SEED_DIR set, start-up writes a few
// well-formed archives there as seeds.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive_fixture.h"
#include "core/file/archive_reader.h"

namespace {

const char kKeyString[] = "kor3vq";

void Walk(ZVArchive* archive, const std::string& folder, int depth) {
    if (depth > 6) return;   // folders may contain themselves
    FileFindData found;
    ZVArchiveSearch* search = ZVArchiveFindFirst(archive, (folder + "*").c_str(), &found);
    if (search == nullptr) return;
    int entries = 0;
    do {
        std::string name = found.Name;
        if (name == "." || name == ".." || ++entries > 64) continue;
        std::string path = folder + name;
        if (found.DirFlag) {
            Walk(archive, path + "\\", depth + 1);
            continue;
        }
        ZVArchiveInFile file;
        if (ZVArchiveOpenFile(&file, archive, path.c_str()) != 0) continue;
        char buffer[512];
        while (ZVArchiveFileRead(&file, buffer, 100) > 0) {
        }
        ZVArchiveFileSeek(&file, -7, 2);
        ZVArchiveFileRead(&file, buffer, sizeof buffer);
        ZVArchiveFileClose(&file);
    } while (ZVArchiveFindNext(search, &found) == 0);
    ZVArchiveFindClose(search);
}

std::string ArchivePath() {
    static std::string path;
    if (path.empty()) {
        char pattern[] = "/tmp/zvfuzz.XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path = pattern;
        std::atexit([] { unlink(path.c_str()); });
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* seeds = std::getenv("ZV_FUZZ_SEED_DIR");
    if (seeds == nullptr) return 0;
    zvfix::TreeDir sub{"sub", {{"deep.txt", "deep deep deep deep"}}, {}};
    zvfix::TreeDir root{"", {{"README", "readme readme readme"}, {"a.png", std::string(40, 'a')}},
                        {zvfix::TreeDir{"img", {{"\x95\x5C.dat", "hyou"}}, {sub}}}};
    const struct {
        uint16_t version;
        bool compress;
    } kinds[] = {{0, false}, {2, true}, {3, false}};
    int n = 0;
    for (const auto& k : kinds)
        zvfix::WriteFile(std::string(seeds) + "/seed" + std::to_string(n++),
                         zvfix::Builder(k.version, k.compress).Build(root).bytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    zvfix::WriteFile(ArchivePath(), zvfix::ScrambledWithKeyString(bytes, kKeyString));
    ZVArchive archive{};
    if (ZVArchiveOpen(&archive, ArchivePath().c_str(), kKeyString) == 0) {
        Walk(&archive, "", 0);
        ZVArchiveChangeDir(&archive, "img\\sub\\..\\..", 1, nullptr);
        ZVArchiveClose(&archive);
    }

    std::vector<unsigned char> out(size * 4 + 64);
    ZVArchiveDecode(data, size, out.data(), out.size());
    return 0;
}
