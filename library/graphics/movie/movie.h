// Movies on graphs: the movie table, a movie file opened as a graph's
// picture with its sound track as a stream sound, frame updates before
// draws, play, pause, tell and seek, pausing with the window, and the
// release and re-opening around a display change.
#pragma once
#include <cstdint>

#include "core/file/file_access.h"
#include "graphics/graphics_core.h"   // the window procedure's pause, resume and release hooks
#include "graphics/image/graph_image.h"

struct MovieStream;

constexpr int MOVIE_TABLE_SLOTS = 100;

struct MovieData {
    int CheckValue;
    int GraphHandle;            // the graph the movie was opened for; -1 until it exists
    MovieStream* Stream;        // null while released around a display change
    int SoundHandle;            // stream sound of the sound track, -1 none; goes with the stream
    int SpareSoundHandle;       // a second one that takes over at a seek while playing; -1 until then
    GraphImage FrameImage;      // the last converted frame
    int FrameFormat;            // MoviePixelFormat of FrameImage
    int SurfaceMode;            // after the mode rules; kept for re-opening
    int Width, Height;
    int64_t TimePerFrameUs;
    int64_t LastUpdateFrame;    // screen frame counter at the last copy, -1 at first
    uint32_t LastUpdateTime;    // movie clock (ms) at the last copy
    int PlayFlag;
    int WindowPausedFlag;       // paused by the window's deactivation
    int64_t SavedTimeMs;        // position while released
    char Path[ZV_PATH_MAX];
};

int InitializeMovieTable();
int TerminateMovieTable();

// Surface mode 2 asks for 24-bit frames, anything else frames in the
// screen's pixel format. Returns the movie handle, or -1 after logging.
int OpenMovieToGraph(const char* fileName, int* width, int* height, int surfaceMode);
// Ties an opened movie to the graph made for it, which shows the first frame.
int BindMovieToGraph(int movieHandle, int grHandle);
// 0 for a graph without a movie or one that only shares its owner's movie;
// -1 for an invalid graph or movie.
int CloseMovie(int grHandle);
int CloseMovieHandle(int movieHandle);
MovieData* GetMovieData(int movieHandle);

// Copies the due frame into the graph. Unforced, only while playing and not
// twice within one screen frame and 18 ms.
int UpdateMovie(int grHandle, int force);
int PlayMovie(int grHandle);
int PauseMovie(int grHandle);
// Position in milliseconds, or -1; a graph without a movie has none.
int TellMovieToGraphImpl(int grHandle);
int SeekMovieToGraphImpl(int grHandle, int timeMs);
// 1 playing, 0 paused or ended, -1 for a graph without a movie.
int GetMovieStateToGraphImpl(int grHandle);

// Re-opens every released movie at its position; -1 when any failed (the
// others are restored all the same).
int RestoreAllMovieSurfaces();
