// The sound's start and end, the periodic refill of stream sounds and music,
// the music notification, and the registration of its subsystem row.
#pragma once

int InitializeDirectSound();
int TerminateDirectSound();
int ProcessStreamSoundMemAll();
int ProcessMusicMemAll();
int StopMusicImpl();
int MidiCallBackProcess();

// Registers the sound's row in the library's subsystem table.
void RegisterSoundSubsystem();
