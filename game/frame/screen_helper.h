// Shared drawing resources and routines: the ten fonts, digit images, window
// frame pieces, the boss gauge, the status display and the frame-rate meter;
// and CFader, the blocking screen fades.
#pragma once

class CScreenHelper {
public:
    CScreenHelper();
    ~CScreenHelper();
    CScreenHelper(const CScreenHelper&) = delete;
    CScreenHelper& operator=(const CScreenHelper&) = delete;

    void CreateFonts();
    int Font(int index) const { return fonts_[index]; }
    // Where font index lives, for users that keep it across a font rebuild.
    const int* FontHandle(int index) const { return &fonts_[index]; }

    void DrawNumber(int value, int x, int y, int padDigits, double scale) const;
    static int CountDigits(int value);
    void DrawGauge(float ratio) const;
    void DrawWindowFrame(int x, int y, int width, int height, int alpha) const;
    void UpdateFps();
    void DrawHud() const;
    static void EmptyHook() {}

private:
    float frameRate_ = 60.0f;
    int fonts_[10];
    int windowPieces_[9];
    int digits_[10];
};

class CFader {
public:
    void FadeIn(int frames) { Fade(frames, true); }
    void FadeOut(int frames) { Fade(frames, false); }

private:
    static void Fade(int frames, bool in);
};
