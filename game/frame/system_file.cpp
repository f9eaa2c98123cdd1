// "data/dat/system.dat": best stage, ending seen and last stage between runs.
#include <cstdio>
#include <cstdlib>

#include "frame/encoded_file.h"
#include "frame/game.h"

bool CGame::SaveSystem() {
    EncodedFileWriter out;
    out.SetKey(DataFileKey);
    if (!out.Open("data/dat/system.dat", "wb")) return false;
    out.WriteString("KLOV_SYSTEM\n");
    for (int v : {bestStage_, endingSeen_, lastStage_}) {
        char line[16];
        snprintf(line, sizeof line, "%d\n", v);
        out.WriteString(line);
    }
    return out.Close();
}

bool CGame::LoadSystem() {
    bestStage_ = 0;
    endingSeen_ = 0;
    lastStage_ = 3;
    EncodedFileReader in;
    in.SetKey(DataFileKey);
    if (!in.Open("data/dat/system.dat", "rb")) {
        SaveSystem();
        return true;
    }
    if (in.ReadLine() != "KLOV_SYSTEM") return false;
    bestStage_ = atoi(in.ReadLine().c_str());
    endingSeen_ = atoi(in.ReadLine().c_str());
    lastStage_ = atoi(in.ReadLine().c_str());
    if (lastStage_ < 3) lastStage_ = 3;
    return true;
}
