// Songs as the music renderer reads them: parts with their General MIDI
// sounds, and every note of one loop on a grid of ticks.
#pragma once
#include <string>
#include <vector>

constexpr int kTicksPerStep = 12;                   // a sixteenth note
constexpr int kTicksPerBeat = 4 * kTicksPerStep;    // a quarter note
constexpr int kDrumChannel = 9;

struct SongPart {
    std::string name;
    int channel = 0;
    int program = 0;        // General MIDI program, 0 to 127 (drums: kit)
    int volume = 100, pan = 64, reverb = 40, chorus = 0;
};

struct SongNote {
    int tick, length;       // length in ticks, > 0
    int channel, key, velocity;
};

struct Song {
    double tempo = 120;     // quarter notes a minute
    int meter = 4;          // quarter notes a bar
    int totalTicks = 0;     // the length of one loop
    std::vector<SongPart> parts;
    std::vector<SongNote> notes;
};

// Reads a song file; on a mistake prints "file:line: what" and returns false.
bool LoadSong(const std::string& path, Song* song);
