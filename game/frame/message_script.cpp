// The message script: loading, stepping page by page, and drawing the page.
#include "frame/message_script.h"

#include <cstdlib>

#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/lexer.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "zovav.h"

namespace {
constexpr int kIdleStep = 3600;

int Attribute(const std::string& tag, const char* name) {
    return atoi(IOstream::GetTagAttribute(tag, name).c_str());
}
}  // namespace

void CMessageScript::Load(const std::string& path) {
    IOstream::CTagLexer lexer;
    lexer.Clear();
    lexer.SetKey(DataFileKey);
    lexer.LoadTags(path);
    tokens_.clear();
    while (!lexer.IsEmpty()) tokens_.push_back(lexer.GetToken(true));
    tokens_.push_back("<end>");
    buttonHeld_ = true;
    idleCount_ = 0;
}

// One page step: drops the "<stop>" of the page on screen and everything up to
// a "<clear>"; ends the script at "<end>".
CMessageScript::StepResult CMessageScript::Step() {
    buttonHeld_ = true;
    idleCount_ = 0;
    bool stopSeen = false;
    for (size_t i = 0; i < tokens_.size(); ++i) {
        std::string name = IOstream::GetTagName(tokens_[i]);
        if (name == "<end>") {
            tokens_.clear();
            return STEP_ENDED;
        }
        if (name == "<stop>") {
            if (stopSeen) return STEP_PAGE_SHOWN;
            stopSeen = true;
            tokens_.erase(tokens_.begin() + long(i));
            i = size_t(-1);
        } else if (name == "<clear>") {
            tokens_.erase(tokens_.begin(), tokens_.begin() + long(i) + 1);
            i = size_t(-1);
        }
    }
    return STEP_RAN_OUT;
}

bool CMessageScript::Advance() {
    int k = g_game->GetInput() & kPadPlayBits;   // only the recorded pad bits steer a talk
    ++idleCount_;
    if ((k == kPadDecide && !buttonHeld_ && !g_game->IsPaused()) || idleCount_ > kIdleStep) {
        StepResult r = Step();
        if (r != STEP_RAN_OUT) return r == STEP_PAGE_SHOWN;
    }
    if (k == kPadCancel && !buttonHeld_) return false;
    buttonHeld_ = k != 0;
    return !tokens_.empty();
}

void CMessageScript::Draw() const {
    CScreenHelper& screen = g_game->Screen();
    const int white = GetColor(255, 255, 255);
    int line = 0, pen = 0;
    for (const std::string& t : tokens_) {
        std::string name = IOstream::GetTagName(t);
        if (name == "<stop>") return;
        if (name == "<br>") {
            pen = 0;
            ++line;
        } else if (name == "<window>") {
            screen.DrawWindowFrame(20, 300, 432, 150, 230);
        } else if (name == "<img>") {
            static const char* const kCharacters[] = {"fuka", "ryu", "yu", "maria"};
            std::string who = IOstream::GetTagAttribute(t, "name");
            int id = Attribute(t, "id"), alpha = Attribute(t, "alpha");
            // Pictures count from 1 (0 or none is the first); an id below that names no picture.
            int picture = id == 0 ? 0 : id > 0 ? id - 1 : -1;
            if (alpha != 0) SetDrawBlendMode(ZV_BLEND_ALPHA, alpha);
            for (int c = 0; c < 4; ++c)
                if (who == kCharacters[c]) g_game->Faces(c).Draw(picture, Attribute(t, "dx"), Attribute(t, "dy"));
            if (alpha != 0) SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        } else if (name == "<name>") {
            int x = IOstream::GetTagAttribute(t, "pos") == "right" ? 340 : 20;
            screen.DrawWindowFrame(x, 270, 100, 20, 230);
            std::string text = IOstream::GetTagAttribute(t, "str");
            int w = GetDrawStringWidth(text.c_str(), int(text.size()), 0);
            DrawStringToHandle(x + (100 - w) / 2, 275, text.c_str(), white, screen.Font(3), 0, 0);
        } else if (name.empty()) {
            DrawStringToHandle(30 + pen, 320 + 30 * line, t.c_str(), white, screen.Font(9), 0, 0);
            pen += GetDrawStringWidth(t.c_str(), int(t.size()), 0);
        }
    }
}
