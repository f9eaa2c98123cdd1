// The song text format: tempo, parts, sections of chords, note lines, style
// lines and drum grids, and the form that strings sections into one loop.
#include "song_score.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

struct Token {
    std::string text;
    int line;
};

struct PartDef {
    SongPart part;
    bool drums = false;
    int low = 60;           // bottom of the register chords are voiced in
    int velocity = 90;
    double gate = 0.92;     // share of a note's written length that sounds
};

struct Section {
    std::string name;
    int bars = 0;
    int line = 0;
    std::map<std::string, std::vector<Token>> lines;    // key -> its tokens, lines appended
};

struct Chord {
    int tick;               // from the section's start
    int root, bass;         // pitch classes
    std::vector<int> intervals;
};

struct ParseError {
    int line;
    std::string what;
};

[[noreturn]] void Throw(int line, const std::string& what) { throw ParseError{line, what}; }

const std::map<std::string, int>& DrumKeys() {
    static const std::map<std::string, int> keys = {
        {"kick", 36}, {"rim", 37}, {"snare", 38}, {"clap", 39}, {"hat", 42}, {"phat", 44},
        {"ohat", 46}, {"crash", 49}, {"ride", 51}, {"bell", 53}, {"tamb", 54}, {"splash", 55},
        {"cowbell", 56}, {"tom1", 50}, {"tom2", 47}, {"tom3", 43}, {"shaker", 70}, {"triangle", 81},
    };
    return keys;
}

const std::map<std::string, std::vector<int>>& ChordQualities() {
    static const std::map<std::string, std::vector<int>> q = {
        {"", {0, 4, 7}}, {"m", {0, 3, 7}}, {"7", {0, 4, 7, 10}}, {"maj7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}}, {"sus4", {0, 5, 7}}, {"sus2", {0, 2, 7}}, {"dim", {0, 3, 6}},
        {"aug", {0, 4, 8}}, {"add9", {0, 4, 7, 14}}, {"madd9", {0, 3, 7, 14}}, {"6", {0, 4, 7, 9}},
        {"m6", {0, 3, 7, 9}}, {"9", {0, 4, 7, 10, 14}}, {"m9", {0, 3, 7, 10, 14}}, {"7sus4", {0, 5, 7, 10}},
        {"m7b5", {0, 3, 6, 10}}, {"maj9", {0, 4, 7, 11, 14}},
    };
    return q;
}

// One step of a rhythm style, in sixteenths from the bar's start. What it
// plays: c the chord, r the bass root, f its fifth, o its octave, t the
// chord's third, a the next arpeggio note up, u up and down.
struct StyleStep {
    double start, length;
    char what;
};

std::vector<StyleStep> Every(double step, double length, const std::string& cycle, double from = 0) {
    std::vector<StyleStep> steps;
    for (int i = 0; from + i * step < 16; ++i) steps.push_back({from + i * step, length, cycle[size_t(i) % cycle.size()]});
    return steps;
}

const std::map<std::string, std::vector<StyleStep>>& Styles() {
    static const std::map<std::string, std::vector<StyleStep>> s = {
        {"arp8", Every(2, 2, "a")},      {"arp16", Every(1, 1, "a")},
        {"arpud8", Every(2, 2, "u")},    {"arpud16", Every(1, 1, "u")},
        {"stab", Every(4, 1, "c", 2)},   {"pulse8", Every(2, 1.5, "c")},
        {"pulse4", Every(4, 3, "c")},    {"waltz", Every(4, 3, "c", 4)},
        {"root4", Every(4, 4, "r")},     {"root8", Every(2, 2, "r")},
        {"octave8", Every(2, 2, "ro")},  {"fifth4", Every(4, 4, "rfof")},
        {"walk4", Every(4, 4, "rtfo")},
        {"synco", {{0, 6, 'r'}, {6, 6, 'r'}, {12, 4, 'f'}}},
        {"gallop", {{0, 2, 'r'}, {2, 1, 'r'}, {3, 1, 'r'}, {4, 2, 'r'}, {6, 1, 'r'}, {7, 1, 'r'},
                    {8, 2, 'r'}, {10, 1, 'r'}, {11, 1, 'r'}, {12, 2, 'o'}, {14, 1, 'f'}, {15, 1, 'r'}}},
    };
    return s;
}

// Chord-following styles that change only with the chord.
bool HeldStyle(const std::string& s) { return s == "pad" || s == "hold" || s == "strum"; }

int PitchClass(char letter, int line) {
    static const int kClass[] = {9, 11, 0, 2, 4, 5, 7};  // a to g
    const char c = char(std::tolower(letter));
    if (c < 'a' || c > 'g') Throw(line, std::string("not a note letter: ") + letter);
    return kClass[c - 'a'];
}

// "c#5" -> 73: a letter, an optional sharp or flat, an octave (middle C is c4).
int ParseKey(const std::string& text, int line) {
    if (text.size() < 2) Throw(line, "bad note \"" + text + "\"");
    int pc = PitchClass(text[0], line);
    size_t at = 1;
    if (text[at] == '#') pc += 1, ++at;
    else if (text[at] == 'b' && at + 1 < text.size()) pc -= 1, ++at;
    if (at >= text.size() || !std::isdigit(uint8_t(text[at])) || at + 1 != text.size())
        Throw(line, "bad note \"" + text + "\"");
    const int key = 12 * (text[at] - '0' + 1) + pc;
    if (key < 0 || key > 127) Throw(line, "note out of range \"" + text + "\"");
    return key;
}

// "q", "e.", "h", "3" (sixteenths) -> ticks.
int ParseLength(const std::string& text, int line) {
    if (text.empty()) Throw(line, "missing length");
    int ticks = 0;
    size_t at = 1;
    switch (text[0]) {
        case 'w': ticks = 4 * kTicksPerBeat; break;
        case 'h': ticks = 2 * kTicksPerBeat; break;
        case 'q': ticks = kTicksPerBeat; break;
        case 'e': ticks = kTicksPerBeat / 2; break;
        case 's': ticks = kTicksPerStep; break;
        case 't': ticks = kTicksPerBeat / 3; break;   // eighth-note triplet
        default:
            at = 0;
            while (at < text.size() && std::isdigit(uint8_t(text[at]))) ++at;
            if (at == 0) Throw(line, "bad length \"" + text + "\"");
            ticks = std::stoi(text.substr(0, at)) * kTicksPerStep;
    }
    if (at < text.size() && text[at] == '.') ticks += ticks / 2, ++at;
    if (at != text.size() || ticks <= 0) Throw(line, "bad length \"" + text + "\"");
    return ticks;
}

Chord ParseChord(const std::string& text, int line) {
    Chord c;
    c.root = PitchClass(text[0], line);
    size_t at = 1;
    if (at < text.size() && text[at] == '#') c.root += 1, ++at;
    else if (at < text.size() && text[at] == 'b') c.root += 11, ++at;
    c.root %= 12;
    const size_t slash = text.find('/', at);
    const std::string quality = text.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    const auto q = ChordQualities().find(quality);
    if (q == ChordQualities().end()) Throw(line, "unknown chord \"" + text + "\"");
    c.intervals = q->second;
    c.bass = c.root;
    if (slash != std::string::npos) c.bass = ParseKey(text.substr(slash + 1) + "4", line) % 12;
    return c;
}

// The words of a line up to a comment: "#" starting a word (a sharp sits
// inside its note).
std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x && x[0] != '#';) w.push_back(x);
    return w;
}

class SongBuilder {
public:
    explicit SongBuilder(Song* song) : song_(song) {}
    void ReadLine(const std::string& raw, int line);
    void Finish();

private:
    void ReadPart(const std::vector<std::string>& w, int line);
    std::vector<Chord> SectionChords(const Section& s) const;
    void AddNote(int tick, int length, const PartDef& p, int key, int velocity, int salt);
    void NoteLine(const Section& s, const PartDef& p, const std::vector<Token>& tokens, int at, int sectionTicks);
    void StyleLine(const PartDef& p, const std::vector<Token>& tokens, const std::vector<Chord>& chords,
                   int at, int sectionTicks);
    void DrumLine(const PartDef& p, int key, const std::vector<Token>& tokens, int bars, int at);
    int BarTicks() const { return song_->meter * kTicksPerBeat; }

    Song* song_;
    std::vector<PartDef> parts_;
    std::vector<Section> sections_;
    std::vector<Token> form_;
    Section* current_ = nullptr;
    std::set<std::string> touched_;
};

void SongBuilder::ReadPart(const std::vector<std::string>& w, int line) {
    PartDef p;
    p.drums = w[0] == "drums";
    if (w.size() < 2 || w.size() % 2) Throw(line, "expected: " + w[0] + " NAME followed by key value pairs");
    p.part.name = w[1];
    for (const PartDef& other : parts_)
        if (other.part.name == p.part.name) Throw(line, "part \"" + p.part.name + "\" twice");
    for (size_t i = 2; i + 1 < w.size(); i += 2) {
        const std::string& key = w[i];
        const std::string& value = w[i + 1];
        if (key == "low") { p.low = ParseKey(value, line); continue; }
        int number = 0;
        double real = 0;
        try { real = std::stod(value); number = int(real); } catch (const std::logic_error&) { Throw(line, "bad number \"" + value + "\""); }
        if (key == "gate") {
            if (real <= 0 || real > 1) Throw(line, "gate must lie above 0 and at most 1");
            p.gate = real;
            continue;
        }
        if (number < 0 || number > 127) Throw(line, key + " must lie in 0 to 127");
        if (key == "program") p.part.program = number;
        else if (key == "volume") p.part.volume = number;
        else if (key == "pan") p.part.pan = number;
        else if (key == "reverb") p.part.reverb = number;
        else if (key == "chorus") p.part.chorus = number;
        else if (key == "velocity") p.velocity = number;
        else Throw(line, "unknown part setting \"" + key + "\"");
    }
    if (p.drums) {
        p.part.channel = kDrumChannel;
        for (const PartDef& other : parts_)
            if (other.drums) Throw(line, "only one drum part");
    } else {
        int melodic = 0;
        for (const PartDef& other : parts_) melodic += other.drums ? 0 : 1;
        p.part.channel = melodic < kDrumChannel ? melodic : melodic + 1;
        if (p.part.channel > 15) Throw(line, "too many parts");
    }
    parts_.push_back(p);
}

void SongBuilder::ReadLine(const std::string& raw, int line) {
    const std::vector<std::string> w = Words(raw);
    if (w.empty()) return;
    const std::string& head = w[0];
    if (head.back() == ':') {
        if (!current_) Throw(line, "a part line outside a section");
        const std::string key = head.substr(0, head.size() - 1);
        std::vector<Token>& tokens = current_->lines[key];
        // A section made "like" another replaces the lines it gives again;
        // further lines of the same key continue it.
        if (touched_.insert(key).second) tokens.clear();
        for (size_t i = 1; i < w.size(); ++i) tokens.push_back({w[i], line});
        return;
    }
    current_ = nullptr;
    if (head == "tempo" && w.size() == 2) song_->tempo = std::stod(w[1]);
    else if (head == "meter" && w.size() == 2) song_->meter = std::stoi(w[1]);
    else if (head == "part" || head == "drums") ReadPart(w, line);
    else if (head == "form") {
        for (size_t i = 1; i < w.size(); ++i) form_.push_back({w[i], line});
    } else if (head == "section" && (w.size() == 3 || (w.size() == 5 && w[3] == "like"))) {
        Section s;
        s.name = w[1];
        s.bars = std::stoi(w[2]);
        s.line = line;
        if (s.bars <= 0) Throw(line, "a section needs bars");
        for (const Section& other : sections_)
            if (other.name == s.name) Throw(line, "section \"" + s.name + "\" twice");
        if (w.size() == 5) {
            auto base = std::find_if(sections_.begin(), sections_.end(), [&](const Section& o) { return o.name == w[4]; });
            if (base == sections_.end()) Throw(line, "no earlier section \"" + w[4] + "\"");
            s.lines = base->lines;
        }
        sections_.push_back(s);
        current_ = &sections_.back();
        touched_.clear();
    } else Throw(line, "unknown line \"" + head + "\"");
    if (song_->tempo <= 0 || song_->meter < 2 || song_->meter > 4) Throw(line, "tempo must be positive, meter 2 to 4");
}

std::vector<Chord> SongBuilder::SectionChords(const Section& s) const {
    std::vector<Chord> chords;
    const auto found = s.lines.find("chords");
    if (found == s.lines.end()) return chords;
    // Bars split at "|"; the chords of a bar share it evenly; "." holds on.
    std::vector<std::vector<Token>> bars(1);
    for (const Token& t : found->second) {
        if (t.text == "|") bars.emplace_back();
        else bars.back().push_back(t);
    }
    if (bars.back().empty()) bars.pop_back();
    if (int(bars.size()) > s.bars) Throw(found->second.front().line, "more chord bars than the section has");
    for (int bar = 0; bar < s.bars; ++bar) {
        const std::vector<Token>& b = bars[size_t(bar) % bars.size()];
        if (b.empty()) Throw(found->second.front().line, "an empty chord bar");
        for (size_t i = 0; i < b.size(); ++i) {
            if (b[i].text == ".") continue;
            Chord c = ParseChord(b[i].text, b[i].line);
            c.tick = bar * BarTicks() + int(i) * BarTicks() / int(b.size());
            chords.push_back(c);
        }
    }
    if (chords.empty() || chords.front().tick != 0) Throw(s.line, "the chords must begin with the section");
    return chords;
}

void SongBuilder::AddNote(int tick, int length, const PartDef& p, int key, int velocity, int salt) {
    // A little give in the velocities, the same on every build.
    uint32_t h = uint32_t(tick) * 2654435761u ^ uint32_t(key * 40503 + salt * 977);
    h ^= h >> 15;
    velocity += int(h % 7) - 3;
    song_->notes.push_back({tick, std::max(1, length), p.part.channel, key, std::clamp(velocity, 1, 127)});
}

// Written notes: "e5:q", "c4+e4+g4:h", "r:e" (rest), "-:q" (the notes before
// go on), "|" (a bar line, checked); a length given stays for the notes
// after it; "!" after a note accents it, "?" softens it.
void SongBuilder::NoteLine(const Section& s, const PartDef& p, const std::vector<Token>& tokens, int at,
                           int sectionTicks) {
    struct Held {
        int tick, length, key, velocity;
    };
    std::vector<Held> notes;
    size_t lastGroup = 0;
    int tick = 0, length = kTicksPerBeat;
    for (const Token& t : tokens) {
        if (t.text == "|") {
            if (tick % BarTicks()) Throw(t.line, "a bar line " + std::to_string(tick % BarTicks() / kTicksPerStep) +
                                                     " sixteenths into a bar");
            continue;
        }
        std::string text = t.text;
        int velocity = p.velocity;
        if (text.back() == '!') velocity += 18, text.pop_back();
        else if (text.back() == '?') velocity -= 22, text.pop_back();
        const size_t colon = text.find(':');
        if (colon != std::string::npos) length = ParseLength(text.substr(colon + 1), t.line);
        const std::string head = text.substr(0, colon);
        if (head == "-") {
            if (lastGroup == notes.size()) Throw(t.line, "nothing to hold");
            for (size_t i = lastGroup; i < notes.size(); ++i) notes[i].length += length;
        } else if (head != "r") {
            lastGroup = notes.size();
            std::istringstream keys(head);
            for (std::string k; std::getline(keys, k, '+');) notes.push_back({tick, length, ParseKey(k, t.line), velocity});
        } else {
            lastGroup = notes.size();
        }
        tick += length;
        if (tick > sectionTicks) Throw(t.line, "the notes run past the end of section \"" + s.name + "\"");
    }
    for (const Held& n : notes) {
        const int gap = std::min(int(n.length * (1 - p.gate)), kTicksPerStep);
        AddNote(at + n.tick, n.length - gap, p, n.key, n.velocity, 1);
    }
}

// Parts that follow the chords: "pad", "hold" (the bass root), "strum", or a
// rhythm style from the table, optionally followed by the register's bottom note.
void SongBuilder::StyleLine(const PartDef& p, const std::vector<Token>& tokens, const std::vector<Chord>& chords,
                            int at, int sectionTicks) {
    const std::string& style = tokens[0].text;
    const int line = tokens[0].line;
    if (chords.empty()) Throw(line, "style \"" + style + "\" in a section without chords");
    if (tokens.size() > 2) Throw(line, "a style takes at most a register note");
    const int low = tokens.size() == 2 ? ParseKey(tokens[1].text, line) : p.low;
    auto above = [low](int pc) { return low + ((pc - low) % 12 + 12) % 12; };
    auto voicing = [&](const Chord& c) {
        std::vector<int> keys;
        for (int iv : c.intervals) keys.push_back(above((c.root + iv) % 12));
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        return keys;
    };
    auto chordAt = [&](int tick) {
        size_t i = 0;
        while (i + 1 < chords.size() && chords[i + 1].tick <= tick) ++i;
        return i;
    };
    auto gated = [&](int length) { return length - std::min(int(length * (1 - p.gate)), kTicksPerStep); };
    if (HeldStyle(style)) {
        for (size_t i = 0; i < chords.size(); ++i) {
            const Chord& c = chords[i];
            const int end = i + 1 < chords.size() ? chords[i + 1].tick : sectionTicks;
            std::vector<int> keys = style == "hold" ? std::vector<int>{above(c.bass)} : voicing(c);
            for (size_t k = 0; k < keys.size(); ++k) {
                const int offset = style == "strum" ? int(k) * kTicksPerStep / 4 : 0;
                AddNote(at + c.tick + offset, gated(end - c.tick - offset), p, keys[k], p.velocity, int(k));
            }
        }
        return;
    }
    const auto found = Styles().find(style);
    if (found == Styles().end()) Throw(line, "unknown style \"" + style + "\"");
    size_t current = SIZE_MAX;
    int counter = 0;
    for (int bar = 0; bar * BarTicks() < sectionTicks; ++bar) {
        for (const StyleStep& step : found->second) {
            const int tick = bar * BarTicks() + int(step.start * kTicksPerStep);
            if (step.start * kTicksPerStep >= BarTicks() || tick >= sectionTicks) continue;
            const size_t ci = chordAt(tick);
            if (ci != current) current = ci, counter = 0;
            const Chord& c = chords[ci];
            std::vector<int> chordKeys = voicing(c);
            std::vector<int> arp = chordKeys;
            arp.push_back(chordKeys.front() + 12);
            const int root = above(c.bass);
            std::vector<int> keys;
            switch (step.what) {
                case 'c': keys = chordKeys; break;
                case 'r': keys = {root}; break;
                case 'f': keys = {root + 7}; break;
                case 'o': keys = {root + 12}; break;
                case 't': keys = {above((c.root + c.intervals[1]) % 12)}; break;
                case 'a': keys = {arp[size_t(counter) % arp.size()]}; break;
                default: {  // up and down without repeating the ends
                    const int period = 2 * int(arp.size()) - 2;
                    const int k = counter % period;
                    keys = {arp[size_t(k < int(arp.size()) ? k : period - k)]};
                }
            }
            ++counter;
            const int length = std::min(int(step.length * kTicksPerStep), sectionTicks - tick);
            // The first step of a beat is a little stronger.
            const int velocity = p.velocity + (int(step.start) % 4 == 0 ? 6 : -4);
            for (size_t k = 0; k < keys.size(); ++k) AddNote(at + tick, gated(length), p, keys[k], velocity, int(k));
        }
    }
}

// A drum grid: one character a sixteenth, "x" a hit, "X" an accent, "o" a
// ghost note, "." nothing; bars may be split by spaces or "|"; a grid shorter
// than the section repeats.
void SongBuilder::DrumLine(const PartDef& p, int key, const std::vector<Token>& tokens, int bars, int at) {
    std::string grid;
    for (const Token& t : tokens)
        if (t.text != "|") grid += t.text;
    const int steps = BarTicks() / kTicksPerStep;
    if (grid.empty() || grid.size() % size_t(steps)) Throw(tokens.front().line, "a drum grid must fill whole bars of " +
                                                                                    std::to_string(steps) + " steps");
    for (int i = 0; i < bars * steps; ++i) {
        const char c = grid[size_t(i) % grid.size()];
        int velocity = 0;
        if (c == 'x') velocity = p.velocity;
        else if (c == 'X') velocity = p.velocity + 25;
        else if (c == 'o') velocity = p.velocity - 35;
        else if (c != '.') Throw(tokens.front().line, std::string("unknown drum mark '") + c + "'");
        if (velocity) AddNote(at + i * kTicksPerStep, kTicksPerStep, p, key, velocity, 0);
    }
}

void SongBuilder::Finish() {
    if (form_.empty()) Throw(0, "no form");
    const PartDef* drums = nullptr;
    for (const PartDef& p : parts_)
        if (p.drums) drums = &p;
    int at = 0;
    for (const Token& f : form_) {
        auto s = std::find_if(sections_.begin(), sections_.end(), [&](const Section& x) { return x.name == f.text; });
        if (s == sections_.end()) Throw(f.line, "no section \"" + f.text + "\"");
        const int ticks = s->bars * BarTicks();
        const std::vector<Chord> chords = SectionChords(*s);
        for (const auto& [key, tokens] : s->lines) {
            if (key == "chords" || tokens.empty() || tokens[0].text == "rest") continue;
            const auto drum = DrumKeys().find(key);
            if (drum != DrumKeys().end()) {
                if (!drums) Throw(tokens[0].line, "a drum line without a drums part");
                DrumLine(*drums, drum->second, tokens, s->bars, at);
                continue;
            }
            auto p = std::find_if(parts_.begin(), parts_.end(), [&](const PartDef& x) { return x.part.name == key; });
            if (p == parts_.end() || p->drums) Throw(tokens[0].line, "no part \"" + key + "\"");
            if (HeldStyle(tokens[0].text) || Styles().count(tokens[0].text)) StyleLine(*p, tokens, chords, at, ticks);
            else NoteLine(*s, *p, tokens, at, ticks);
        }
        at += ticks;
    }
    song_->totalTicks = at;
    for (const PartDef& p : parts_) song_->parts.push_back(p.part);
    std::stable_sort(song_->notes.begin(), song_->notes.end(),
                     [](const SongNote& a, const SongNote& b) { return a.tick < b.tick; });
}

}  // namespace

bool LoadSong(const std::string& path, Song* song) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return false;
    }
    *song = Song();
    SongBuilder builder(song);
    int number = 0;
    try {
        for (std::string line; std::getline(in, line);) builder.ReadLine(line, ++number);
        builder.Finish();
    } catch (const ParseError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), e.line, e.what.c_str());
        return false;
    } catch (const std::logic_error&) {
        std::fprintf(stderr, "%s:%d: bad number\n", path.c_str(), number);
        return false;
    }
    return true;
}
