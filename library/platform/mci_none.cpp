// MIDI through the multimedia control interface: no device exists, so every
// command is answered with "no device".
#include "platform/mci_none.h"

uint32_t PlatformMciSendCommand(uint32_t, MciCommand, uint32_t, void*) { return MCI_RESULT_NO_DEVICE; }
