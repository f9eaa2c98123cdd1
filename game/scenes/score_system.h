// The ten-entry score ranking and its file "data/score/score.dat".
#pragma once
#include <cstdint>
#include <string>

struct ScoreRecord {
    int32_t score = 0;
    int32_t mode = -1;    // -1 for an empty row
    int32_t style = -1;   // shot type; -1 for an empty row
    int32_t year = 0, month = 0, day = 0;
    int32_t playTime = 0;   // frames
    std::string name = "----------";
};

class CScoreSystem {
public:
    // Reads the file; a missing one is written with the default table, a broken
    // one ends the program (error 3).
    CScoreSystem();

    ScoreRecord& GetRecord(int index) { return records_[index]; }
    void SetRecord(int index, ScoreRecord record) { records_[index] = std::move(record); }
    // Moves the records from index on down by one; the old record 9 drops out.
    void Insert(int index, ScoreRecord record);

    bool SaveScoreFile() const;
    void LoadScoreFile();

private:
    ScoreRecord records_[10];
};

// Display names of a mode (-1 to 3) and a shot style (-1 to 1), six characters wide; "------" for an empty
// row and for any value a file may hold outside those. Without paddedBasic, BASIC has no trailing blank.
const char* ModeName(int mode, bool paddedBasic = true);
const char* StyleName(int style);

// Decimal text of a signed 32-bit number.
std::string NumberToText(int32_t n);

extern const char* const ScoreFilePath;
