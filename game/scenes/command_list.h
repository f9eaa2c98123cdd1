// The stage script runner: reads a stage file into commands and plays them frame by frame; where the script
// stands, how long it waits and whether something holds it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "actors/enemy_kinds.h"

class CCommand {
public:
    virtual ~CCommand() = default;
    virtual void Execute() = 0;
};

class CCommandList {
public:
    // Clears the runner, then reads the scrambled script at path into commands.
    void Load(const std::string& path);
    void Clear();
    // One frame of the script.
    void Update();
    bool IsFinished() const;
    void SetStop(bool stop) { stop_ = stop; }
    void SetWait(int frames) { wait_ = frames; }

    bool IsStop() const { return stop_; }
    int Position() const { return next_; }
    int Wait() const { return wait_; }
    int GetCount() const { return (int)commands_.size(); }
    const CCommand* GetCommand(int i) const { return commands_[i].get(); }
    // What keeps the loaded script from ending its stage (missing, empty, junk, or no `clear` nor `gameover`),
    // naming the file; empty when the script can end it.
    const std::string& DeadEnd() const { return deadEnd_; }

private:
    int next_ = 0;
    int wait_ = 0;
    bool stop_ = false;
    std::string deadEnd_;
    std::vector<std::unique_ptr<CCommand>> commands_;
};

class CEnemyCommand : public CCommand {
public:
    CEnemyCommand(EnemyCreator creator, float x, float y, std::vector<int> params)
        : creator_(creator), x_(x), y_(y), params_(std::move(params)) {}
    void Execute() override;
    const std::vector<int>& Params() const { return params_; }
    float X() const { return x_; }
    float Y() const { return y_; }
    EnemyCreator Creator() const { return creator_; }

private:
    EnemyCreator creator_;
    float x_, y_;
    std::vector<int> params_;   // always ten values
};

class CWaitCommand : public CCommand {
public:
    explicit CWaitCommand(int frames) : frames_(frames) {}
    void Execute() override;

private:
    int frames_;
};

class CMusicPlayCommand : public CCommand {
public:
    explicit CMusicPlayCommand(std::string name) : name_(std::move(name)) {}
    void Execute() override;

private:
    std::string name_;
};

class CMusicStopCommand : public CCommand {
public:
    void Execute() override;
};

class CMessageCommand : public CCommand {
public:
    explicit CMessageCommand(std::string path) : path_(std::move(path)) {}
    void Execute() override;

private:
    std::string path_;
};

class CGameOverCommand : public CCommand {
public:
    void Execute() override;
};

class CStageClearCommand : public CCommand {
public:
    void Execute() override;
};
