// The talk window: a message script of text runs and tags, shown a page at a
// time and stepped with the decide button.
#pragma once
#include <string>
#include <vector>

class CMessageScript {
public:
    // A missing file gives a script that holds only "<end>".
    void Load(const std::string& path);
    // One update; false once the script has ended or was left with cancel.
    bool Advance();
    void Draw() const;

    const std::vector<std::string>& Tokens() const { return tokens_; }

private:
    enum StepResult { STEP_ENDED, STEP_PAGE_SHOWN, STEP_RAN_OUT };
    StepResult Step();

    int idleCount_ = 0;
    std::vector<std::string> tokens_;
    bool buttonHeld_ = false;
};
