// Tokenisers of the game's scripts and tables, and tag attribute lookup.
#include "frame/lexer.h"

#include <cstdio>

#include "frame/encoded_file.h"

namespace IOstream {

void CLexer::Clear() {
    key_.clear();
    tokens_.clear();
}

std::string CLexer::GetToken(bool pop) {
    if (tokens_.empty()) return "err";
    std::string t = tokens_.front();
    if (pop) tokens_.pop_front();
    return t;
}

bool CLexer::IsSeparator(char c) const {
    return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '"' || c == ',' || c == ':' ||
           c == ';';
}

bool CLexer::IsOperator(char c) const { return c == '*' || c == '+' || c == '/' || c == '='; }

template <class Turn>
bool CLexer::ReadBytes(const std::string& path, Turn turn) {
    if (key_.empty()) key_.assign(1, '\0');
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    int pos = 0;
    auto read = [&]() -> int {
        int b = fgetc(f);
        if (b == EOF) return -1;
        b = ScrambleByte(static_cast<unsigned char>(b), key_, pos);
        pos += 2;
        return b;
    };
    int previous = -1, current = -1, next = read();
    while (next >= 0) {
        previous = current;
        current = next;
        next = read();
        turn(previous, static_cast<char>(current), next);
    }
    fclose(f);
    return true;
}

bool CLexer::Load(const std::string& path, bool keepNewlines) {
    std::string token;
    bool lineComment = false, blockComment = false, quoted = false;
    auto flush = [&]() {
        if (!token.empty()) Push(token);
        token.clear();
    };
    auto newlineMark = [&](char c) {
        if (keepNewlines && c == '\n') Push("\n");
    };
    bool ok = ReadBytes(path, [&](int previous, char c, int next) {
        if (lineComment) {
            if (c == '\n') lineComment = false;
        } else if (blockComment) {
            if (previous == '*' && c == '/') blockComment = false;
        } else if (quoted) {
            if (c == '"') {
                Push(token);
                token.clear();
                quoted = false;
            } else {
                token += c;
            }
        } else if (c == '"') {
            flush();
            quoted = true;
        } else if (c == '/' && next == '/') {
            lineComment = true;
        } else if (c == '/' && next == '*') {
            blockComment = true;
        } else if (IsOperator(c)) {
            flush();
            Push(std::string(1, c));
            newlineMark(c);
        } else if (IsSeparator(c)) {
            flush();
            OnSeparator(c);
            newlineMark(c);
        } else {
            token += c;
        }
    });
    if (!ok) return false;
    flush();
    // The closing newline mark goes after the last token; a load that gave no
    // token at all adds none.
    if (keepNewlines && !tokens_.empty() && tokens_.back()[0] != '\n') Push("\n");
    return true;
}

void CLexerEndAdd::OnSeparator(char c) {
    if (c == ';') Push(";");
}

bool CTagLexer::LoadTags(const std::string& path) {
    std::string text, tag;
    bool inTag = false, lineComment = false, blockComment = false;
    bool ok = ReadBytes(path, [&](int previous, char c, int next) {
        if (lineComment) {
            if (c == '\n') lineComment = false;
        } else if (blockComment) {
            if (previous == '*' && c == '/') blockComment = false;
        } else if (c == '/' && (next == '/' || next == '*')) {
            (next == '/' ? lineComment : blockComment) = true;
        } else if (c == '\r' || c == '\n') {
        } else if (c == '>' && inTag) {
            tag += c;
            Push(tag);
            tag.clear();
            inTag = false;
        } else if (c == '<' && !inTag) {
            inTag = true;
            tag = "<";
            if (!text.empty()) Push(text);
            text.clear();
        } else {
            (inTag ? tag : text) += c;
        }
    });
    if (!ok) return false;
    if (!text.empty()) Push(text);
    if (!tag.empty()) Push(tag);
    return true;
}

bool IsTag(const std::string& token) {
    return !token.empty() && token.front() == '<' && token.back() == '>';
}

std::string GetTagName(const std::string& token) {
    if (!IsTag(token)) return "";
    return token.substr(0, token.find_first_of(" >")) + ">";
}

std::string GetTagAttribute(const std::string& tag, const std::string& name) {
    std::string s = tag;
    for (;;) {
        size_t at = s.find(name);
        if (at == std::string::npos || at == 0) return "";
        if (s[at - 1] == ' ') {
            s = s.substr(at + name.size());
            break;
        }
        s = s.substr(at + 1);
    }
    size_t eq = s.find('=');
    if (eq == std::string::npos) return "";
    s = s.substr(eq + 1);
    size_t open = s.find('"');
    if (open == std::string::npos) return "";
    s = s.substr(open + 1);
    size_t close = s.find('"');
    if (close == std::string::npos || close == 0) return "";
    return s.substr(0, close);
}

}  // namespace IOstream
