// zvdat: makes the game's scrambled data files from UTF-8 text and reads them
// back.
//   zvdat encode IN OUT   UTF-8 text -> Shift-JIS -> scrambled with the data key
//   zvdat decode IN OUT   the reverse
// Text with a character that Shift-JIS lacks is refused, naming its line; so
// is a folder given as IN.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/encoded_file.h"
#include "platform/text_iconv.h"

namespace {

int Fail(const std::string& message) {
    fprintf(stderr, "zvdat: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

// Length of the UTF-8 sequence that starts with byte b (1 for stray bytes).
size_t SequenceLength(unsigned char b) {
    return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

// Names the first character of a line that has no Shift-JIS form.
std::string Unconvertible(const std::string& line) {
    std::string sjis;
    for (size_t i = 0; i < line.size();) {
        std::string ch = line.substr(i, SequenceLength(static_cast<unsigned char>(line[i])));
        if (Utf8ToShiftJis(ch.c_str(), sjis) != 0) return "\"" + ch + "\"";
        i += ch.size();
    }
    return "a byte that is not UTF-8";
}

int Encode(const std::string& in, const std::string& out) {
    std::string text;
    if (!ReadFile(in, text)) return Fail("cannot read " + in);
    if (text.find('\0') != std::string::npos) return Fail(in + " holds a NUL byte; it is not text");
    std::string sjis, converted;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (Utf8ToShiftJis(line.c_str(), converted) != 0)
            return Fail(in + ":" + std::to_string(number) + ": " + Unconvertible(line) + " has no Shift-JIS form");
        sjis += converted;
        if (!lines.eof()) sjis += '\n';
    }
    EncodedFileWriter writer;
    writer.SetKey(DataFileKey);
    if (!writer.Open(out, "wb")) return Fail("cannot write " + out);
    writer.WriteString(sjis);
    return writer.Close() ? 0 : Fail("cannot write " + out);
}

int Decode(const std::string& in, const std::string& out) {
    EncodedFileReader reader;
    reader.SetKey(DataFileKey);
    if (!reader.Open(in, "rb")) return Fail("cannot read " + in);
    std::string sjis;
    for (int c; (c = reader.GetChar()) >= 0;) sjis += static_cast<char>(c);
    if (sjis.find('\0') != std::string::npos) return Fail(in + " decodes to a NUL byte; wrong key or not a data file");
    std::string utf8;
    if (ShiftJisToUtf8(sjis.c_str(), utf8) != 0) return Fail(in + " does not decode to Shift-JIS text");
    std::ofstream o(out, std::ios::binary);
    o << utf8;
    return o.good() ? 0 : Fail("cannot write " + out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc == 4 ? argv[1] : "";
    // A folder opens and reads as nothing: it would pass for an empty file.
    std::error_code ec;
    if ((mode == "encode" || mode == "decode") && std::filesystem::is_directory(argv[2], ec))
        return Fail(std::string(argv[2]) + " is a folder; give a file");
    if (mode == "encode") return Encode(argv[2], argv[3]);
    if (mode == "decode") return Decode(argv[2], argv[3]);
    fprintf(stderr, "usage: zvdat encode|decode IN OUT\n");
    return 2;
}
