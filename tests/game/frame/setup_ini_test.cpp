// setup.ini: the start-up check's messages, the reading rules, saving, and
// files that are broken, hostile or cannot be written.
#include "game_fixture.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "frame/entry.h"
#include "frame/ini_file.h"

namespace {
const std::string kPrefix = "setup.iniの構文ミスです。\n";
const std::string kGood = "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";

void WriteText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

struct CheckCase {
    const char* what;
    const char* file;        // nullptr: no setup.ini at all
    const char* message;     // "" when the check passes
};

const CheckCase kCheckCases[] = {
    {"no file", nullptr, "FullScreenが存在しません。"},
    {"missing SE and NAME reports SE", "FullScreen=0\nBGM=1\nHardDraw=1\n", "SEが存在しません。"},
    {"11-byte NAME", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=ABCDEFGHIJK\n",
     "NAMEに異常な値(ABCDEFGHIJK)が設定されています。\n文字数が多すぎます。"},
    {"BGM not a digit", "FullScreen=0\nBGM=x\nSE=1\nHardDraw=1\nNAME=\n",
     "BGMに異常な値(x)が設定されています。\n半角数字の0か1を設定してください。"},
    {"empty digit value", "FullScreen=\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n",
     "FullScreenに異常な値()が設定されています。\n半角数字の0か1を設定してください。"},
    {"FullScreen=2 and an empty NAME pass", "FullScreen=2\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n", ""},
    {"10-byte NAME passes", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=ABCDEFGHIJ\n", ""},
    {"CR LF line ends", "FullScreen=0\r\nBGM=1\r\nSE=1\r\nHardDraw=1\r\nNAME=\r\n", ""},
    {"empty lines do not shift the pairs", "\nFullScreen=0\n\nBGM=1\nSE=1\n\n\nHardDraw=1\nNAME=\n", ""},
    {"NAME= without a last newline", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=", ""},
    {"key and value on separate lines", "FullScreen\n1\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n", ""},
};
}  // namespace

TEST(SetupIniTest, CheckShowsOneBoxForTheFirstProblem) {
    for (const CheckCase& c : kCheckCases) {
        SCOPED_TRACE(c.what);
        zvtest::ScopedTempDir dir;
        gamefix::FakeSystem sys;
        if (c.file) WriteText("setup.ini", c.file);
        bool ok = CheckSetupIni();
        if (*c.message == '\0') {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(sys.boxes.empty());
            continue;
        }
        EXPECT_FALSE(ok);
        ASSERT_EQ(sys.boxes.size(), 1u);
        EXPECT_EQ(sys.boxes[0].caption, "エラー発生 ID=001");
        EXPECT_EQ(sys.boxes[0].text, kPrefix + c.message);
    }
}

TEST(SetupIniTest, ABadFileEndsTheProgramBeforeTheLibraryStarts) {
    zvtest::ScopedTempDir dir;
    gamefix::FakeSystem sys;
    EXPECT_EQ(VelmoraMain(), -1);
    EXPECT_EQ(sys.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists("Log.txt")) << "the library never started";
    EXPECT_FALSE(std::filesystem::exists("data")) << "nothing is made";
}

TEST(SetupIniTest, ValuesReadAsWrittenAndCarriageReturnsAreDropped) {
    zvtest::ScopedTempDir dir;
    WriteText("a.ini", "FullScreen=0\r\n\r\nBGM=1\r\nNAME=");
    CIniFile ini;
    ASSERT_EQ(ini.Load("a.ini"), CIniFile::LoadResult::kLoaded);
    EXPECT_EQ(ini.Get("FullScreen"), "0");
    EXPECT_EQ(ini.Get("BGM"), "1");
    EXPECT_EQ(ini.Get("NAME"), "");
    EXPECT_FALSE(ini.IsMissing("NAME"));
    EXPECT_EQ(ini.Get("SE"), "err");
    EXPECT_TRUE(ini.IsMissing("se")) << "keys are case-sensitive";
    EXPECT_EQ(ini.Load("none.ini"), CIniFile::LoadResult::kMissing);
    EXPECT_EQ(ini.Get("BGM"), "1") << "a failed load keeps what was there";
}

TEST(SetupIniTest, SetKeepsPlacesAndAddsNewKeysLast) {
    zvtest::ScopedTempDir dir;
    WriteText("setup.ini", kGood);
    CIniFile ini;
    ASSERT_EQ(ini.Load("setup.ini"), CIniFile::LoadResult::kLoaded);
    ini.Set("BGM", "0");
    ini.Set("Extra", "x");
    EXPECT_EQ(ini.Save("setup.ini"), 0);
    EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), "FullScreen=0\nBGM=0\nSE=1\nHardDraw=1\nNAME=\nExtra=x\n");
    EXPECT_NE(ini.Save("no/such/folder/setup.ini"), 0);
}

namespace {
// What a trouble case does with setup.ini once it is prepared.
enum class Act { kCheck, kSaveAChange };

struct TroubleCase {
    const char* what;
    std::string (*prepare)();   // makes setup.ini; returns what it holds
    Act act;
    bool noBytesMayBeWritten;   // the file size limit 0, as on a full disk
    std::string box;            // the box text after the prefix, "" for none
    std::string log;            // a piece of the log (UTF-8), "" for none
    bool changeSaved;           // setup.ini afterwards: with the change, or as prepared
};

std::string Written(const std::string& text) {
    WriteText("setup.ini", text);
    return text;
}
std::string Good() { return Written(kGood); }
std::string ReadOnly() {
    Good();
    chmod("setup.ini", 0444);
    return kGood;
}
std::string LinkToZeros() {
    EXPECT_EQ(symlink("/dev/zero", "setup.ini"), 0);
    return "";
}
// kGood padded with newlines to `size` bytes.
std::string Padded(size_t size) { return Written(kGood + std::string(size - kGood.size(), '\n')); }
std::string Exactly64KiB() { return Padded(64 * 1024); }
std::string OneByteMore() { return Padded(64 * 1024 + 1); }
std::string MegabyteValue() {
    return Written("FullScreen=" + std::string(1 << 20, 'x') + "\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n");
}
std::string LongValue() {
    return Written("FullScreen=0\nBGM=" + std::string(60000, 'y') + "\nSE=1\nHardDraw=1\nNAME=\n");
}
std::string Repeated(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
// One ASCII byte, then two-byte characters: the cut must not halve one.
std::string LongJapaneseName() {
    return Written("FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=x" + Repeated("あ", 40) + "\n");
}

// Runs a case in a child process, so that a limit or a read that never ends
// stays there: the box it showed, or the result and log of the save.
struct Outcome {
    bool childEnded = false;
    std::string box, log;
    int saveResult = 0;
};

Outcome RunInChild(const TroubleCase& c) {
    int logPipe[2];
    if (pipe(logPipe) != 0) return Outcome();
    pid_t pid = fork();
    if (pid == 0) {
        // The log goes through a pipe: no file can take a byte under the limit.
        dup2(logPipe[1], 2);
        alarm(zvtest::kHangSeconds);  // a read that never ends fails the case, not the whole run
        signal(SIGXFSZ, SIG_IGN);   // a write above the limit fails instead of ending the process
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t soft = limit.rlim_cur;
        if (c.noBytesMayBeWritten) limit.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string out;
        if (c.act == Act::kCheck) {
            gamefix::FakeSystem sys;
            CheckSetupIni();
            if (!sys.boxes.empty()) out = sys.boxes[0].text;
        } else {
            CIniFile ini;
            ini.Load("setup.ini");
            ini.Set("BGM", "0");
            out = std::to_string(ini.Save("setup.ini"));
        }
        limit.rlim_cur = soft;
        setrlimit(RLIMIT_FSIZE, &limit);
        FILE* f = fopen("child-out.txt", "wb");
        if (!f || fwrite(out.data(), 1, out.size(), f) != out.size() || fclose(f) != 0) _exit(1);
        _exit(0);
    }
    close(logPipe[1]);
    Outcome o;
    char buffer[4096];
    for (ssize_t n; (n = read(logPipe[0], buffer, sizeof buffer)) > 0;) o.log.append(buffer, size_t(n));
    close(logPipe[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return o;
    o.childEnded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string out = zvtest::ReadWholeFile("child-out.txt");
    if (c.act == Act::kCheck) o.box = out;
    else o.saveResult = atoi(out.c_str());
    return o;
}
}  // namespace

// A broken, hostile or unwritable setup.ini never loses the settings, never
// hangs the start and never floods the box.
TEST(SetupIniTest, TroubleKeepsTheFileAndGivesOneShortMessage) {
    const std::string refusal = "setup.iniは64KiB以下の通常のファイルにしてください。";
    const TroubleCase cases[] = {
        {"a writable file takes the change", Good, Act::kSaveAChange, false, "", "", true},
        {"a failed write keeps the old file", Good, Act::kSaveAChange, true, "", u8"setup.ini を書き込めませんでした",
         false},
        {"a read-only file is kept and the refusal logged", ReadOnly, Act::kSaveAChange, false, "",
         u8"setup.ini は読み取り専用", false},
        {"a link to /dev/zero is refused", LinkToZeros, Act::kCheck, false, refusal, "", false},
        {"a file of exactly 64 KiB is read", Exactly64KiB, Act::kCheck, false, "", "", false},
        {"a file one byte larger is refused", OneByteMore, Act::kCheck, false, refusal, "", false},
        {"a 1 MB bad value is refused by the size", MegabyteValue, Act::kCheck, false, refusal, "", false},
        {"a long bad value is quoted by its first 32 bytes", LongValue, Act::kCheck, false,
         "BGMに異常な値(" + std::string(32, 'y') + "...)が設定されています。\n半角数字の0か1を設定してください。", "",
         false},
        {"the quote never halves a character", LongJapaneseName, Act::kCheck, false,
         "NAMEに異常な値(x" + Repeated("あ", 15) + "...)が設定されています。\n文字数が多すぎます。", "", false},
    };
    const std::string changed = "FullScreen=0\nBGM=0\nSE=1\nHardDraw=1\nNAME=\n";
    for (const TroubleCase& c : cases) {
        SCOPED_TRACE(c.what);
        zvtest::ScopedTempDir dir;
        std::string before = c.prepare();
        Outcome o = RunInChild(c);
        if (!o.childEnded) {
            ADD_FAILURE() << "the child hung or crashed";
            continue;
        }
        EXPECT_EQ(o.box, c.box.empty() ? std::string() : kPrefix + c.box);
        if (c.log.empty()) {
            EXPECT_EQ(o.log, "");
        } else {
            EXPECT_NE(o.log.find(c.log), std::string::npos) << "the log:\n" << o.log;
        }
        if (c.act != Act::kSaveAChange) continue;
        EXPECT_EQ(o.saveResult != 0, !c.changeSaved);
        EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), c.changeSaved ? changed : before);
        EXPECT_FALSE(std::filesystem::exists("setup.ini.tmp")) << "no temporary file is left";
    }
}
// The options save killed at any moment leaves the old or the new file, never
// a torn one: the child saves the two settings in turn until it is killed.
TEST(SetupIniTest, AKillDuringASaveLeavesTheOldOrTheNewFile) {
    zvtest::ScopedTempDir dir;
    const std::string kOld = kGood, kNew = "FullScreen=0\nBGM=0\nSE=1\nHardDraw=1\nNAME=\n";
    WriteText("setup.ini", kOld);
    std::srand(29);
    for (int round = 0; round < 100; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            CIniFile ini;
            ini.Load("setup.ini");
            for (int i = 0;; ++i) {
                ini.Set("BGM", i % 2 ? "1" : "0");
                ini.Save("setup.ini");
            }
        }
        ASSERT_GT(pid, 0);
        usleep(useconds_t(std::rand() % 3000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string now = zvtest::ReadWholeFile("setup.ini");
        ASSERT_TRUE(now == kOld || now == kNew) << "round " << round << " left:\n" << now;
    }
}
