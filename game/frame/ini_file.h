// "setup.ini": a key/value settings file, and the start-up check of its keys.
#pragma once
#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile();
    // true when the file could not be opened (the lists then keep what they held).
    bool LoadFailed(const std::string& path);
    // The value of the key, "err" when the key is missing.
    std::string Get(const std::string& key) const;
    bool IsMissing(const std::string& key) const;
    // Replaces the value of a key; a new key is added last.
    void Set(const std::string& key, const std::string& value);
    // 0, or the errno of a file that cannot be created (nothing written).
    int Save(const std::string& path) const;

private:
    int Find(const std::string& key) const;   // -1 when missing

    std::vector<std::string> keys_, values_;   // parallel, each ending in a 0xFF sentinel
};

// true when "setup.ini" holds every key with a usable value; on the first
// problem it shows one message box and returns false.
bool CheckSetupIni();
