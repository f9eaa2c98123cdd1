// Fuzz target for the game's own readers: the three lexers and the tag
// helpers, the message script (loaded, stepped and drawn), the stage command
// list, the position tables, setup.ini, and the score, replay and system
// files. Byte 0 picks the reader, the rest is the file's plain text, stored
// here as the game stores its data files. One game object (the library not
// started: loads fail, drawing does nothing) lives in a private folder for the
// whole run (so give the fuzzer absolute paths); a reader that ends the
// program ends only the input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "frame/encoded_file.h"
#include "frame/entry.h"
#include "frame/pad_bits.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/ini_file.h"
#include "frame/lexer.h"
#include "frame/message_script.h"
#include "scenes/command_list.h"
#include "scenes/replay_file.h"
#include "scenes/score_system.h"

namespace {
struct ProgramEnded {};

// The machine as the game sees it, quiet and still; ending the program
// throws back to the input's run.
class StillSystem : public GameSystem {
public:
    int NowMs() override { return 0; }
    void SleepMs(int) override {}
    int PadWord() override { return 0; }
    bool EscapeDown() override { return false; }
    int ProcessMessage() override { return 0; }
    void GetDate(DateTimeData* out) override { *out = {2000, 1, 1, 0, 0, 0}; }
    int ScreenFlip() override { return 0; }
    void MessageBox(const char*, const char*) override {}

protected:
    void EndProcess(int) override { throw ProgramEnded{}; }
};

void WriteFile(const char* path, const uint8_t* data, size_t size, bool scrambled) {
    EncodedFileWriter out;   // its default key leaves every byte as it is
    if (scrambled) out.SetKey(DataFileKey);
    if (!out.Open(path, "wb")) abort();
    out.WriteString(std::string(reinterpret_cast<const char*>(data), size));
    if (!out.Close()) abort();
}

template <class Lexer>
void DrainTokens(Lexer& lexer) {
    while (!lexer.IsEmpty()) {
        std::string token = lexer.GetToken(false);
        if (lexer.GetToken(true) != token) abort();
    }
    if (lexer.GetToken(true) != "err") abort();
}

const char* const kPath = "data/dat/fuzz.dat";

void Words(bool keepNewlines) {
    IOstream::CLexer lexer;
    lexer.SetKey(DataFileKey);
    if (!lexer.Load(kPath, keepNewlines)) abort();
    DrainTokens(lexer);
}

void WordsAndEnds() {
    IOstream::CLexerEndAdd lexer;
    lexer.SetKey(DataFileKey);
    if (!lexer.Load(kPath, false)) abort();
    DrainTokens(lexer);
}

void Tags() {
    IOstream::CTagLexer lexer;
    lexer.SetKey(DataFileKey);
    if (!lexer.LoadTags(kPath)) abort();
    while (!lexer.IsEmpty()) {
        std::string token = lexer.GetToken(true);
        if (IOstream::IsTag(token) != !IOstream::GetTagName(token).empty()) abort();
        for (const char* name : {"name", "id", "str", "pos", "dx", "alpha", ""})
            IOstream::GetTagAttribute(token, name);
    }
}

// Loaded, drawn, then stepped with decide and released in turn until it ends.
void Message() {
    CMessageScript& script = g_game->Messages();
    script.Load(kPath);
    script.Draw();
    for (int step = 0; step < 64; ++step) {
        g_game->SetInput(step % 2 ? 0 : kPadDecide);
        bool going = script.Advance();
        script.Draw();
        if (!going) break;
    }
}

void StageCommands() {
    CCommandList& list = g_game->Script();
    list.Load(kPath);
    for (int i = 0; i < list.GetCount(); ++i)
        if (auto* enemy = dynamic_cast<const CEnemyCommand*>(list.GetCommand(i)))
            if (enemy->Params().size() != 10) abort();
}

void Positions() {
    g_game->LoadPositions();
    if (g_game->Positions().size() != 3) abort();
}

void Settings() {
    CIniFile ini;
    ini.Load("setup.ini");
    for (const char* key : {"FullScreen", "BGM", "SE", "HardDraw", "NAME"}) ini.Get(key);
    CheckSetupIni();
}

void Scores() { g_game->Scores().LoadScoreFile(); }

void Replay() {
    CReplayRecord record;
    record.LoadReplayFile(0);
    for (int i = 0; !record.IsEnd(i); ++i) CReplayRecord::UnpackInput(record.GetFrame(i));
    ReadReplayHeader(0, true);
    ReadReplayHeader(0, false);
}

void System() { g_game->LoadSystem(); }

std::string ScoreSeed() {
    std::string text = "KLOV_SYSTEM\n";
    for (int i = 0; i < 10; ++i) text += std::to_string(1000 * (10 - i)) + "\n1\n0\n2000\n1\n1\n3600\nFUKA\n";
    return text;
}

const struct Reader {
    const char* path;          // where the input goes
    bool scrambled;            // stored as the game's data files are
    void (*read)();
    std::string seed;          // a well-formed input
    const char* sourceNames;   // content sources that make good seeds, by the start of their names
} kReaders[] = {
    {kPath, true, [] { Words(false); }, "x=1.5*2 \"a b\" \"\" c // note\n/* block */ -12.5,3:4", "position"},
    {kPath, true, [] { Words(true); }, "a b\nc=d\n\n\"e\nf\"", "summary"},
    {kPath, true, WordsAndEnds, "enemy crystal1 100 -20 ;wait 5;", "room"},
    {kPath, true, Tags, "<window><name str=\"A\" pos=\"right\">Hello,\n world<stop>", "mes"},
    {kPath, true, Message, "<clear><window><img name=\"fuka\" id=\"2\">A<br>B<stop><clear>C<stop><end>", "mes"},
    {kPath, true, StageCommands, "music play bgm ;\nwait 60 ;\nmessage mes1.dat ;\nclear ;", "stage"},
    {"data/dat/position0.dat", true, Positions, "100 -20\n320.5 40\n", "position"},
    {"setup.ini", false, Settings, "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n", ""},
    {"data/score/score.dat", true, Scores, ScoreSeed(), ""},
    {"data/replay/data1.dat", true, Replay, "1.00\nFUKA\n4\n2000\n1\n1\n2\n0\n1\n\x10\x11\x00\x3F", ""},
    {"data/dat/system.dat", true, System, "KLOV_SYSTEM\n1\n0\n3\n", ""},
};
constexpr size_t kReaderCount = sizeof kReaders / sizeof kReaders[0];

// Each reader's own seed, and every content source whose name fits it, each
// behind the byte that picks the reader.
void WriteSeeds(const std::string& folder, const char* sources) {
    int n = 0;
    auto seed = [&](size_t reader, const std::string& text) {
        std::string bytes = char(reader) + text;
        std::string path = folder + "/seed" + std::to_string(n++);
        WriteFile(path.c_str(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
    };
    for (size_t r = 0; r < kReaderCount; ++r) {
        seed(r, kReaders[r].seed);
        if (!sources || !*kReaders[r].sourceNames) continue;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(sources, ec))
            if (entry.path().filename().string().rfind(kReaders[r].sourceNames, 0) == 0) {
                std::ifstream in(entry.path(), std::ios::binary);
                seed(r, std::string(std::istreambuf_iterator<char>(in), {}));
            }
    }
}
}  // namespace

// With ZV_FUZZ_SEED_DIR set, start-up writes seeds there: one per reader, and
// the content sources of ZV_FUZZ_SEED_SOURCES (the folder of the data scripts).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("ZV_FUZZ_SEED_DIR")) WriteSeeds(seeds, std::getenv("ZV_FUZZ_SEED_SOURCES"));
    static std::string folder = (std::filesystem::temp_directory_path() / "zvfuzz-game.XXXXXX").string();
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0) abort();
    atexit([] { std::filesystem::remove_all(folder); });
    MakeDataFolders();
    // The other two position tables are there and empty.
    for (const char* p : {"data/dat/position1.dat", "data/dat/position2.dat"}) WriteFile(p, nullptr, 0, false);
    static StillSystem system;
    SetGameSystem(&system);
    g_game = new CGame;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Reader& reader = kReaders[data[0] % kReaderCount];
    WriteFile(reader.path, data + 1, size - 1, reader.scrambled);
    try {
        reader.read();
    } catch (const ProgramEnded&) {
        // A broken score file ends the game with its box: an answer, not a fault.
    }
    return 0;
}
