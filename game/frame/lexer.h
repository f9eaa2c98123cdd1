// Lexers over the scrambled script and table files: words and operators
// (CLexer), the same with ';' tokens (CLexerEndAdd), tags and text runs
// (CTagLexer), and the helpers that read a single tag.
#pragma once
#include <deque>
#include <string>

namespace IOstream {

class CLexer {
public:
    CLexer() { Clear(); }
    virtual ~CLexer() = default;

    void Clear();
    void SetKey(const std::string& key) { key_ = key; }
    // "err" when no token is left; the front token is removed when pop is set.
    std::string GetToken(bool pop);
    bool IsEmpty() const { return tokens_.empty(); }

    virtual bool IsSeparator(char c) const;
    virtual bool IsOperator(char c) const;
    virtual void OnSeparator(char c) {}
    // Appends the file's tokens; false when the file cannot be opened.
    virtual bool Load(const std::string& path, bool keepNewlines);

protected:
    // Calls turn(previous, current, lookAheadIsReal ? next : -1) for every byte.
    template <class Turn>
    bool ReadBytes(const std::string& path, Turn turn);
    void Push(const std::string& token) { tokens_.push_back(token); }

    std::string key_;
    std::deque<std::string> tokens_;
};

class CLexerEndAdd : public CLexer {
public:
    void OnSeparator(char c) override;
};

class CTagLexer : public CLexer {
public:
    // Splits the file into tags ("<...>") and runs of text between them.
    bool LoadTags(const std::string& path);
};

bool IsTag(const std::string& token);
std::string GetTagName(const std::string& token);
std::string GetTagAttribute(const std::string& tag, const std::string& name);

}  // namespace IOstream
