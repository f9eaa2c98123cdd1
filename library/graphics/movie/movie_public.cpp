// Public movie functions: each takes the library lock and runs its inner function.
#include "core/lock.h"
#include "graphics/movie/movie.h"
#include "zovav.h"

int PlayMovieToGraph(int grHandle) {
    return WithLibraryLock([=] { return PlayMovie(grHandle); });
}

int PauseMovieToGraph(int grHandle) {
    return WithLibraryLock([=] { return PauseMovie(grHandle); });
}

int TellMovieToGraph(int grHandle) {
    return WithLibraryLock([=] { return TellMovieToGraphImpl(grHandle); });
}

int SeekMovieToGraph(int grHandle, int time) {
    return WithLibraryLock([=] { return SeekMovieToGraphImpl(grHandle, time); });
}

int GetMovieStateToGraph(int grHandle) {
    return WithLibraryLock([=] { return GetMovieStateToGraphImpl(grHandle); });
}
