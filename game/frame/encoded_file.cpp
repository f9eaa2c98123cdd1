// Scrambled data and save files: writer (temporary name, then rename) and reader.
#include "frame/encoded_file.h"

#include <cerrno>
#include <cstring>

#include "frame/game_system.h"
#include "frame/host_files.h"

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
    error_ = 0;
    // The rename would replace a read-only file that writing in place could
    // not touch; the player's choice stands.
    if (IsWriteProtected(path)) {
        error_ = EACCES;
        GameLog("%s は読み取り専用のため書き込みませんでした", path.c_str());
        return false;
    }
    stream_ = CreateFreshFile(tempPath_, mode);
    if (!stream_) {
        error_ = errno;
        GameLog("%s を書き込み用に開けませんでした", path.c_str());
        return false;
    }
    keyPos_ = 0;
    open_ = true;
    if (key_.empty()) key_.assign(1, '\0');
    return true;
}

void EncodedFileWriter::PutChar(char c) {
    if (!open_) return;
    unsigned char b = ScrambleByte(static_cast<unsigned char>(c), key_, keyPos_);
    keyPos_ += 2;
    if (fputc(b, stream_) == EOF && error_ == 0) error_ = errno;
}

void EncodedFileWriter::WriteString(const std::string& s) {
    for (char c : s) PutChar(c);
}

bool EncodedFileWriter::Close() {
    if (!open_) return true;
    open_ = false;
    if (fclose(stream_) != 0 && error_ == 0) error_ = errno;
    stream_ = nullptr;
    if (error_ == 0) error_ = ReplaceFile(tempPath_, path_);
    if (error_ != 0) {
        RemoveFile(tempPath_);
        GameLog("%s を書き込めませんでした: %s", path_.c_str(), strerror(error_));
    }
    return error_ == 0;
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
