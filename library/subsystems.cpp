// The list of the library's subsystems: each registers its own row in the
// core's table. Start-up and shutdown orders live with the table.
#include "core/char_buffer.h"
#include "core/startup.h"
#include "core/subsystem.h"
#include "graphics/graphics_core.h"
#include "input/input_core.h"
#include "network/network.h"
#include "sound/sound_core.h"

void RegisterLibrarySubsystems() {
    RegisterCoreSubsystems();
    RegisterTextInputSubsystem();
    RegisterNetworkSubsystem();
    RegisterInputSubsystem();
    RegisterSoundSubsystem();
    RegisterGraphicsSubsystem();
}
