// The settings file: reading, writing and the start-up check of "setup.ini".
#include "frame/ini_file.h"

#include <cstdio>

#include "frame/encoded_file.h"
#include "frame/game_system.h"
#include "frame/host_files.h"
#include "zovav_host.h"

namespace {
const std::string kSentinel(1, '\xFF');

bool IsSentinel(const std::string& s) { return !s.empty() && s[0] == '\xFF'; }

// A bad value as the message box quotes it: whole when short, else its first
// characters (never half a Shift-JIS character) and "...".
std::string Quoted(const std::string& value) {
    constexpr size_t kMaxQuoted = 32;
    if (value.size() <= kMaxQuoted) return value;
    size_t end = 0;
    for (;;) {
        unsigned char b = static_cast<unsigned char>(value[end]);
        size_t length = HostIsShiftJisLead(b) ? 2 : 1;
        if (end + length > kMaxQuoted) break;
        end += length;
    }
    return value.substr(0, end) + "...";
}
}  // namespace

CIniFile::CIniFile() : keys_{kSentinel}, values_{kSentinel} {}

CIniFile::LoadResult CIniFile::Load(const std::string& path) {
    PathKind kind = PathKindOf(path);
    if (kind == PathKind::kMissing) return LoadResult::kMissing;
    if (kind != PathKind::kRegularFile) return LoadResult::kRefused;   // a device or a pipe may never end
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return LoadResult::kMissing;
    // One byte more than allowed tells a file that is too large, also one
    // that grew after the stat.
    std::string text(size_t(kMaxBytes) + 1, '\0');
    text.resize(fread(&text[0], 1, text.size(), f));
    fclose(f);
    if (text.size() > size_t(kMaxBytes)) return LoadResult::kRefused;

    keys_.clear();
    values_.clear();
    std::string token;
    bool toKeys = true;
    auto append = [&]() {
        (toKeys ? keys_ : values_).push_back(token);
        token.clear();
        toKeys = !toKeys;
    };
    for (char c : text) {
        if (c == '\r') continue;   // CR LF line ends read as LF
        if (c == '=') {
            append();
        } else if (c == '\n') {
            // An empty line adds nothing, so the pairing of keys and values holds.
            if (!toKeys || !token.empty()) append();
        } else {
            token += c;
        }
    }
    // A last key waiting for its value keeps it, even an empty one ("NAME=").
    if (!toKeys || !token.empty()) append();
    if (!toKeys) values_.push_back("");
    keys_.push_back(kSentinel);
    values_.push_back(kSentinel);
    return LoadResult::kLoaded;
}

int CIniFile::Find(const std::string& key) const {
    for (size_t i = 0; i < keys_.size() && !IsSentinel(keys_[i]); ++i)
        if (keys_[i] == key) return int(i);
    return -1;
}

std::string CIniFile::Get(const std::string& key) const {
    int i = Find(key);
    return i < 0 ? std::string("err") : values_[size_t(i)];
}

bool CIniFile::IsMissing(const std::string& key) const { return Find(key) < 0; }

void CIniFile::Set(const std::string& key, const std::string& value) {
    int i = Find(key);
    if (i >= 0) {
        values_[size_t(i)] = value;
        return;
    }
    keys_.back() = key;
    values_.back() = value;
    keys_.push_back(kSentinel);
    values_.push_back(kSentinel);
}

int CIniFile::Save(const std::string& path) const {
    EncodedFileWriter out;   // its default key leaves every byte as it is
    if (!out.Open(path, "wb")) return out.Error();
    for (size_t i = 0; i < keys_.size() && !IsSentinel(keys_[i]); ++i)
        out.WriteString(keys_[i] + "=" + values_[i] + "\n");
    return out.Close() ? 0 : out.Error();
}

bool CheckSetupIni(CIniFile* checked) {
    const std::string prefix = "setup.iniの構文ミスです。\n";
    CIniFile ini;
    if (ini.Load("setup.ini") == CIniFile::LoadResult::kRefused) {
        std::string text = prefix + "setup.iniは64KiB以下の通常のファイルにしてください。";
        Sys().MessageBox("エラー発生 ID=001", text.c_str());
        return false;
    }
    for (const char* key : {"FullScreen", "BGM", "SE", "HardDraw", "NAME"}) {
        std::string text;
        if (ini.IsMissing(key)) {
            text = prefix + key + "が存在しません。";
        } else {
            std::string value = ini.Get(key);
            bool isName = std::string(key) == "NAME";
            if (isName && value.size() > 10)
                text = prefix + key + "に異常な値(" + Quoted(value) + ")が設定されています。\n文字数が多すぎます。";
            else if (!isName && (value.empty() || value[0] < '0' || value[0] > '9'))
                text = prefix + key + "に異常な値(" + Quoted(value) + ")が設定されています。\n半角数字の0か1を設定してください。";
        }
        if (!text.empty()) {
            Sys().MessageBox("エラー発生 ID=001", text.c_str());
            return false;
        }
    }
    if (checked) *checked = ini;
    return true;
}
