// The lexers on scrambled files: tokens of words, operators, quotes and
// comments; ';' tokens; tags and text runs; tag names and attributes.
#include "game_fixture.h"

#include "frame/lexer.h"

namespace {
enum Kind { PLAIN, END_ADD, TAGS };

std::vector<std::string> Lex(Kind kind, const std::string& text, bool keepNewlines = false) {
    gamefix::WriteDataFile("in.dat", text);
    IOstream::CLexer plain;
    IOstream::CLexerEndAdd endAdd;
    IOstream::CTagLexer tags;
    IOstream::CLexer& lexer = kind == PLAIN ? plain : kind == END_ADD ? static_cast<IOstream::CLexer&>(endAdd) : tags;
    lexer.SetKey(DataFileKey);
    bool ok = kind == TAGS ? tags.LoadTags("in.dat") : lexer.Load("in.dat", keepNewlines);
    EXPECT_TRUE(ok);
    std::vector<std::string> out;
    while (!lexer.IsEmpty()) out.push_back(lexer.GetToken(true));
    EXPECT_EQ(lexer.GetToken(true), "err");
    return out;
}

using Tokens = std::vector<std::string>;
struct LexCase {
    Kind kind;
    const char* text;
    Tokens tokens;
};
}  // namespace

TEST(LexerTest, SplitsFilesIntoTokens) {
    zvtest::ScopedTempDir dir;
    const LexCase cases[] = {
        {PLAIN, "x=1.5*2", {"x", "=", "1.5", "*", "2"}},
        {PLAIN, "enemy crystal1 100 -20 ;", {"enemy", "crystal1", "100", "-20"}},
        {END_ADD, "enemy crystal1 100 -20 ;", {"enemy", "crystal1", "100", "-20", ";"}},
        {END_ADD, "a;b", {"a", ";", "b"}},
        {PLAIN, "a;b", {"a", "b"}},
        {PLAIN, "\"a b\" \"\" c", {"a b", "", "c"}},
        {PLAIN, "\"\"", {""}},
        {PLAIN, "a/b", {"a", "/", "b"}},
        {PLAIN, "a//b", {"a"}},
        {PLAIN, "1 // note\n2", {"1", "2"}},
        {PLAIN, "/*/ x", {"x"}},
        {PLAIN, "1 /* a\nb */ 2", {"1", "2"}},
        {PLAIN, "\"a//b\"", {"a//b"}},
        {PLAIN, "\"open", {"open"}},
        {PLAIN, "魔女の森 1", {"魔女の森", "1"}},
        {PLAIN, "", {}},
        {TAGS, "<window><name str=A>Hello,\n world<stop>", {"<window>", "<name str=A>", "Hello, world", "<stop>"}},
        {TAGS, "a > b<br>c<x // note\n>", {"a > b", "<br>", "c", "<x >"}},
        {TAGS, "text<unclosed", {"text", "<unclosed"}},
    };
    for (const LexCase& c : cases) EXPECT_EQ(Lex(c.kind, c.text), c.tokens) << "text: " << c.text;
}

TEST(LexerTest, KeepNewlinesMarksLineEnds) {
    zvtest::ScopedTempDir dir;
    EXPECT_EQ(Lex(PLAIN, "a\nb", true), (Tokens{"a", "\n", "b", "\n"}));
    EXPECT_EQ(Lex(PLAIN, "a\n", true), (Tokens{"a", "\n"}));
    EXPECT_EQ(Lex(PLAIN, "", true), Tokens{}) << "no tokens, no mark";
}

TEST(LexerTest, AMissingFileLeavesTheQueue) {
    zvtest::ScopedTempDir dir;
    IOstream::CTagLexer lexer;
    EXPECT_FALSE(lexer.Load("none.dat", false));
    EXPECT_FALSE(lexer.LoadTags("none.dat"));
    EXPECT_TRUE(lexer.IsEmpty());
}

TEST(LexerTest, ReadsTagNamesAndAttributes) {
    using IOstream::GetTagAttribute;
    using IOstream::GetTagName;
    EXPECT_EQ(GetTagName("<br>"), "<br>");
    EXPECT_EQ(GetTagName("<img name=\"yu\">"), "<img>");
    EXPECT_EQ(GetTagName("plain text"), "");
    EXPECT_FALSE(IOstream::IsTag("<"));
    EXPECT_TRUE(IOstream::IsTag("<>"));

    const std::string tag = "<img name=\"yu\" id=\"3\">";
    const struct {
        std::string tag, name, value;
    } cases[] = {
        {tag, "id", "3"},
        {tag, "name", "yu"},
        {tag, "d", ""},                                  // only inside "id"
        {"<img idx=\"5\">", "id", "5"},                  // a longer name answers too
        {"<name str = \"two words\">", "str", "two words"},
        {"<name str=\"\">", "str", ""},
        {"<name str=plain>", "str", ""},
        {"<name pos=\"right\">", "str", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GetTagAttribute(c.tag, c.name), c.value) << c.tag << " " << c.name;
}
