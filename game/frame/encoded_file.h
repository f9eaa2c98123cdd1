// The game's scrambled data and save files: a byte-wise writer and reader that
// combine every byte with two bytes of a key string.
#pragma once
#include <cstdio>
#include <string>

// The key of every data and save file the game reads or writes.
extern const char* const DataFileKey;

// One byte through the scramble at key position p (its own inverse).
inline unsigned char ScrambleByte(unsigned char b, const std::string& key, int p) {
    size_t k = key.size();
    return static_cast<unsigned char>(b ^ static_cast<unsigned char>(key[size_t(p) % k]) ^
                                      static_cast<unsigned char>(key[size_t(p + 1) % k]));
}

// Writes a file under a temporary name and renames it into place on Close,
// so a failed write never destroys the file that was there; the temporary
// file is made afresh, never through a link at its name; a file marked
// read-only is left as it is. Every failure is logged.
class EncodedFileWriter {
public:
    EncodedFileWriter();
    ~EncodedFileWriter();
    EncodedFileWriter(const EncodedFileWriter&) = delete;
    EncodedFileWriter& operator=(const EncodedFileWriter&) = delete;

    void Reset();
    void SetKey(const std::string& key) { key_ = key; }
    // false (logged) when the file cannot be created; writes are then ignored.
    bool Open(const std::string& path, const char* mode);
    void PutChar(char c);
    void WriteString(const std::string& s);
    // false when the data could not be written or put in place.
    bool Close();
    // The errno of the first step that failed since Open, 0 while none did.
    int Error() const { return error_; }

private:
    FILE* stream_ = nullptr;
    std::string key_;
    bool open_ = false;
    int keyPos_ = 0;
    std::string path_, tempPath_;
    int error_ = 0;
};

class EncodedFileReader {
public:
    EncodedFileReader();
    ~EncodedFileReader();
    EncodedFileReader(const EncodedFileReader&) = delete;
    EncodedFileReader& operator=(const EncodedFileReader&) = delete;

    void Reset();
    void SetKey(const std::string& key) { key_ = key.empty() ? std::string(1, '\0') : key; }
    bool Open(const std::string& path, const char* mode);
    // The next byte 0..255, or -1 at the end of the file or when not open.
    int GetChar();
    // The next line without its LF; at the end of the file the text gathered so
    // far and the file is closed; "err" once closed.
    std::string ReadLine();
    // True when not open, or once a read has tried to go past the last byte.
    bool IsEof() const;
    void Close();

private:
    FILE* stream_ = nullptr;
    std::string key_;
    bool open_ = false;
    int keyPos_ = 0;
};
