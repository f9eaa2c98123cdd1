// Movies on graphs: the movie table, opening a movie through the library's
// own file functions (plain files and archive members alike, no temporary
// copy), its sound track as a stream sound that the picture keeps time with,
// frame updates before draws, play, pause, tell and seek, pausing with the
// window, and re-opening after a display change.
#include "graphics/movie/movie.h"

#include <climits>
#include <cstring>
#include <initializer_list>

#include "core/alloc.h"
#include "core/log.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_storage.h"
#include "graphics/graphics_handles.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"
#include "platform/audio_sdl.h"
#include "platform/movie_ffmpeg.h"
#include "sound/pcm_stream_sound.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"

namespace {

// Two copies of the frame within one screen frame need this much time between them.
constexpr uint32_t kRepeatGuardMs = 18;

struct MovieTableState {
    HandleTable table;
};
MovieTableState g_movies;

size_t ReadFileBytes(void* handle, void* buffer, size_t size) {
    return FileRead(buffer, 1, size, reinterpret_cast<ZvFileHandle>(handle));
}
int SeekFileBytes(void* handle, int64_t offset, int origin) {
    if (offset < INT32_MIN || offset > INT32_MAX) return -1;
    return FileSeek(reinterpret_cast<ZvFileHandle>(handle), int32_t(offset), origin) == 0 ? 0 : -1;
}
int64_t TellFileBytes(void* handle) { return FileTell(reinterpret_cast<ZvFileHandle>(handle)); }
void CloseFileBytes(void* handle) { FileClose(reinterpret_cast<ZvFileHandle>(handle)); }

uint32_t ClockMs() { return uint32_t(MovieClockNowUs() / 1000); }

// There are no overlay surfaces here, so mode 1 falls to 2; 24-bit frames
// are not wanted on a 32-bit screen.
int ApplySurfaceModeRules(int mode) {
    if (mode == 1) mode = 2;
    if (mode == 2 && GetDisplayColorBitDepth() == 32) mode = 0;
    return mode;
}

// Frames come in the screen's format where the decoder can write it, else
// in 32 bits that the copy into the graph converts.
MoviePixelFormat FrameFormatFor(int surfaceMode, ColorData* colorData) {
    if (surfaceMode == 2) {
        CreateColorDataImpl(colorData, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        return MOVIE_PIXELS_R8G8B8;
    }
    const ColorData* screen = GetScreenColorData();
    if (screen->ColorBitDepth == 16 && screen->RedMask == 0xF800 && screen->GreenMask == 0x7E0 &&
        screen->BlueMask == 0x1F) {
        CreateColorDataImpl(colorData, 16, 0xF800, 0x7E0, 0x1F, 0);
        return MOVIE_PIXELS_R5G6B5;
    }
    CreateColorDataImpl(colorData, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    return MOVIE_PIXELS_X8R8G8B8;
}

// A name too long for any path is cut so that the line keeps its end.
int LogOpenFailure(const char* path) {
    constexpr int kShown = 256;
    const bool cut = std::strlen(path) > size_t(kShown);
    return ErrorLogFmtAdd("ファイル:%.*s%s が開けませんでした", kShown, path, cut ? "..." : "");
}

// The sound track as PCM for its stream sound.
int ReadSoundPcm(void* sound, void* dest, int bytes) {
    return MovieSoundRead(static_cast<MovieSound*>(sound), dest, bytes);
}
int SeekSoundPcm(void* sound, int64_t sample) { return MovieSoundSeek(static_cast<MovieSound*>(sound), sample); }
int64_t SoundPcmLength(void* sound) { return MovieSoundLength(static_cast<MovieSound*>(sound)); }
void CloseSoundPcm(void* sound) { MovieSoundClose(static_cast<MovieSound*>(sound)); }

// The file at path as the bytes a movie reader takes; false when it does not open.
bool OpenFileBytes(const char* path, MovieByteSource* out) {
    const ZvFileHandle file = FileOpen(path, 0);
    if (file == 0) return false;
    *out = MovieByteSource{reinterpret_cast<void*>(file), ReadFileBytes, SeekFileBytes, TellFileBytes, CloseFileBytes};
    return true;
}

// The sound track as a stream sound, read through a file handle of its own
// so that it keeps its own place in the file; -1 when it cannot be made.
int MakeSoundTrack(const char* path) {
    MovieByteSource bytes;
    if (!OpenFileBytes(path, &bytes)) return -1;
    MovieSound* sound = nullptr;
    if (MovieSoundOpen(&bytes, AUDIO_OUTPUT_RATE, AUDIO_OUTPUT_CHANNELS, &sound) != MOVIE_OPENED) {
        ErrorLogFmtAdd("ムービーの音声を再生できません");
        return -1;
    }
    const PcmSource source{sound, AUDIO_OUTPUT_CHANNELS, AUDIO_OUTPUT_RATE, ReadSoundPcm, SeekSoundPcm,
                           SoundPcmLength, CloseSoundPcm};
    return AddPcmStreamSound(&source);
}

// A movie without a sound track, or without a sound output, plays silent.
void OpenMovieSound(MovieData* m, const MovieStreamInfo& info) {
    if (info.hasSound && SoundSystemRunning()) m->SoundHandle = MakeSoundTrack(m->Path);
}

// Places the sound track at a time of the picture and decodes from there;
// false when it cannot.
bool PlaceSound(MovieData* m, int64_t ms) {
    const int64_t sample = ms * AUDIO_OUTPUT_RATE / 1000;
    return m->SoundHandle >= 0 && SeekStreamSoundSample(m->SoundHandle, sample) == 0 &&
           PrepareStreamSound(m->SoundHandle) == 0;
}

// The sound track starts at a time of the picture (ramped in by the mixer
// unless that is its beginning).
void StartSound(MovieData* m, int64_t ms) {
    if (PlaceSound(m, ms)) PlaySoundMemImpl(m->SoundHandle, SOUND_PLAYTYPE_BACK, 0);
}

void StopSound(MovieData* m) {
    if (m->SoundHandle >= 0) StopSoundMemImpl(m->SoundHandle);
}

// A playing sound moves to where the picture now is without falling silent:
// the spare sound is decoded there first, then it starts as the old one
// stops, at the same output frame (the mixing held between them), so that
// the new place ramps in as the old one ramps down. (With one stream sound
// its buffer would be silent while it is filled anew.)
void MoveSound(MovieData* m, int64_t ms) {
    if (m->SoundHandle < 0 || !m->PlayFlag) return;
    if (m->SpareSoundHandle < 0) m->SpareSoundHandle = MakeSoundTrack(m->Path);
    if (m->SpareSoundHandle < 0) {
        StartSound(m, ms);
        return;
    }
    const int outgoing = m->SoundHandle;
    m->SoundHandle = m->SpareSoundHandle;
    m->SpareSoundHandle = outgoing;
    const bool placed = PlaceSound(m, ms);
    HoldSoundMixing(true);
    if (placed) PlaySoundMemImpl(m->SoundHandle, SOUND_PLAYTYPE_BACK, 0);
    // Placed back at the start, the stopped sound is left alone until it is
    // needed again: one whose data had ended would otherwise go on being
    // filled with silence at every message pass.
    SeekStreamSoundSample(outgoing, 0);
    HoldSoundMixing(false);
}

// While the sound plays, the picture keeps to the sound's clock. A sound that
// has ended before the picture leaves the movie's own clock running.
void FollowSound(MovieData* m) {
    if (m->SoundHandle < 0 || !m->PlayFlag || !MovieStreamIsRunning(m->Stream)) return;
    if (CheckSoundPlaying(m->SoundHandle) != 1) return;
    const int64_t sample = TellStreamSoundSample(m->SoundHandle);
    if (sample >= 0) MovieStreamSetTimeUs(m->Stream, sample * 1000000 / AUDIO_OUTPUT_RATE);
}

// The picture's clock and the sound start and stop together.
void RunMovie(MovieData* m) {
    MovieStreamRun(m->Stream);
    m->PlayFlag = 1;
    StartSound(m, MovieStreamTellMs(m->Stream));
}

void HoldMovie(MovieData* m) {
    FollowSound(m);
    MovieStreamPause(m->Stream);
    m->PlayFlag = 0;
    StopSound(m);
}

void ReleaseStream(MovieData* m) {
    for (int* sound : {&m->SoundHandle, &m->SpareSoundHandle}) {
        if (*sound >= 0) DeleteSoundMemImpl(*sound, 0);
        *sound = -1;
    }
    MovieStreamClose(m->Stream);
    m->Stream = nullptr;
    if (m->FrameImage.Pixels) ZvFree(m->FrameImage.Pixels);
    m->FrameImage.Pixels = nullptr;
}

// Opens the stream of m->Path and makes the frame image; 0, or -1 after logging.
int OpenMovie(MovieData* m) {
    m->SoundHandle = m->SpareSoundHandle = -1;
    MovieByteSource source;
    if (!OpenFileBytes(m->Path, &source)) return LogOpenFailure(m->Path);
    MovieStream* stream = nullptr;
    switch (MovieStreamOpen(&source, &stream)) {
    case MOVIE_OPENED: break;
    case MOVIE_NOT_VIDEO: return ErrorLogFmtAdd("動画ファイルではない可能性があります！");
    case MOVIE_NO_DECODER: return ErrorLogFmtAdd("プライマリビデオストリームを追加できませんでした！");
    default: return LogOpenFailure(m->Path);
    }
    MovieStreamInfo info;
    MovieStreamGetInfo(stream, &info);
    GraphImage& f = m->FrameImage;
    std::memset(&f, 0, sizeof(f));
    m->FrameFormat = FrameFormatFor(m->SurfaceMode, &f.ColorInfo);
    f.Width = info.width;
    f.Height = info.height;
    f.Pitch = (f.ColorInfo.PixelByte * info.width + 3) / 4 * 4;
    f.Pixels = ZVCALLOC(size_t(f.Pitch) * size_t(info.height));
    if (f.Pixels == nullptr) {
        MovieStreamClose(stream);
        return ErrorLogFmtAdd("ストリームサンプルを作成できませんでした！");
    }
    m->Stream = stream;
    m->Width = info.width;
    m->Height = info.height;
    m->TimePerFrameUs = info.timePerFrameUs;
    m->LastUpdateFrame = -1;
    m->LastUpdateTime = UINT32_MAX;
    OpenMovieSound(m, info);
    return 0;
}

// The movie of a graph: null with result 0 for a graph without one, null
// with -1 for an invalid graph or movie.
MovieData* MovieOfGraph(int grHandle, int* result) {
    const GraphData* g = GetGraphData(grHandle);
    *result = g == nullptr ? -1 : 0;
    if (g == nullptr || g->MovieHandle < 0) return nullptr;
    MovieData* m = GetMovieData(g->MovieHandle);
    if (m == nullptr) *result = -1;
    return m;
}

// The frame image goes to the graph the movie plays into: a graph derived
// from it shows part of those pixels.
void ShowFrameImage(MovieData* m) {
    GraphData* owner = GetGraphData(m->GraphHandle);
    if (owner) owner->Storage->movieFrame(&m->FrameImage, owner);
}

template <class Visit>
void ForEachMovie(Visit visit) {
    HandleTable& t = g_movies.table;
    if (t.records == nullptr) return;
    for (int slot = 0; slot < t.nextSlot; ++slot)
        if (t.records[slot]) visit(static_cast<MovieData*>(t.records[slot]));
}

}  // namespace

int InitializeMovieTable() {
    return InitializeHandleTable(&g_movies.table, ZV_HANDLE_MOVIE, MOVIE_TABLE_SLOTS, sizeof(MovieData), "",
                                 "メモリの確保に失敗しました in OpenMovieToGraph");
}

int TerminateMovieTable() {
    HandleTable& t = g_movies.table;
    for (int slot = 0; t.records != nullptr && slot < t.nextSlot; ++slot)
        if (t.records[slot]) CloseMovieHandle(HandleOfSlot(&t, slot));
    return TerminateHandleTable(&t);
}

MovieData* GetMovieData(int movieHandle) {
    return static_cast<MovieData*>(CheckHandle(&g_movies.table, movieHandle));
}

int OpenMovieToGraph(const char* fileName, int* width, int* height, int surfaceMode) {
    HandleTable& t = g_movies.table;
    if (fileName == nullptr || t.records == nullptr || t.used >= t.capacity) return -1;
    const int handle = AddHandle(&t, -1);
    if (handle < 0) return -1;
    MovieData* m = GetMovieData(handle);
    m->GraphHandle = -1;
    m->SurfaceMode = ApplySurfaceModeRules(surfaceMode);
    int opened = -1;
    if (std::strlen(fileName) < sizeof(m->Path)) {
        std::memcpy(m->Path, fileName, std::strlen(fileName) + 1);
        opened = OpenMovie(m);
    } else {
        LogOpenFailure(fileName);
    }
    if (opened != 0) {
        SubHandle(&t, handle);
        LowerHandleHint(&t, HandleSlot(handle));
        return ErrorLogFmtAdd("ムービーファイルオープン処理時にエラーが発生しました");
    }
    if (width) *width = m->Width;
    if (height) *height = m->Height;
    return handle;
}

int BindMovieToGraph(int movieHandle, int grHandle) {
    MovieData* m = GetMovieData(movieHandle);
    GraphData* g = GetGraphData(grHandle);
    if (m == nullptr || g == nullptr) return -1;
    m->GraphHandle = grHandle;
    g->MovieHandle = movieHandle;
    // A new graph shows the movie's first frame, never memory nobody wrote:
    // the frame image stays black when there is no frame to show.
    if (m->Stream == nullptr) return 0;
    UpdateMovie(grHandle, 1);
    if (m->LastUpdateFrame < 0) ShowFrameImage(m);
    return 0;
}

int CloseMovieHandle(int movieHandle) {
    MovieData* m = GetMovieData(movieHandle);
    if (m == nullptr) return -1;
    ReleaseStream(m);
    SubHandle(&g_movies.table, movieHandle);
    LowerHandleHint(&g_movies.table, HandleSlot(movieHandle));
    return 0;
}

int CloseMovie(int grHandle) {
    GraphData* g = GetGraphData(grHandle);
    if (g == nullptr) return -1;
    const int movie = g->MovieHandle;
    if (movie < 0) return 0;
    g->MovieHandle = -1;
    const MovieData* m = GetMovieData(movie);
    if (m == nullptr) return -1;
    // A graph derived from a movie graph shows the movie but does not own it.
    if (m->GraphHandle != grHandle) return 0;
    return CloseMovieHandle(movie);
}

int UpdateMovie(int grHandle, int force) {
    int result;
    MovieData* m = MovieOfGraph(grHandle, &result);
    if (m == nullptr || m->Stream == nullptr) return result;
    const uint32_t now = ClockMs();
    if (!force) {
        if (!m->PlayFlag || !MovieStreamIsRunning(m->Stream)) return 0;
        if (m->LastUpdateFrame == int64_t(GetFrameCounter()) && now - m->LastUpdateTime < kRepeatGuardMs) return 0;
    }
    FollowSound(m);
    GraphImage& f = m->FrameImage;
    switch (MovieStreamUpdate(m->Stream, MoviePixelFormat(m->FrameFormat), f.Pixels, f.Pitch)) {
    case MOVIE_FRAME_NEW:
        ShowFrameImage(m);
        m->LastUpdateFrame = int64_t(GetFrameCounter());
        m->LastUpdateTime = now;
        break;
    case MOVIE_FRAME_PENDING:
        break;
    default:
        MovieStreamPause(m->Stream);
        break;
    }
    // The end (or a frame that cannot be shown): the last frame stays, and the
    // sound stops with the picture.
    if (m->PlayFlag && !MovieStreamIsRunning(m->Stream)) {
        m->PlayFlag = 0;
        StopSound(m);
    }
    return 0;
}

int PlayMovie(int grHandle) {
    int result;
    MovieData* m = MovieOfGraph(grHandle, &result);
    if (m == nullptr) return result;
    m->WindowPausedFlag = 0;
    if (m->Stream == nullptr || m->PlayFlag) return 0;
    RunMovie(m);
    return 0;
}

int PauseMovie(int grHandle) {
    int result;
    MovieData* m = MovieOfGraph(grHandle, &result);
    if (m == nullptr) return result;
    m->WindowPausedFlag = 0;
    if (m->Stream == nullptr || !m->PlayFlag) return 0;
    HoldMovie(m);
    return 0;
}

int TellMovieToGraphImpl(int grHandle) {
    int result;
    MovieData* m = MovieOfGraph(grHandle, &result);
    if (m == nullptr) return -1;
    if (m->Stream) FollowSound(m);
    const int64_t ms = m->Stream ? MovieStreamTellMs(m->Stream) : m->SavedTimeMs;
    return ms > INT_MAX ? INT_MAX : int(ms);
}

int SeekMovieToGraphImpl(int grHandle, int timeMs) {
    int result;
    MovieData* m = MovieOfGraph(grHandle, &result);
    if (m == nullptr || timeMs < 0) return -1;
    if (m->Stream == nullptr) {
        m->SavedTimeMs = timeMs;
        return 0;
    }
    if (MovieStreamSeekMs(m->Stream, timeMs) != 0) return ErrorLogFmtAdd("ムービーのシークに失敗しました");
    // A playing sound goes on from the new place, which the graph shows at
    // once, also while paused (a place past the end is the end).
    MoveSound(m, timeMs);
    UpdateMovie(grHandle, 1);
    return 0;
}

int GetMovieStateToGraphImpl(int grHandle) {
    int result;
    const MovieData* m = MovieOfGraph(grHandle, &result);
    return m == nullptr ? -1 : m->PlayFlag;
}

int PauseAllMovies() {
    ForEachMovie([](MovieData* m) {
        if (m->Stream == nullptr || !m->PlayFlag) return;
        HoldMovie(m);
        m->WindowPausedFlag = 1;
    });
    return 0;
}

int ResumeAllMovies() {
    // Only what the window's deactivation paused: movies the program paused
    // and movies that ended stay as they are.
    ForEachMovie([](MovieData* m) {
        if (m->Stream == nullptr || !m->WindowPausedFlag) return;
        RunMovie(m);
        m->WindowPausedFlag = 0;
    });
    return 0;
}

int ReleaseAllMovieSurfaces() {
    ForEachMovie([](MovieData* m) {
        if (m->Stream == nullptr) return;
        FollowSound(m);
        m->SavedTimeMs = MovieStreamTellMs(m->Stream);
        ReleaseStream(m);
    });
    return 0;
}

int RestoreAllMovieSurfaces() {
    int result = 0;
    ForEachMovie([&result](MovieData* m) {
        if (m->Stream != nullptr) return;
        const int width = m->Width, height = m->Height;
        if (OpenMovie(m) != 0) {
            result = -1;
            return;
        }
        // The graph was made for the old size; a file that changed meanwhile stays closed.
        if (m->Width != width || m->Height != height) {
            ReleaseStream(m);
            m->Width = width;
            m->Height = height;
            result = LogOpenFailure(m->Path);
            return;
        }
        MovieStreamSeekMs(m->Stream, m->SavedTimeMs);
        if (m->PlayFlag) RunMovie(m);
    });
    return result;
}
