// Checks the stage scripts, talks, position tables and sound-player texts as the game will read them.
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/encoded_file.h"
#include "frame/lexer.h"
#include "frame/message_script.h"
#include "zv_test_support.h"

namespace {

const std::string kDir = ZV_DAT_SOURCE_DIR;

// The enemy kind words the stage reader knows, in table order.
const std::vector<std::string> kKinds = {
    "bigrabbit1", "bigrabbit2", "bigrabbit3", "bigrabbit4", "bigrabbit5", "smallrabbit1", "smallrabbit2",
    "smallrabbit3", "smallrabbit4", "smallrabbit5", "crystal1", "crystal2", "crystal3", "crystal4",
    "crystal5", "crystal6", "crystal7", "crystal8", "boss1", "boss2", "boss3", "basic"};
const std::vector<std::string> kMusic = {"title", "basicbgm", "bgm", "bgmboss", "bgm2",
                                         "bgmboss2", "bgm3", "bgmboss3", "ending"};
// Portrait sets and how many pictures each holds.
const std::map<std::string, int> kPortraits = {{"fuka", 5}, {"ryu", 3}, {"yu", 2}, {"maria", 5}};

// The game measures text in its 20-pixel default font: 10 pixels a byte.
constexpr int kPixelsPerByte = 10;
constexpr int kMessageLineWidth = 400;  // text starts at x 30; the window's inner edge is at 436
constexpr int kMessageLines = 4;        // lines at y 320 + 30 n inside a window ending at 460
constexpr int kNamePlateWidth = 100;
constexpr int kSummaryLineBytes = 52;  // 15-pixel font from x 230 to the screen's edge
constexpr int kSummaryLines = 13;      // rows 28 pixels apart from y 100

// The source as the game gets it: Shift-JIS bytes. Characters Shift-JIS lacks fail the test.
std::string ReadCp932(const std::string& name) {
    std::string utf8 = zvtest::ReadWholeFile(kDir + "/" + name);
    EXPECT_FALSE(utf8.empty()) << name << " is missing or empty";
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1)) {
        ADD_FAILURE() << "no UTF-8 to CP932 conversion on this system";
        return "";
    }
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = utf8.data();
    char* to = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    EXPECT_NE(r, size_t(-1)) << name << ": no Shift-JIS form at byte " << (in - utf8.data());
    out.resize(out.size() - outLeft);
    return out;
}

bool IsSeparator(char c) { return c == 0 || (c > 0 && std::strchr("\t\n\r \",:;", c)); }
bool IsOperator(char c) { return c > 0 && std::strchr("*+/=", c); }

// The comments both readers drop: "//" up to the line break, "/*" up to "*/".
class Comments {
public:
    // True when byte i of s belongs to a comment; call it for each byte in turn.
    bool Skip(const std::string& s, size_t i) {
        const char c = s[i], prev = i ? s[i - 1] : 0, next = i + 1 < s.size() ? s[i + 1] : 0;
        if (mode_ == kLine) {
            if (c == '\n') mode_ = kNone;
        } else if (mode_ == kBlock) {
            if (prev == '*' && c == '/') mode_ = kNone;
        } else if (c == '/' && (next == '/' || next == '*')) {
            mode_ = next == '/' ? kLine : kBlock;
        } else {
            return false;
        }
        return true;
    }

private:
    enum { kNone, kLine, kBlock } mode_ = kNone;
};

// Words as the script and table readers split them: comments dropped, quotes kept
// together, operators alone, and each ';' a word of its own when asked for.
std::vector<std::string> Words(const std::string& s, bool semicolons) {
    std::vector<std::string> out;
    std::string tok;
    bool quoted = false;
    Comments comments;
    auto push = [&] {
        if (!tok.empty()) out.push_back(tok);
        tok.clear();
    };
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (!quoted && comments.Skip(s, i)) continue;
        if (quoted) {
            if (c == '"') {
                out.push_back(tok);
                tok.clear();
                quoted = false;
            } else {
                tok += c;
            }
        } else if (c == '"') {
            push();
            quoted = true;
        } else if (IsOperator(c)) {
            push();
            out.push_back(std::string(1, c));
        } else if (IsSeparator(c)) {
            push();
            if (semicolons && c == ';') out.push_back(";");
        } else {
            tok += c;
        }
    }
    push();
    return out;
}

// Tags and text runs as the talk reader splits them: line breaks and comments dropped.
std::vector<std::string> TagTokens(const std::string& s) {
    std::vector<std::string> out;
    std::string text, tag;
    bool inTag = false;
    Comments comments;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (comments.Skip(s, i)) continue;
        if (c == '\r' || c == '\n') {
        } else if (c == '>' && inTag) {
            out.push_back(tag + '>');
            tag.clear();
            inTag = false;
        } else if (c == '<' && !inTag) {
            if (!text.empty()) out.push_back(text);
            text.clear();
            tag = "<";
            inTag = true;
        } else {
            (inTag ? tag : text) += c;
        }
    }
    if (!text.empty()) out.push_back(text);
    if (!tag.empty()) out.push_back(tag);
    return out;
}

bool IsTag(const std::string& t) { return t.size() >= 1 && t.front() == '<' && t.back() == '>'; }

std::string TagName(const std::string& t) {
    if (!IsTag(t)) return "";
    return t.substr(0, t.find_first_of(" >")) + ">";
}

// An attribute's quoted value, found the way the talk reader finds it.
std::string Attribute(std::string s, const std::string& name) {
    for (;;) {
        size_t p = s.find(name);
        if (p == std::string::npos || p == 0) return "";
        if (s[p - 1] == ' ') {
            s = s.substr(p + name.size());
            break;
        }
        s = s.substr(p + 1);
    }
    size_t at = s.find('=');
    if (at == std::string::npos) return "";
    s = s.substr(at + 1);
    at = s.find('"');
    if (at == std::string::npos) return "";
    s = s.substr(at + 1);
    at = s.find('"');
    if (at == std::string::npos || at == 0) return "";
    return s.substr(0, at);
}

bool IsInt(const std::string& w) { return std::regex_match(w, std::regex("-?[0-9]+")); }
bool IsNumber(const std::string& w) { return std::regex_match(w, std::regex("-?[0-9]+(\\.[0-9]+)?")); }

bool SourceExists(const std::string& datName) {
    std::string stem = datName.substr(0, datName.rfind(".dat"));
    return datName.size() > 4 && datName.compare(datName.size() - 4, 4, ".dat") == 0 &&
           std::filesystem::exists(kDir + "/" + stem + ".txt");
}

std::vector<std::string> SourcesStartingWith(const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(kDir)) {
        std::string n = e.path().filename().string();
        if (n.rfind(prefix, 0) == 0 && e.path().extension() == ".txt") names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DataSources, AreShiftJisTextWithPlainLineEnds) {
    auto all = SourcesStartingWith("");
    EXPECT_FALSE(all.empty());
    for (const auto& name : all) {
        std::string bytes = ReadCp932(name);
        EXPECT_EQ(bytes.find('\r'), std::string::npos) << name << " holds a carriage return";
    }
}

struct StageCase {
    const char* file;
    const char* boss;  // the boss word the stage ends with, or "" for none
    int minSeconds, maxSeconds;  // time the script spends before its boss (or its end)
};

class StageScript : public testing::TestWithParam<StageCase> {};

// Reads the script command by command, as strictly as its author means it: every word
// a command the reader knows, every argument a number or name it accepts, every
// command closed by its ';'.
TEST_P(StageScript, ReadsAsIntendedAndReachesItsBossInTime) {
    const StageCase& c = GetParam();
    auto w = Words(ReadCp932(c.file), true);
    size_t i = 0;
    auto take = [&] { return i < w.size() ? w[i++] : std::string("err"); };
    auto expectEnd = [&](const std::string& what) {
        EXPECT_EQ(take(), ";") << c.file << ": '" << what << "' is not closed at word " << i;
    };
    std::vector<std::string> bosses, commands;
    int frames = 0, framesBeforeBoss = -1;
    while (i < w.size()) {
        std::string cmd = take();
        commands.push_back(cmd);
        if (cmd == "enemy") {
            std::string kind = take();
            bool known = std::find(kKinds.begin(), kKinds.end(), kind) != kKinds.end();
            EXPECT_TRUE(known) << c.file << ": unknown kind '" << kind << "'";
            std::string x = take(), y = take();
            ASSERT_TRUE(IsNumber(x) && IsNumber(y)) << c.file << ": " << kind << " at '" << x << " " << y << "'";
            bool boss = kind.rfind("boss", 0) == 0;
            if (!boss) {  // ordinary enemies start where the field's removal test keeps them
                EXPECT_TRUE(std::stof(x) >= -25 && std::stof(x) <= 520) << c.file << ": " << kind << " x " << x;
                EXPECT_TRUE(std::stof(y) >= -35 && std::stof(y) <= 515) << c.file << ": " << kind << " y " << y;
            } else {
                bosses.push_back(kind);
                framesBeforeBoss = frames;
            }
            int params = 0;
            while (i < w.size() && w[i] != ";") {
                EXPECT_TRUE(IsInt(w[i])) << c.file << ": " << kind << " parameter '" << w[i] << "'";
                ++params, ++i;
            }
            EXPECT_LE(params, 10) << c.file << ": " << kind;
            expectEnd(kind);
            if (kind == "basic") frames += 1200;  // it holds the script for its whole pattern
        } else if (cmd == "wait") {
            std::string n = take();
            ASSERT_TRUE(IsInt(n) && std::stoi(n) >= 0) << c.file << ": wait '" << n << "'";
            if (std::stoi(n) > 0) frames += std::stoi(n) + 1;
            expectEnd(cmd);
        } else if (cmd == "music") {  // "stop" is refused: it stops nothing the game plays
            EXPECT_EQ(take(), "play") << c.file;
            std::string name = take();
            EXPECT_NE(std::find(kMusic.begin(), kMusic.end(), name), kMusic.end()) << c.file << ": music " << name;
            expectEnd(cmd);
        } else if (cmd == "message") {
            std::string f = take();
            EXPECT_TRUE(SourceExists(f)) << c.file << ": no talk source for " << f;
            expectEnd(cmd);
        } else if (cmd == "clear" || cmd == "gameover") {
            expectEnd(cmd);
        } else {
            ADD_FAILURE() << c.file << ": '" << cmd << "' is no command (word " << i << ")";
        }
    }
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "clear") << c.file << " must end with its stage clear";
    if (*c.boss) {
        EXPECT_EQ(bosses, std::vector<std::string>{c.boss}) << c.file;
        EXPECT_EQ(commands[commands.size() - 2], "enemy") << c.file << ": the boss comes last";
    } else {
        EXPECT_TRUE(bosses.empty()) << c.file;
        framesBeforeBoss = frames;
    }
    double seconds = framesBeforeBoss / 60.0;
    RecordProperty("seconds_before_boss", std::to_string(seconds));
    std::printf("%s: %.1f s of script before %s\n", c.file, seconds, *c.boss ? c.boss : "the end");
    EXPECT_GE(seconds, c.minSeconds) << c.file;
    EXPECT_LE(seconds, c.maxSeconds) << c.file;
}

INSTANTIATE_TEST_SUITE_P(Stages, StageScript,
                         testing::Values(StageCase{"room.txt", "", 60, 180}, StageCase{"stage0.txt", "", 30, 120},
                                         StageCase{"stage1.txt", "boss1", 180, 300},
                                         StageCase{"stage2.txt", "boss2", 180, 300},
                                         StageCase{"stage3.txt", "boss3", 180, 300}),
                         [](const testing::TestParamInfo<StageCase>& info) {
                             std::string n = info.param.file;
                             return n.substr(0, n.find('.'));
                         });

// One step of the talk reader: drops the page on screen (up to its first <stop>) and
// whatever a <clear> after it discards. False once the talk has ended.
bool StepTalk(std::vector<std::string>& t) {
    bool stopSeen = false;
    for (size_t i = 0; i < t.size();) {
        std::string name = TagName(t[i]);
        if (name == "<end>") {
            t.clear();
            return false;
        }
        if (name == "<stop>") {
            if (stopSeen) return true;
            stopSeen = true;
            t.erase(t.begin() + i);
            i = 0;
        } else if (name == "<clear>") {
            t.erase(t.begin(), t.begin() + i + 1);
            i = 0;
        } else {
            ++i;
        }
    }
    return !t.empty();
}

// Checks what one page shows: tags the reader knows, portraits that exist, a window
// behind the text, and text that fits it.
void CheckPage(const std::string& file, int page, const std::vector<std::string>& t, std::set<std::string>& shown) {
    int line = 0, pen = 0;
    bool window = false, text = false;
    for (const auto& tok : t) {
        std::string name = TagName(tok);
        if (name == "<stop>") break;
        if (name == "<br>") {
            ++line, pen = 0;
        } else if (name == "<window>") {
            window = true;
        } else if (name == "<img>") {
            std::string who = Attribute(tok, "name"), id = Attribute(tok, "id");
            auto set = kPortraits.find(who);
            ASSERT_NE(set, kPortraits.end()) << file << " page " << page << ": portrait " << tok;
            EXPECT_TRUE(IsInt(id) && std::stoi(id) >= 1 && std::stoi(id) <= set->second)
                << file << " page " << page << ": " << tok;
            EXPECT_TRUE(IsInt(Attribute(tok, "dx")) && IsInt(Attribute(tok, "dy"))) << file << ": " << tok;
        } else if (name == "<name>") {
            std::string who = Attribute(tok, "str"), pos = Attribute(tok, "pos");
            EXPECT_FALSE(who.empty()) << file << ": " << tok;
            EXPECT_LE(int(who.size()) * kPixelsPerByte, kNamePlateWidth) << file << ": name plate " << tok;
            EXPECT_TRUE(pos.empty() || pos == "right") << file << ": " << tok;
        } else if (name == "<clear>") {
            ADD_FAILURE() << file << " page " << page << " runs into the next page: its <stop> is missing";
        } else if (name == "<end>") {
        } else if (!name.empty()) {
            ADD_FAILURE() << file << " page " << page << ": unknown tag " << tok;
        } else {
            EXPECT_NE(tok.find_first_not_of(' '), std::string::npos) << file << ": a run of blanks moves the text";
            EXPECT_TRUE(window) << file << " page " << page << ": text before its window";
            text = true;
            shown.insert(tok);
            pen += int(tok.size()) * kPixelsPerByte;
            EXPECT_LE(pen, kMessageLineWidth) << file << " page " << page << " line " << line + 1 << " is too wide";
        }
    }
    EXPECT_TRUE(text) << file << " page " << page << " shows no text";
    EXPECT_LT(line, kMessageLines) << file << " page " << page << " has too many lines";
}

TEST(Talks, EveryPageFitsItsWindowAndShowsExistingPortraits) {
    auto files = SourcesStartingWith("mes");
    for (int n = 1; n <= 6; ++n)  // the bosses' talks, before and after each fight
        EXPECT_NE(std::find(files.begin(), files.end(), "mes" + std::to_string(n) + ".txt"), files.end()) << n;
    for (const auto& file : files) {
        auto t = TagTokens(ReadCp932(file));
        ASSERT_FALSE(t.empty()) << file;
        ASSERT_TRUE(IsTag(t.back()) || t.back().find('<') == std::string::npos) << file << ": tag left open";
        std::set<std::string> written, shown;
        for (const auto& tok : t)
            if (!IsTag(tok)) written.insert(tok);
        t.push_back("<end>");
        int pages = 0;
        do {
            CheckPage(file, ++pages, t, shown);
        } while (StepTalk(t) && pages < 100);
        for (const auto& run : written)
            EXPECT_TRUE(shown.count(run)) << file << ": a page is never shown (is a <stop> missing?)";
        EXPECT_GE(pages, 2) << file;
        EXPECT_TRUE(t.empty()) << file << " never reaches its end";
    }
}

TEST(PositionTables, HoldPairsInsideTheField) {
    for (int n = 0; n <= 2; ++n) {
        std::string file = "position" + std::to_string(n) + ".txt";
        auto w = Words(ReadCp932(file), false);
        ASSERT_GE(w.size(), 2u) << file;
        ASSERT_EQ(w.size() % 2, 0u) << file << ": odd number of values";
        for (size_t i = 0; i < w.size(); i += 2) {
            ASSERT_TRUE(IsNumber(w[i]) && IsNumber(w[i + 1])) << file << ": " << w[i] << " " << w[i + 1];
            float x = std::stof(w[i]), y = std::stof(w[i + 1]);
            EXPECT_TRUE(x >= 15 && x <= 480 && y >= 5 && y <= 475) << file << ": " << x << " " << y;
        }
    }
}

TEST(Summaries, OnePerSongAndEveryLineFitsTheScreen) {
    for (int n = 1; n <= 9; ++n) {
        std::string file = "summary" + std::to_string(n) + ".txt";
        std::string bytes = ReadCp932(file);
        std::vector<std::string> lines;
        for (size_t at = 0; at < bytes.size();) {
            size_t end = bytes.find('\n', at);
            if (end == std::string::npos) end = bytes.size();
            lines.push_back(bytes.substr(at, end - at));
            at = end + 1;
        }
        EXPECT_GE(lines.size(), 1u) << file;
        EXPECT_LE(int(lines.size()), kSummaryLines) << file;
        for (const auto& l : lines) {
            EXPECT_LE(int(l.size()), kSummaryLineBytes) << file << ": a line runs off the screen";
            EXPECT_EQ(l.find("//"), std::string::npos) << file << ": shown as it stands, comments too";
        }
    }
}

// The checks above split the sources the way the game does; the game's own readers, given the encoded
// files the build made, must see the same words and tags, and every portrait a talk names must be a picture
// the build painted.
TEST(EncodedFiles, ReadByTheGameAsTheChecksReadTheirSources) {
    const std::string built = std::string(ZV_GAME_DATA_DIR) + "/dat/";
    for (const auto& source : SourcesStartingWith("")) {
        std::string stem = source.substr(0, source.rfind('.')), path = built + stem + ".dat";
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        std::string bytes = ReadCp932(source);
        if (stem.rfind("summary", 0) == 0) continue;  // shown line by line, never split into words
        std::vector<std::string> theirs, ours;
        if (stem.rfind("mes", 0) == 0) {
            CMessageScript talk;
            talk.Load(path);
            theirs = talk.Tokens();
            ours = TagTokens(bytes);
            ours.push_back("<end>");
            for (const auto& tok : theirs) {
                if (IOstream::GetTagName(tok) != "<img>") continue;
                std::string who = IOstream::GetTagAttribute(tok, "name"), id = IOstream::GetTagAttribute(tok, "id");
                EXPECT_EQ(who, Attribute(tok, "name")) << source << ": " << tok;
                EXPECT_EQ(id, Attribute(tok, "id")) << source << ": " << tok;
                EXPECT_TRUE(std::filesystem::exists(std::string(ZV_GAME_DATA_DIR) + "/material/" + who + id + ".png"))
                    << source << ": no picture for " << tok;
            }
        } else {
            bool stage = stem.rfind("position", 0) != 0;
            IOstream::CLexer words;
            IOstream::CLexerEndAdd commands;
            IOstream::CLexer& lexer = stage ? commands : words;
            lexer.SetKey(DataFileKey);
            ASSERT_TRUE(lexer.Load(path, false)) << path;
            while (!lexer.IsEmpty()) theirs.push_back(lexer.GetToken(true));
            ours = Words(bytes, stage);
        }
        EXPECT_EQ(theirs, ours) << source;
    }
}

}  // namespace
