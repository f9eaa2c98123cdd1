// The sound player: reading the summaries, the unlock rule, playing the pieces and the list screen.
#include "scenes/sound_select.h"

#include <cstdio>

#include "frame/encoded_file.h"
#include "frame/game.h"
#include "frame/pad_bits.h"
#include "frame/screen_helper.h"
#include "scenes/title.h"
#include "zovav.h"

static_assert(FitsPool<CSoundSelect>());

namespace {
constexpr int kSongs = 9;
const char* const kTitles[kSongs] = {"The Starting Point", "Above The Cloud", "Silent Forest",
                                     "Attack",             "Clear Blue Sky",  "Faraway",
                                     "In Strange",         "Defeat Your Enemy", "Usual Daily Life"};
}  // namespace

int CSoundSelect::SongCount() {
    // Wide enough for any best stage and ending flag that system.dat may hold.
    long long n = 2LL * g_game->GetBestStage() + g_game->GetEndingSeen() + 2;
    return n < 0 ? 0 : n > kSongs ? kSongs : int(n);
}

const char* CSoundSelect::SongTitle(int i) { return i < SongCount() ? kTitles[i] : "戻る"; }

CSoundSelect::CSoundSelect() {
    for (int n = 1; n <= kSongs; ++n) {
        char path[32];
        snprintf(path, sizeof path, "data/dat/summary%d.dat", n);
        EncodedFileReader in;
        in.SetKey(DataFileKey);
        std::vector<std::string> lines;
        // A missing file gives an empty text (the reader is then at its end).
        in.Open(path, "rb");
        while (!in.IsEof()) lines.push_back(in.ReadLine());
        summaries_.push_back(std::move(lines));
    }
    g_game->Music().Stop();
    g_game->Music().Play(0, CSoundList::PLAY_BACK);
}

bool CSoundSelect::Move() {
    int w = g_game->GetInput(), n = SongCount();
    if (!inputHeld_) {
        bool moved = false;
        if ((w & kPadUp) && cursor_ > 0) --cursor_, moved = true;
        if ((w & kPadDown) && cursor_ < n) ++cursor_, moved = true;
        if (moved) {
            g_game->Music().Stop();
            if (cursor_ != n) g_game->Music().Play(cursor_, CSoundList::PLAY_BACK);
        }
        if (((w & kPadDecide) && cursor_ == n) || (w & kPadCancel)) {
            g_game->Music().Stop();
            g_game->Music().Play(0, CSoundList::PLAY_LOOP);
            new CTitle(true);
            return false;
        }
    }
    inputHeld_ = w != 0;
    return true;
}

void CSoundSelect::Draw() {
    int n = SongCount(), font0 = g_game->Screen().Font(0);
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1);
    DrawLine(200, 0, 600, 480, GetColor(20, 40, 60));
    DrawLine(0, 150, 640, 300, GetColor(100, 60, 154));
    DrawStringToHandle(130, 30, "サウンドプレイヤー", GetColor(200, 200, 255), g_game->Screen().Font(1),
                       GetColor(100, 100, 200));
    if (cursor_ < n) {
        const std::vector<std::string>& lines = summaries_[size_t(cursor_)];
        for (size_t j = 0; j < lines.size(); ++j)
            DrawStringToHandle(230, 100 + 28 * int(j), lines[j].c_str(), GetColor(200, 200, 200), font0, 0);
    }
    for (int i = 0; i <= n; ++i)
        DrawStringToHandle(50, 100 + 30 * i, SongTitle(i),
                           i == cursor_ ? GetColor(255, 255, 255) : GetColor(100, 100, 150), font0);
}
