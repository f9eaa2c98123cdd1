// Scrambled data and save files: writer (temporary name, then rename) and reader.
#include "frame/encoded_file.h"

#include "frame/game_system.h"

const char* const DataFileKey = "KVrtoYwHBA";

EncodedFileWriter::EncodedFileWriter() { Reset(); }

EncodedFileWriter::~EncodedFileWriter() { Close(); }

void EncodedFileWriter::Reset() {
    key_.assign(1, '\0');
    open_ = false;
}

bool EncodedFileWriter::Open(const std::string& path, const char* mode) {
    Close();
    path_ = path;
    tempPath_ = path + ".tmp";
    stream_ = fopen(tempPath_.c_str(), mode);
    if (!stream_) {
        GameLog("%s を書き込み用に開けませんでした", path.c_str());
        return false;
    }
    keyPos_ = 0;
    open_ = true;
    failed_ = false;
    if (key_.empty()) key_.assign(1, '\0');
    return true;
}

void EncodedFileWriter::PutChar(char c) {
    if (!open_) return;
    unsigned char b = ScrambleByte(static_cast<unsigned char>(c), key_, keyPos_);
    keyPos_ += 2;
    if (fputc(b, stream_) == EOF) failed_ = true;
}

void EncodedFileWriter::WriteString(const std::string& s) {
    for (char c : s) PutChar(c);
}

bool EncodedFileWriter::Close() {
    if (!open_) return true;
    open_ = false;
    bool ok = fclose(stream_) == 0 && !failed_;
    stream_ = nullptr;
    if (ok && rename(tempPath_.c_str(), path_.c_str()) != 0) ok = false;
    if (!ok) {
        remove(tempPath_.c_str());
        GameLog("%s を書き込めませんでした", path_.c_str());
    }
    return ok;
}

EncodedFileReader::EncodedFileReader() { Reset(); }

EncodedFileReader::~EncodedFileReader() { Close(); }

void EncodedFileReader::Reset() {
    Close();
    keyPos_ = 0;
    key_.assign(1, '\0');
}

bool EncodedFileReader::Open(const std::string& path, const char* mode) {
    FILE* f = fopen(path.c_str(), mode);
    if (!f) return false;
    Close();
    stream_ = f;
    open_ = true;
    return true;
}

int EncodedFileReader::GetChar() {
    if (!open_) return -1;
    int b = fgetc(stream_);
    if (b == EOF) return -1;
    b = ScrambleByte(static_cast<unsigned char>(b), key_, keyPos_);
    keyPos_ += 2;
    return b;
}

std::string EncodedFileReader::ReadLine() {
    if (!open_) return "err";
    std::string line;
    for (;;) {
        int c = GetChar();
        if (c < 0) {
            Close();
            return line;
        }
        if (c == '\n') return line;
        line += static_cast<char>(c);
    }
}

bool EncodedFileReader::IsEof() const { return !open_ || feof(stream_) != 0; }

void EncodedFileReader::Close() {
    if (!open_) return;
    fclose(stream_);
    stream_ = nullptr;
    open_ = false;
}
