// What the library core asks of sound: start and end, the periodic refill of
// stream sounds and music, and the music notification.
#pragma once

int InitializeDirectSound();
int TerminateDirectSound();
int ProcessStreamSoundMemAll();
int ProcessMusicMemAll();
int StopMusicImpl();
int MidiCallBackProcess();
