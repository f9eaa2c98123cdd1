// The settings file: reading, writing and the start-up check of "setup.ini".
#include "frame/ini_file.h"

#include <cerrno>
#include <cstdio>

#include "frame/game_system.h"

namespace {
const std::string kSentinel(1, '\xFF');

bool IsSentinel(const std::string& s) { return !s.empty() && s[0] == '\xFF'; }
}  // namespace

CIniFile::CIniFile() : keys_{kSentinel}, values_{kSentinel} {}

bool CIniFile::LoadFailed(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return true;
    keys_.clear();
    values_.clear();
    std::string token;
    bool toKeys = true;
    auto append = [&]() {
        (toKeys ? keys_ : values_).push_back(token);
        token.clear();
        toKeys = !toKeys;
    };
    for (int c; (c = fgetc(f)) != EOF;) {
        if (c == '\r') continue;   // CR LF line ends read as LF
        if (c == '=') {
            append();
        } else if (c == '\n') {
            // An empty line adds nothing, so the pairing of keys and values holds.
            if (!toKeys || !token.empty()) append();
        } else {
            token += static_cast<char>(c);
        }
    }
    // A last key waiting for its value keeps it, even an empty one ("NAME=").
    if (!toKeys || !token.empty()) append();
    if (!toKeys) values_.push_back("");
    fclose(f);
    keys_.push_back(kSentinel);
    values_.push_back(kSentinel);
    return false;
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
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return errno;
    for (size_t i = 0; i < keys_.size() && !IsSentinel(keys_[i]); ++i)
        fprintf(f, "%s=%s\n", keys_[i].c_str(), values_[i].c_str());
    return fclose(f);
}

bool CheckSetupIni() {
    CIniFile ini;
    ini.LoadFailed("setup.ini");
    const std::string prefix = "setup.iniの構文ミスです。\n";
    for (const char* key : {"FullScreen", "BGM", "SE", "HardDraw", "NAME"}) {
        std::string text;
        if (ini.IsMissing(key)) {
            text = prefix + key + "が存在しません。";
        } else {
            std::string value = ini.Get(key);
            bool isName = std::string(key) == "NAME";
            if (isName && value.size() > 10)
                text = prefix + key + "に異常な値(" + value + ")が設定されています。\n文字数が多すぎます。";
            else if (!isName && (value.empty() || value[0] < '0' || value[0] > '9'))
                text = prefix + key + "に異常な値(" + value + ")が設定されています。\n半角数字の0か1を設定してください。";
        }
        if (!text.empty()) {
            Sys().MessageBox("エラー発生 ID=001", text.c_str());
            return false;
        }
    }
    return true;
}
