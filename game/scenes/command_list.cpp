// The stage command script: reading a stage file into commands, running them frame by frame, and choosing the
// script for the play mode and stage.
#include "scenes/command_list.h"

#include <cstdlib>

#include "actors/enemy.h"
#include "actors/enemy_kinds.h"
#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/host_files.h"
#include "frame/lexer.h"
#include "scenes/play_flow.h"

namespace {

int FindKind(const std::string& word) {
    for (int i = 0; EnemyKindNames[i] != std::string("end"); ++i)
        if (word == EnemyKindNames[i]) return i;
    return -1;
}

// "enemy KIND X Y P0 .. P9 ;": a missing x or y (";" in its place) drops the command.
void ReadEnemy(IOstream::CLexer& lex, std::vector<std::unique_ptr<CCommand>>& out) {
    int kind = FindKind(lex.GetToken(true));
    if (kind < 0) return;
    std::string xs = lex.GetToken(true);
    if (xs == ";") return;
    std::string ys = lex.GetToken(true);
    if (ys == ";") return;
    std::vector<int> params;
    while (params.size() < 10 && !lex.IsEmpty() && lex.GetToken(false) != ";")
        params.push_back(std::atoi(lex.GetToken(true).c_str()));
    params.resize(10, 0);
    out.push_back(std::make_unique<CEnemyCommand>(EnemyCreators[kind], (float)std::atof(xs.c_str()),
                                                  (float)std::atof(ys.c_str()), std::move(params)));
}

void ReadMusic(IOstream::CLexer& lex, std::vector<std::unique_ptr<CCommand>>& out) {
    std::string a = lex.GetToken(true);
    if (a == ";") return;
    std::string b = lex.GetToken(true);
    if (a == "play") {
        if (b != ";") out.push_back(std::make_unique<CMusicPlayCommand>(b));
    } else if (a == "stop") {
        out.push_back(std::make_unique<CMusicStopCommand>());
    }
}

}  // namespace

void CCommandList::Clear() {
    commands_.clear();
    deadEnd_.clear();
    next_ = 0;
    wait_ = 0;
    stop_ = false;
    g_game->SetStageClearShown(false);
}

void CCommandList::Load(const std::string& path) {
    Clear();
    IOstream::CLexerEndAdd lex;
    lex.Clear();
    lex.SetKey(DataFileKey);
    bool opened = lex.Load(path, false), hadWords = !lex.IsEmpty(), endsStage = false;
    while (!lex.IsEmpty()) {
        std::string word = lex.GetToken(true);
        if (word == "enemy") {
            ReadEnemy(lex, commands_);
        } else if (word == "wait") {
            std::string n = lex.GetToken(true);
            if (n != ";") commands_.push_back(std::make_unique<CWaitCommand>(std::atoi(n.c_str())));
        } else if (word == "music") {
            ReadMusic(lex, commands_);
        } else if (word == "gameover") {
            commands_.push_back(std::make_unique<CGameOverCommand>());
            endsStage = true;
        } else if (word == "clear") {
            commands_.push_back(std::make_unique<CStageClearCommand>());
            endsStage = true;
        } else if (word == "message") {
            std::string f = lex.GetToken(true);
            if (f != ";") commands_.push_back(std::make_unique<CMessageCommand>("data/dat/" + f));
        }
    }
    if (endsStage) return;
    // A folder opens and reads as nothing; it is not an empty script.
    const char* why = !opened                                      ? "を開けません"
                      : PathKindOf(path) != PathKind::kRegularFile ? "はファイルではありません"
                      : !hadWords                                  ? "は空です"
                      : commands_.empty()                          ? "にコマンドがありません"
                                                                     : "は clear も gameover もないまま終わります";
    deadEnd_ = "ステージスクリプト " + path + " " + why;
}

void CCommandList::Update() {
    if (stop_) return;
    if (wait_ < 1) {
        // Every command up to the next wait or hold runs in this frame.
        while (next_ < (int)commands_.size() && wait_ <= 0 && !stop_) commands_[next_++]->Execute();
    } else {
        --wait_;
    }
}

bool CCommandList::IsFinished() const {
    return next_ >= (int)commands_.size() || g_game->IsStageClearShown();
}

void CEnemyCommand::Execute() {
    CEnemy* enemy = creator_(x_, y_);
    if (enemy) enemy->AppendParams(params_);
}

void CWaitCommand::Execute() { g_game->Script().SetWait(frames_); }

void CMusicPlayCommand::Execute() { g_game->PlayMusic(name_); }

// Stops the game's own music (the library's music call would leave it playing).
void CMusicStopCommand::Execute() { g_game->Music().Stop(); }

void CMessageCommand::Execute() {
    // The watcher's slot is taken first, the window is built first, so the window moves first.
    void* slot = CScene::operator new(sizeof(CStopWarning));
    if (!slot) return;
    CWarning* warning = new CWarning(path_);
    if (!warning) {
        CScene::operator delete(slot);
        return;
    }
    ::new (slot) CStopWarning(warning);
}

void CGameOverCommand::Execute() { new CGameOver(); }

void CStageClearCommand::Execute() { new CStageClear(); }

// The game object's stage start lives with the script it loads.
void CGame::StartStage(int stage) {
    if (GetMode() == 0) {
        SetStageName("空の部屋");
        Script().Load("data/dat/room.dat");
        return;
    }
    SetStage(stage);
    new CStageMessage();
    static const char* const kFiles[] = {"stage0", "stage1", "stage2", "stage3"};
    static const char* const kNames[] = {"無き世界", "魔女の森", "静寂の海", "上の大地"};
    int i = (stage >= 1 && stage <= 3) ? stage : 0;
    SetStageName(kNames[i]);
    Script().Load(std::string("data/dat/") + kFiles[i] + ".dat");
}
