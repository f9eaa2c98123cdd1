// Stand-in for sound until the mixer exists: the library runs silent.
#include "sound/sound_core.h"

int InitializeDirectSound() { return 0; }
int TerminateDirectSound() { return 0; }
int ProcessStreamSoundMemAll() { return 0; }
int ProcessMusicMemAll() { return 0; }
int StopMusicImpl() { return 0; }
int MidiCallBackProcess() { return 0; }
