// Public sound functions: each takes the library lock and runs its inner function.
#include "core/lock.h"
#include "sound/music.h"
#include "sound/sound_core.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"
#include "sound/sound_system.h"
#include "zovav.h"

int LoadSoundMem(const char* fileName, int bufferNum, int unionHandle) {
    return WithLibraryLock([=] { return LoadSoundMemImpl(fileName, bufferNum, unionHandle); });
}

int DeleteSoundMem(int soundHandle, int logOutFlag) {
    return WithLibraryLock([=] { return DeleteSoundMemImpl(soundHandle, logOutFlag); });
}

int PlaySoundMem(int soundHandle, int playType, int topPositionFlag) {
    return WithLibraryLock([=] { return PlaySoundMemImpl(soundHandle, playType, topPositionFlag); });
}

int StopSoundMem(int soundHandle) {
    return WithLibraryLock([=] { return StopSoundMemImpl(soundHandle); });
}

int SetCreateSoundDataType(int soundDataType) {
    return WithLibraryLock([=] { return SetCreateSoundDataTypeImpl(soundDataType); });
}

int StopSound() {
    return WithLibraryLock([] { return StopSoundImpl(); });
}

int StopMusic() {
    return WithLibraryLock([] { return StopMusicImpl(); });
}
