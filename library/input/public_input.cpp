// The input's public functions: each takes the library lock around its inner
// function.
#include "core/lock.h"
#include "input/input_state.h"
#include "zovav.h"

int CheckHitKey(int keyCode) {
    return WithLibraryLock([=] { return CheckHitKeyImpl(keyCode); });
}

int GetJoypadInputState(int inputType) {
    return WithLibraryLock([=] { return GetJoypadInputStateImpl(inputType); });
}
