// The score ranking: insertion, and the encoded score file.
#include "scenes/score_system.h"

#include <cstdlib>

#include "frame/encoded_file.h"
#include "frame/game.h"

const char* const ScoreFilePath = "data/score/score.dat";

namespace {
const char* const kMagic = "KLOV_SYSTEM";

// A leading sign and digits; anything else reads as 0.
int32_t TextToNumber(const std::string& s) { return int32_t(strtol(s.c_str(), nullptr, 10)); }
}  // namespace

const char* ModeName(int mode, bool paddedBasic) {
    static const char* const kNames[] = {"------", "BASIC ", "EASY  ", "NORMAL", "CRISIS"};
    if (mode == 0 && !paddedBasic) return "BASIC";
    return mode >= -1 && mode <= 3 ? kNames[mode + 1] : kNames[0];
}

const char* StyleName(int style) {
    static const char* const kNames[] = {"------", "NORMAL", "DIRECT"};
    return style >= -1 && style <= 1 ? kNames[style + 1] : kNames[0];
}

std::string NumberToText(int32_t n) {
    if (n == 0) return "0";
    int64_t v = n;
    bool negative = v < 0;
    if (negative) v = -v;
    std::string digits;
    for (; v > 0; v /= 10) digits += char('0' + v % 10);
    if (negative) digits += '-';
    return std::string(digits.rbegin(), digits.rend());
}

CScoreSystem::CScoreSystem() { LoadScoreFile(); }

void CScoreSystem::Insert(int index, ScoreRecord record) {
    for (int j = 9; j > index; --j) records_[j] = records_[j - 1];
    records_[index] = std::move(record);
}

bool CScoreSystem::SaveScoreFile() const {
    EncodedFileWriter out;
    out.SetKey(DataFileKey);
    if (!out.Open(ScoreFilePath, "wb")) return false;
    out.WriteString(std::string(kMagic) + "\n");
    for (const ScoreRecord& r : records_) {
        for (int32_t n : {r.score, r.mode, r.style, r.year, r.month, r.day, r.playTime})
            out.WriteString(NumberToText(n) + "\n");
        out.WriteString(r.name + "\n");
    }
    return out.Close();
}

void CScoreSystem::LoadScoreFile() {
    for (ScoreRecord& r : records_) r = ScoreRecord();
    EncodedFileReader in;
    in.SetKey(DataFileKey);
    if (!in.Open(ScoreFilePath, "rb")) {
        SaveScoreFile();
        return;
    }
    if (in.ReadLine() != kMagic) CGame::FatalError(3);
    for (ScoreRecord& r : records_) {
        if (in.IsEof()) break;
        int32_t* fields[] = {&r.score, &r.mode, &r.style, &r.year, &r.month, &r.day, &r.playTime};
        for (int32_t* f : fields) *f = TextToNumber(in.ReadLine());
        // A file that ends before the name line, or where the name line
        // should start, is cut off; a name that runs into the end of the file
        // is the last line.
        bool cutOff = in.IsEof();
        r.name = in.ReadLine();
        if (r.name.empty() && in.IsEof()) cutOff = true;
        if (cutOff || r.name.size() > 100) CGame::FatalError(3);
    }
}
