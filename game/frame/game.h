// The one game object: the task pools, the assets, the play state and the
// fixed-step frame loop of 60 updates a second.
#pragma once
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "actors/random.h"
#include "frame/asset_lists.h"
#include "frame/frame_schedule.h"
#include "frame/ini_file.h"
#include "frame/task_pools.h"

class CCommandList;
class CFader;
class CMessageScript;
class CNameEntry;
class CPlayer;
class CReplayRecord;
class CScoreSystem;
class CScreenHelper;

class CGame {
public:
    static constexpr double kPeriodMs = FrameSchedule::kPeriodMs;

    CGame();
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    // The frame loop, until the window closes, Escape is pressed or the game
    // asks to quit.
    void Run();
    void Update();
    void Draw();
    void MoveAll(PoolId pool);
    void DrawAll(PoolId pool);
    // Clears the pools numbered 1 to 10 except n (the sparks go with the effects); 0 clears all.
    void ClearAllBut(int n);

    void NewGame();
    // Picks the stage script for the play mode and stage, names the stage and loads the runner.
    void StartStage(int stage);
    void GameOverReset();
    void JumpScene(int n);
    void LoadBackGround(int n);
    void PlayMusic(const std::string& name);
    void PlayMusicIndex(int i);
    void SetNameEntryNeeded(bool flag) { nameEntryNeeded_ = flag && !replayPlayback_; }
    // Ends the library and the program: 2 a broken system file, 3 a broken score file.
    [[noreturn]] static void FatalError(int code);

    void LoadImages();
    void LoadSounds();
    void LoadPositions();
    bool LoadSystem();
    bool SaveSystem();

    CTaskList* Pool(PoolId pool) const { return pools_[pool].get(); }
    // The pad word of the update before (see Update).
    int GetInput() const { return input_; }
    void SetInput(int input) { input_ = input; }
    CPlayer* GetPlayer() const { return player_; }
    void SetPlayer(CPlayer* player) { player_ = player; }
    int GetMode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }
    int GetShotType() const { return shotType_; }
    void SetShotType(int type) { shotType_ = type; }
    void AddScore(int points) { score_ += points; }
    int GetScore() const { return score_; }
    void ResetScore() { score_ = 0; }
    int GetLives() const { return lives_; }
    void SetLives(int lives) { lives_ = lives < livesFloor_ ? livesFloor_ : lives; }
    // Lives never fall below this (content tests that must reach a boss).
    void SetLivesFloor(int floor) { livesFloor_ = floor; }
    void AddLives(int n) { SetLives(lives_ + n); }
    int GetContinues() const { return continues_; }
    void SetContinues(int n) { continues_ = n; }
    int GetStage() const { return stage_; }
    void SetStage(int stage) { stage_ = stage; }
    int GetLastStage() const { return lastStage_; }
    int GetBestStage() const { return bestStage_; }
    void SetBestStage(int stage) { bestStage_ = stage; }
    int GetEndingSeen() const { return endingSeen_; }
    void SetEndingSeen(int seen) { endingSeen_ = seen; }
    const std::string& GetStageName() const { return stageName_; }
    void SetStageName(const std::string& name) { stageName_ = name; }
    const std::string& GetName() const { return name_; }
    float GetBossGauge() const { return bossGauge_; }
    void SetBossGauge(float value) { bossGauge_ = value; }
    bool IsPaused() const { return paused_; }
    // The update in progress began unpaused and moves the actors.
    bool IsUpdateMovingActors() const { return actorsMoving_; }
    void SetPaused(bool flag) { paused_ = flag; }
    bool IsAttackLocked() const { return attackLocked_; }
    void SetAttackLocked(bool flag) { attackLocked_ = flag; }
    bool IsPlayEnded() const { return playEnded_; }
    void SetPlayEnded(bool flag) { playEnded_ = flag; }
    bool IsStageClearShown() const { return stageClearShown_; }
    void SetStageClearShown(bool flag) { stageClearShown_ = flag; }
    bool IsReplayRecordRequested() const { return replaySaveRequested_; }
    void SetReplayRecordRequested(bool flag) { replaySaveRequested_ = flag; }
    void RequestJumpScene(int n) { sceneRequest_ = n; }
    bool IsReplayPlaying() const { return replayPlayback_; }
    void SetReplayPlaying(bool flag) { replayPlayback_ = flag; }
    void RequestClockResync() { clockResync_ = true; }
    bool IsQuitRequested() const { return quitRequested_; }
    void SetQuitRequested(bool flag) { quitRequested_ = flag; }
    int GetLowestScore() const;
    int GetHighestScore() const;

    CRandom& Random() { return random_; }
    const CRandom& Random() const { return random_; }
    CRandom& DrawRandom() { return drawRandom_; }
    CSoundList& SoundEffects() { return soundEffects_; }
    CSoundList& Music() { return music_; }
    CScreenHelper& Screen() { return *screen_; }
    CFader& Fader() { return *fader_; }
    CMessageScript& Messages() { return *messages_; }
    CScoreSystem& Scores() { return *scores_; }
    CNameEntry& NameEntry() { return *nameEntry_; }
    // The record the recorder fills and the record a replay plays from.
    CReplayRecord& ReplayWritten() { return *replayWritten_; }
    CReplayRecord& ReplayPlayed() { return *replayPlayed_; }
    CCommandList& Script() { return *script_; }
    const CCommandList& Script() const { return *script_; }
    CIniFile& Settings() { return settings_; }
    const std::vector<PositionList>& Positions() const { return positions_; }
    const CGraphList& Faces(int character) const { return faces_[character]; }
    const FrameSchedule& Schedule() const { return schedule_; }
    // Updates run since the program started.
    long UpdateCount() const { return updateCount_; }
    // What the replay tasks did with this update's pad word: 'r' stored frame
    // k, 'p' applied frame k, 0 neither.
    struct ReplayFrameNote {
        char kind = 0;
        int frame = 0;
    };
    void NoteReplayFrame(char kind, int frame) { replayNote_ = {kind, frame}; }
    const ReplayFrameNote& LastReplayFrame() const { return replayNote_; }

    // Images, as loaded (-1 where a file is missing).
    struct Size {
        int width = 0, height = 0;
    };
    int playerImages[6];
    int shotImage = -1, itemImage = -1, swordImage = -1, backgroundImage = -1;
    int bulletImages[14];
    Size bulletSizes[14];
    int enemyImages[9];
    Size enemySizes[9];
    int bossImages[3];
    Size bossSizes[3];
    int effectAnimations[2][16];

private:
    void TakeScreenshot();

    int input_ = 0;
    std::string name_;
    float bossGauge_ = 0;
    int bestStage_ = 0;
    int endingSeen_ = 0;
    CPlayer* player_ = nullptr;
    int mode_ = -1;
    int shotType_ = 0;
    int score_ = 0;
    int lives_ = 0;
    int continues_ = 0;
    int stage_ = 1;
    int lastStage_ = 3;
    std::string stageName_;
    int sceneRequest_ = 0;
    bool paused_ = false;
    bool actorsMoving_ = true;
    bool attackLocked_ = false;
    bool playEnded_ = false;
    bool stageClearShown_ = false;
    bool replayPlayback_ = false;
    bool nameEntryNeeded_ = false;
    bool clockResync_ = false;
    bool musicOff_ = false;
    bool effectsOff_ = false;
    bool replaySaveRequested_ = false;
    bool quitRequested_ = false;

    std::unique_ptr<CTaskList> pools_[POOL_COUNT];
    std::unique_ptr<CCommandList> script_;
    CSoundList soundEffects_, music_;
    CRandom random_{52154, 537, 150};
    CRandom drawRandom_{52154, 537, 150};
    std::unique_ptr<CNameEntry> nameEntry_;
    std::unique_ptr<CReplayRecord> replayWritten_, replayPlayed_;
    std::unique_ptr<CScoreSystem> scores_;
    CIniFile settings_;
    std::unique_ptr<CScreenHelper> screen_;
    std::unique_ptr<CFader> fader_;
    std::unique_ptr<CMessageScript> messages_;
    std::vector<PositionList> positions_;
    CGraphList faces_[4];

    FrameSchedule schedule_;
    int screenshotCounter_ = 60;
    long updateCount_ = 0;
    ReplayFrameNote replayNote_;
    int livesFloor_ = INT_MIN;
};

// The running game object.
extern CGame* g_game;
