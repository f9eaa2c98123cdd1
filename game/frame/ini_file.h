// "setup.ini": a key/value settings file, and the start-up check of its keys.
#pragma once
#include <string>
#include <vector>

class CIniFile {
public:
    // The settings are a few short lines; anything larger is not a settings
    // file (a device or a runaway file would otherwise be read for ever).
    static constexpr long kMaxBytes = 64 * 1024;
    enum class LoadResult { kLoaded, kMissing, kRefused };

    CIniFile();
    // kMissing when the file cannot be opened, kRefused when it is not a
    // regular file or holds more than kMaxBytes; the lists change only on
    // kLoaded.
    LoadResult Load(const std::string& path);
    // The value of the key, "err" when the key is missing.
    std::string Get(const std::string& key) const;
    bool IsMissing(const std::string& key) const;
    // Replaces the value of a key; a new key is added last.
    void Set(const std::string& key, const std::string& value);
    // Writes the file under a temporary name and renames it into place: 0, or
    // the errno of the step that failed (the old file is kept and the log
    // says why).
    int Save(const std::string& path) const;

private:
    int Find(const std::string& key) const;   // -1 when missing

    std::vector<std::string> keys_, values_;   // parallel, each ending in a 0xFF sentinel
};

// true when "setup.ini" holds every key with a usable value (then `checked`,
// when given, holds the file as read); on the first problem it shows one
// message box and returns false.
bool CheckSetupIni(CIniFile* checked = nullptr);
