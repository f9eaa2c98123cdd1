// music_render: plays a song file through a General MIDI sound font and
// writes it as a looping MP3 (and, for listening, as a WAVE of two loops).
//   music_render SOUNDFONT SONG OUT.mp3 [OUT.wav]
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "loop_mp3.h"
#include "song_score.h"
#include "wave_file.h"

namespace {

constexpr double kTailSeconds = 3.0;    // release and reverb after the loop's end
// Every song about as loud as the others, its peaks near -6 dBFS: room for
// the effects on top and for the encoder's overshoot.
constexpr double kTargetRms = 0.09;
constexpr double kPeakLimit = 0.5;
constexpr double kLimiterLookahead = 0.004;
constexpr double kLimiterRelease = 0.15;
constexpr int kBitrate = 128;

struct Stereo {
    std::vector<float> left, right;
};

// The whole song plus its tail, notes placed so that the loop is exactly
// loopSamples long whatever the tempo's rounding.
bool Render(const std::string& soundFont, const Song& song, int loopSamples, Stereo* out) {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kMp3Rate);
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    fluid_settings_setint(settings, "synth.polyphony", 256);
    fluid_settings_setint(settings, "synth.reverb.active", 1);
    fluid_settings_setnum(settings, "synth.reverb.room-size", 0.62);
    fluid_settings_setnum(settings, "synth.reverb.damp", 0.35);
    fluid_settings_setnum(settings, "synth.reverb.width", 0.9);
    fluid_settings_setnum(settings, "synth.reverb.level", 0.8);
    fluid_settings_setint(settings, "synth.chorus.active", 1);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        std::fprintf(stderr, "music_render: cannot load the sound font %s\n", soundFont.c_str());
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return false;
    }
    for (const SongPart& p : song.parts) {
        fluid_synth_program_change(synth, p.channel, p.program);
        fluid_synth_cc(synth, p.channel, 7, p.volume);
        fluid_synth_cc(synth, p.channel, 10, p.pan);
        fluid_synth_cc(synth, p.channel, 91, p.reverb);
        fluid_synth_cc(synth, p.channel, 93, p.chorus);
    }
    struct Event {
        int64_t sample;
        bool on;
        const SongNote* note;
    };
    auto at = [&](int tick) { return int64_t(tick) * loopSamples / song.totalTicks; };
    std::vector<Event> events;
    for (const SongNote& n : song.notes) {
        events.push_back({at(n.tick), true, &n});
        events.push_back({std::max(at(n.tick + n.length), at(n.tick) + 1), false, &n});
    }
    // At the same moment a note ends before the next one starts.
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.sample != b.sample ? a.sample < b.sample : (!a.on && b.on);
    });
    const int64_t total = loopSamples + int64_t(kTailSeconds * kMp3Rate);
    out->left.assign(size_t(total), 0.0f);
    out->right.assign(size_t(total), 0.0f);
    int64_t done = 0;
    auto renderTo = [&](int64_t until) {
        while (done < until) {
            const int n = int(std::min<int64_t>(until - done, 4096));
            fluid_synth_write_float(synth, n, out->left.data() + done, 0, 1, out->right.data() + done, 0, 1);
            done += n;
        }
    };
    for (const Event& e : events) {
        renderTo(std::min(e.sample, total));
        if (e.on) fluid_synth_noteon(synth, e.note->channel, e.note->key, e.note->velocity);
        else fluid_synth_noteoff(synth, e.note->channel, e.note->key);
    }
    renderTo(total);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return true;
}

// What the encoder gets: one turn of the loop with the sound still ringing
// after the loop's end laid back over its start, as it sounds going round.
std::vector<double> LoopInput(const std::vector<float>& rendered, int loopSamples) {
    std::vector<double> input(rendered.begin(), rendered.begin() + loopSamples);
    for (size_t i = size_t(loopSamples); i < rendered.size(); ++i)
        input[(i - size_t(loopSamples)) % input.size()] += rendered[i];
    return input;
}

// Brings the song to the common loudness; a look-ahead limiter then holds
// the loudest hits under the ceiling instead of turning the whole song down.
std::vector<int16_t> Level(const std::vector<double>& left, const std::vector<double>& right) {
    const size_t n = left.size();
    double sum = 0;
    for (size_t i = 0; i < n; ++i) sum += left[i] * left[i] + right[i] * right[i];
    const double rms = std::sqrt(sum / double(2 * std::max<size_t>(1, n)));
    const double gain = rms > 0 ? kTargetRms / rms : 0;
    const size_t window = size_t(kLimiterLookahead * kMp3Rate);
    const double release = 1.0 / (kLimiterRelease * kMp3Rate);
    // needed: the gain that keeps each sample under the ceiling; ahead: the
    // smallest of it over the next window, recovering slowly afterwards.
    std::vector<double> needed(n), ahead(n);
    for (size_t i = 0; i < n; ++i) {
        const double peak = std::max(std::fabs(left[i]), std::fabs(right[i])) * gain;
        needed[i] = peak > kPeakLimit ? kPeakLimit / peak : 1.0;
    }
    std::vector<size_t> order;  // indices of a sliding minimum
    size_t head = 0;
    double held = 1.0;
    for (size_t i = 0, next = 0; i < n; ++i) {
        for (; next < n && next <= i + window; ++next) {
            while (order.size() > head && needed[order.back()] >= needed[next]) order.pop_back();
            order.push_back(next);
        }
        while (order[head] < i) ++head;
        held = std::min(needed[order[head]], held + (1.0 - held) * release);
        ahead[i] = held;
    }
    // Averaging over the window turns each drop into a ramp that still
    // reaches its depth by the peak it was made for.
    std::vector<int16_t> pcm(n * 2);
    double run = 0;
    for (size_t i = 0; i < n; ++i) {
        run += ahead[i] - (i >= window ? ahead[i - window] : 1.0);
        const double g = gain * (1.0 + run / double(window));
        pcm[2 * i] = int16_t(std::lround(std::clamp(left[i] * g, -1.0, 1.0) * 32767));
        pcm[2 * i + 1] = int16_t(std::lround(std::clamp(right[i] * g, -1.0, 1.0) * 32767));
    }
    return pcm;
}

// Two turns of the loop as a looping stream plays them, for listening.
bool WriteListeningWave(const std::string& path, const std::vector<int16_t>& pcm) {
    std::vector<int16_t> turns(pcm);
    turns.insert(turns.end(), pcm.begin(), pcm.end());
    return WriteWaveFile(path, 2, kMp3Rate, turns);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: music_render SOUNDFONT SONG OUT.mp3 [OUT.wav]\n");
        return 2;
    }
    Song song;
    if (!LoadSong(argv[2], &song)) return 1;
    const double samplesPerTick = kMp3Rate * 60.0 / (song.tempo * kTicksPerBeat);
    // The loop is made to fill whole frames behind the decoder's lead, so
    // that its last sample ends the last frame.
    const int frames = std::max(3, int(std::lround((song.totalTicks * samplesPerTick + kMp3Lead) / kMp3FrameSamples)));
    const int loopSamples = LoopSamplesFor(frames);
    Stereo rendered;
    if (!Render(argv[1], song, loopSamples, &rendered)) return 1;
    const std::vector<int16_t> pcm =
        Level(LoopInput(rendered.left, loopSamples), LoopInput(rendered.right, loopSamples));
    std::string error;
    const std::vector<uint8_t> mp3 = EncodeLoopMp3(pcm, frames, kBitrate, &error);
    if (mp3.empty()) {
        std::fprintf(stderr, "music_render: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
    if (!out) {
        std::fprintf(stderr, "music_render: cannot write %s\n", argv[3]);
        return 1;
    }
    if (argc == 5 && !WriteListeningWave(argv[4], pcm)) {
        std::fprintf(stderr, "music_render: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
