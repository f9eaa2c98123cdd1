// Movie source: the picture track of a movie file, demuxed and decoded from
// the caller's bytes, the frame that is due on a running clock converted into
// a chosen pixel format; pause, tell and seek in milliseconds. The sound
// track is a source of its own: decoded from a second reader of the same
// bytes and resampled into 16-bit PCM of the rate and channels asked for.
#pragma once
#include <cstddef>
#include <cstdint>

// The bytes of a movie behind four operations; the stream owns the source
// from MovieStreamOpen on and closes it with the stream (or at once when the
// open fails).
struct MovieByteSource {
    void* handle;
    size_t (*read)(void* handle, void* buffer, size_t size);   // bytes read, 0 at the end
    int (*seek)(void* handle, int64_t offset, int origin);     // origin 0 start, 1 current, 2 end; 0 or -1
    int64_t (*tell)(void* handle);
    void (*close)(void* handle);
};

enum MovieOpenResult {
    MOVIE_OPENED = 0,
    MOVIE_UNREADABLE = -1,   // no movie container takes the bytes
    MOVIE_NOT_VIDEO = -2,    // no picture track, or a frame size of 0 or above 8192
    MOVIE_NO_DECODER = -3,   // the picture (or sound) track cannot be decoded here
    MOVIE_NO_SOUND = -4,     // no sound track
};

enum MoviePixelFormat {
    MOVIE_PIXELS_X8R8G8B8 = 0,   // 32 bits, little-endian B, G, R, 255
    MOVIE_PIXELS_R5G6B5 = 1,     // 16 bits
    MOVIE_PIXELS_R8G8B8 = 2,     // 24 bits, little-endian B, G, R
};

enum MovieFrameResult {
    MOVIE_FRAME_NEW = 0,       // the due frame was written
    MOVIE_FRAME_PENDING = 1,   // the frame written last is still the due one
    MOVIE_FRAME_END = 2,       // the last frame has had its time
    MOVIE_FRAME_ERROR = -1,    // the frame cannot be converted
};

constexpr int MOVIE_MAX_FRAME_SIZE = 8192;

struct MovieStream;

struct MovieStreamInfo {
    int width, height;
    int64_t timePerFrameUs;
    int hasSound;            // the container holds a sound track (MovieSoundOpen reads it)
};

MovieOpenResult MovieStreamOpen(const MovieByteSource* source, MovieStream** out);
void MovieStreamClose(MovieStream* stream);
void MovieStreamGetInfo(const MovieStream* stream, MovieStreamInfo* info);

// Decodes up to the stream time; frames that are already late are dropped
// undrawn, and only the due one is converted into pixels (width x height of
// the info, rows pitch bytes apart).
MovieFrameResult MovieStreamUpdate(MovieStream* stream, MoviePixelFormat format, void* pixels, int pitch);

// The stream time runs only between Run and Pause.
void MovieStreamRun(MovieStream* stream);
void MovieStreamPause(MovieStream* stream);
int MovieStreamIsRunning(const MovieStream* stream);
int64_t MovieStreamTellMs(const MovieStream* stream);
// Moves the stream time; the next update shows the frame due there. 0 or -1.
// The update that finds the time past the last frame's end shows the last
// frame and stops the clock at the movie's length.
int MovieStreamSeekMs(MovieStream* stream, int64_t ms);
// Sets the stream time without moving the decoder: the picture keeps to the
// clock of a sound track this way.
void MovieStreamSetTimeUs(MovieStream* stream, int64_t us);

// ---- the sound track --------------------------------------------------------

struct MovieSound;

// Sample 0 of the sound is the movie's time 0 (the picture's start): a track
// that starts later begins with silence, one that starts earlier is cut.
MovieOpenResult MovieSoundOpen(const MovieByteSource* source, int rate, int channels, MovieSound** out);
void MovieSoundClose(MovieSound* sound);
// Up to bytes of interleaved 16-bit samples (whole sample frames) from the
// sound's position on; 0 at the end.
int MovieSoundRead(MovieSound* sound, void* pcm, int bytes);
// Moves the position to a sample frame; 0 or -1 (the sound then gives nothing).
int MovieSoundSeek(MovieSound* sound, int64_t sample);
// The track's length in sample frames as the file states it, 0 when it does not.
int64_t MovieSoundLength(const MovieSound* sound);

// The clock every movie time rule reads, in microseconds; tests install
// their own (null puts the system's monotonic clock back).
using MovieClockFunction = int64_t (*)();
void MovieSetClock(MovieClockFunction clock);
int64_t MovieClockNowUs();
