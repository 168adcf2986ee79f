// The three music tracks, composed in code: a small sequencer with synthesised
// instruments and drums, rendered circularly (note tails and echoes wrap to
// the start) so every track loops without a seam, then encoded as Ogg Vorbis.
#include <cmath>
#include <thread>

#include "levels.h"
#include "ogg.h"
#include "output.h"
#include "synth.h"

namespace assetgen {
namespace {

constexpr int kRate = 44100;

enum class Instrument { Bass, Lead, Pad, Brass, Pluck, Kick, Snare, Hat, Crash, Timpani };

struct Note {
    double beat;   // start, in beats
    double beats;  // length, in beats
    float pitch;   // MIDI note (drums ignore it)
    Instrument instrument;
    float velocity;
};

struct Song {
    std::string title;
    double bpm;
    int bars;  // 4 beats each
    std::vector<Note> notes;
    double seconds() const { return bars * 4 * 60.0 / bpm; }
};

// Scale degrees to MIDI notes.
struct Key {
    int root;
    bool minor;
    float Note(int degree, int octave = 0) const {
        static const int major[] = {0, 2, 4, 5, 7, 9, 11}, minorScale[] = {0, 2, 3, 5, 7, 8, 10};
        int o = degree >= 0 ? degree / 7 : (degree - 6) / 7;
        int d = degree - o * 7;
        return static_cast<float>(root + 12 * (octave + o) + (minor ? minorScale[d] : major[d]));
    }
};

struct Pan {
    float left, right;
};
Pan PanOf(Instrument i) {
    switch (i) {
    case Instrument::Lead: return {0.8f, 1.0f};
    case Instrument::Pluck: return {1.0f, 0.6f};
    case Instrument::Brass: return {0.9f, 0.8f};
    case Instrument::Hat: return {0.6f, 1.0f};
    default: return {1.0f, 1.0f};
    }
}

// Renders one note into the circular stereo buffer.
void RenderNote(std::vector<float>& buf, const Note& n, double bpm, uint32_t seed) {
    const size_t frames = buf.size() / 2;
    double secPerBeat = 60.0 / bpm;
    float dur = static_cast<float>(n.beats * secPerBeat);
    float f = MidiHz(n.pitch);
    float tail;
    switch (n.instrument) {
    case Instrument::Pad: tail = 1.2f; break;
    case Instrument::Crash: tail = 2.0f; break;
    case Instrument::Timpani: tail = 1.0f; break;
    default: tail = 0.4f;
    }
    size_t start = static_cast<size_t>(std::llround(n.beat * secPerBeat * kRate));
    size_t count = static_cast<size_t>((dur + tail) * kRate);
    Noise noise(seed);
    Resonant filter;
    LowPass lp;
    Pan pan = PanOf(n.instrument);
    float phase[3] = {0, 0.33f, 0.66f};
    for (size_t i = 0; i < count; ++i) {
        float t = static_cast<float>(i) / kRate;
        float gate = t < dur ? 1.0f : std::exp(-(t - dur) / (tail * 0.25f));
        float s = 0;
        switch (n.instrument) {
        case Instrument::Bass: {
            phase[0] += f / kRate;
            float env = std::min(1.0f, t / 0.005f) * gate;
            s = filter.Run(Saw(phase[0]) * 0.7f + Square(phase[0]) * 0.3f, 250 + 1600 * std::exp(-t * 12), 0.5f,
                           kRate) *
                env * 0.9f;
            break;
        }
        case Instrument::Lead: {
            float vib = 1 + 0.006f * std::sin(kTau * 5.5f * t) * std::min(1.0f, t / 0.3f);
            for (int k = 0; k < 2; ++k) phase[k] += f * vib * (k ? 1.004f : 0.996f) / kRate;
            float env = std::min(1.0f, t / 0.02f) * gate;
            s = filter.Run(Saw(phase[0]) + Saw(phase[1]), 1800 + 1800 * std::exp(-t * 4), 0.8f, kRate) * env * 0.32f;
            break;
        }
        case Instrument::Pad: {
            for (int k = 0; k < 3; ++k) phase[k] += f * (1 + (k - 1) * 0.005f) / kRate;
            float env = std::min(1.0f, t / 0.5f) * gate;
            s = lp.Run(Saw(phase[0]) + Saw(phase[1]) + Saw(phase[2]), 1200, kRate) * env * 0.14f;
            break;
        }
        case Instrument::Brass: {
            for (int k = 0; k < 2; ++k) phase[k] += f * (k ? 1.003f : 1.0f) / kRate;
            float env = std::min(1.0f, t / 0.04f) * (0.8f + 0.2f * std::exp(-t * 6)) * gate;
            float cutoff = 600 + 3000 * std::min(1.0f, t / 0.08f) * (0.6f + 0.4f * std::exp(-t * 3));
            s = filter.Run(Saw(phase[0]) + Saw(phase[1]), cutoff, 0.7f, kRate) * env * 0.3f;
            break;
        }
        case Instrument::Pluck: {
            phase[0] += f / kRate;
            s = lp.Run(Square(phase[0], 0.3f), 3000 * std::exp(-t * 6) + 300, kRate) * std::exp(-t * 5) *
                std::min(1.0f, t / 0.002f) * gate * 0.35f;
            break;
        }
        case Instrument::Kick: {
            phase[0] += (50 + 110 * std::exp(-t * 30)) / kRate;
            s = std::sin(kTau * phase[0]) * std::exp(-t * 9) * 1.1f;
            break;
        }
        case Instrument::Snare: {
            phase[0] += 190.0f / kRate;
            s = (filter.Run(noise.Next(), 5000, 0.6f, kRate) * std::exp(-t * 16) +
                 std::sin(kTau * phase[0]) * std::exp(-t * 25) * 0.5f) *
                0.8f;
            break;
        }
        case Instrument::Hat: {
            float x = noise.Next();
            s = (x - lp.Run(x, 7000, kRate)) * std::exp(-t * 60) * 0.5f;
            break;
        }
        case Instrument::Crash: {
            float x = noise.Next();
            s = (x - lp.Run(x, 4000, kRate)) * std::exp(-t * 2.2f) * 0.35f;
            break;
        }
        case Instrument::Timpani: {
            phase[0] += f * (1 + 0.05f * std::exp(-t * 20)) / kRate;
            s = (std::sin(kTau * phase[0]) + 0.3f * filter.Run(noise.Next(), 400, 0.5f, kRate) * std::exp(-t * 20)) *
                std::exp(-t * 3.5f) * 0.7f;
            break;
        }
        }
        s *= n.velocity;
        size_t at = (start + i) % frames;
        buf[2 * at] += s * pan.left;
        buf[2 * at + 1] += s * pan.right;
    }
}

std::vector<float> RenderSong(const Song& song) {
    size_t frames = static_cast<size_t>(std::llround(song.seconds() * kRate));
    std::vector<float> buf(frames * 2, 0.0f);
    uint32_t seed = 1;
    for (const Note& n : song.notes) RenderNote(buf, n, song.bpm, seed++);
    // Stereo echo, run twice round the loop so its state wraps too.
    size_t delay = static_cast<size_t>(60.0 / song.bpm * 0.75 * kRate);
    std::vector<float> wet(buf.size(), 0.0f);
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < frames; ++i) {
            size_t from = (i + frames - delay) % frames;
            wet[2 * i] = (buf[2 * from + 1] + wet[2 * from + 1]) * 0.35f;
            wet[2 * i + 1] = (buf[2 * from] + wet[2 * from]) * 0.35f;
        }
    float peak = 0;
    for (size_t i = 0; i < buf.size(); ++i) {
        buf[i] = buf[i] + wet[i] * 0.5f;
        peak = std::max(peak, std::fabs(buf[i]));
    }
    for (float& s : buf) s = std::tanh(s / peak * 1.2f) / std::tanh(1.2f);
    levels::Master(buf, 2, kRate, 0.0f, levels::kMusicLoudnessDb, levels::kMusicCeilingDb);
    return buf;
}

// Helpers for writing parts.
void Drums(Song& s, int bar, const char* kick, const char* snare, const char* hat, float vel = 1.0f) {
    // 16 steps per bar; 'x' hits, 'o' softer.
    for (int step = 0; step < 16; ++step) {
        double beat = bar * 4 + step * 0.25;
        auto hit = [&](const char* pattern, Instrument inst, float v) {
            if (pattern && pattern[step] == 'x') s.notes.push_back({beat, 0.25, 0, inst, v * vel});
            if (pattern && pattern[step] == 'o') s.notes.push_back({beat, 0.25, 0, inst, v * vel * 0.5f});
        };
        hit(kick, Instrument::Kick, 1.0f);
        hit(snare, Instrument::Snare, 0.8f);
        hit(hat, Instrument::Hat, 0.5f);
    }
}

void Chord(Song& s, const Key& k, int bar, int degree, int beats = 4, Instrument inst = Instrument::Pad,
           float vel = 1.0f, int octave = 0) {
    for (int d : {0, 2, 4})
        s.notes.push_back({bar * 4.0, static_cast<double>(beats), k.Note(degree + d, octave), inst, vel});
}

struct MotifNote {
    double beat, beats;
    int degree;  // scale steps above the chord's root degree
};
void Motif(Song& s, const Key& k, int bar, int chordDegree, const std::vector<MotifNote>& m, Instrument inst,
           int octave, float vel) {
    for (const MotifNote& n : m)
        s.notes.push_back({bar * 4 + n.beat, n.beats, k.Note(chordDegree + n.degree, octave), inst, vel});
}

Song Heroic() {
    // Title: D minor, 96 beats a minute, 28 bars (70 s).
    Song s{"Rebellion", 96, 28, {}};
    Key k{50, true};  // D3
    const int prog[] = {0, 5, 2, 6, 0, 5, 2, 6, 0, 5, 2, 6, 0, 5, 2, 6, 3, 5, 6, 0, 5, 6, 0, 0, 0, 5, 6, 4};
    const std::vector<MotifNote> call{{0, 1.5, 4}, {1.5, 0.5, 4}, {2, 1, 7}, {3, 1, 6}};
    const std::vector<MotifNote> answer{{0, 1, 4}, {1, 1, 2}, {2, 2, 4}};
    const std::vector<MotifNote> rise{{0, 0.5, 0}, {0.5, 0.5, 2}, {1, 0.5, 4}, {1.5, 0.5, 7}, {2, 2, 9}};
    for (int bar = 0; bar < s.bars; ++bar) {
        int d = prog[bar];
        Chord(s, k, bar, d, 4, Instrument::Pad, 1.0f, 1);
        s.notes.push_back({bar * 4.0, 1.5, k.Note(d, -1), Instrument::Bass, 1.0f});
        s.notes.push_back({bar * 4 + 1.5, 0.5, k.Note(d, -1), Instrument::Bass, 0.8f});
        s.notes.push_back({bar * 4 + 2.0, 2.0, k.Note(d + 4, -1), Instrument::Bass, 0.9f});
        s.notes.push_back({bar * 4.0, 1, k.Note(d, -1), Instrument::Timpani, 0.9f});
        if (bar % 2 == 1)
            for (double b : {2.5, 3.0, 3.5})
                s.notes.push_back({bar * 4 + b, 0.5, k.Note(d, -1), Instrument::Timpani, 0.6f});
        if (bar >= 4) Drums(s, bar, "x.......x.x.....", "....x.......x...", "x.x.x.x.x.x.x.x.", 0.8f);
        if (bar >= 8 && bar < 24)
            Motif(s, k, bar, d, bar % 2 == 0 ? call : (bar % 4 == 3 ? rise : answer), Instrument::Brass, 1, 0.9f);
        if (bar >= 16 && bar < 24) Motif(s, k, bar, d, bar % 2 == 0 ? answer : call, Instrument::Lead, 2, 0.6f);
        if (bar >= 24) Chord(s, k, bar, d, 4, Instrument::Brass, 0.7f, 1);
        if (bar % 8 == 0) s.notes.push_back({bar * 4.0, 1, 0, Instrument::Crash, 0.8f});
    }
    return s;
}

Song Driving() {
    // Battle: E minor, 150 beats a minute, 44 bars (70.4 s).
    Song s{"Galewrath", 150, 44, {}};
    Key k{52, true};  // E3
    const int prog[] = {0, 5, 6, 4};
    const std::vector<MotifNote> hook{{0, 0.5, 7}, {0.5, 0.5, 6}, {1, 0.5, 4}, {1.5, 1, 6}, {2.5, 0.5, 4}, {3, 1, 2}};
    const std::vector<MotifNote> run{{0, 0.5, 0}, {0.5, 0.5, 2}, {1, 0.5, 4}, {1.5, 0.5, 2},
                                     {2, 0.5, 4}, {2.5, 0.5, 6}, {3, 1, 7}};
    const std::vector<MotifNote> hold{{0, 3, 4}, {3, 1, 2}};
    for (int bar = 0; bar < s.bars; ++bar) {
        int d = prog[bar % 4];
        bool breakdown = bar >= 28 && bar < 32;
        for (int e = 0; e < 8; ++e)
            s.notes.push_back({bar * 4 + e * 0.5, 0.45, k.Note(d, -1) + (e % 4 == 3 ? 12.0f : 0.0f), Instrument::Bass,
                               e % 2 ? 0.75f : 1.0f});
        for (int e = 0; e < 8; ++e)
            s.notes.push_back({bar * 4 + e * 0.5, 0.4, k.Note(d + (e % 3) * 2, 1), Instrument::Pluck, 0.6f});
        Chord(s, k, bar, d, 4, Instrument::Pad, 0.8f, 1);
        if (breakdown)
            Drums(s, bar, "x...x...x...x...", nullptr, "..x...x...x...x.", 0.9f);
        else if (bar >= 2)
            Drums(s, bar, "x..x..x.x..x....", "....x.......x..o", "x.x.x.x.x.x.x.x.", 1.0f);
        else
            Drums(s, bar, nullptr, nullptr, "x.x.x.x.x.x.x.x.", 0.7f);
        if (bar >= 8 && bar < 28)
            Motif(s, k, bar, d, bar % 4 == 3 ? hold : (bar % 2 ? run : hook), Instrument::Lead, 2, 0.8f);
        if (bar >= 32) Motif(s, k, bar, d, bar % 2 ? hook : run, Instrument::Brass, 1, 0.8f);
        if (bar % 8 == 0) s.notes.push_back({bar * 4.0, 1, 0, Instrument::Crash, 0.9f});
    }
    return s;
}

Song Anthem() {
    // Ranking: C major, 84 beats a minute, 24 bars (68.6 s).
    Song s{"Korvenhymn", 84, 24, {}};
    Key k{48, false};  // C3
    const int prog[] = {0, 4, 5, 3, 0, 4, 3, 4, 5, 3, 0, 4, 0, 4, 5, 3, 3, 4, 0, 5, 3, 4, 0, 4};
    const std::vector<MotifNote> line{{0, 1.5, 4}, {1.5, 0.5, 5}, {2, 1, 4}, {3, 1, 2}};
    const std::vector<MotifNote> high{{0, 1, 7}, {1, 1, 6}, {2, 1.5, 4}, {3.5, 0.5, 2}};
    const std::vector<MotifNote> close{{0, 2, 2}, {2, 2, 0}};
    for (int bar = 0; bar < s.bars; ++bar) {
        int d = prog[bar];
        Chord(s, k, bar, d, 4, Instrument::Pad, 1.0f, 1);
        s.notes.push_back({bar * 4.0, 2, k.Note(d, -1), Instrument::Bass, 1.0f});
        s.notes.push_back({bar * 4 + 2.0, 2, k.Note(d + 4, -1), Instrument::Bass, 0.9f});
        Drums(s, bar, "x.......x.......", "....x..o....x.oo", bar >= 8 ? "x...x...x...x..." : nullptr, 0.7f);
        if (bar % 4 == 3)
            for (double b : {3.0, 3.25, 3.5, 3.75}) s.notes.push_back({bar * 4 + b, 0.25, 0, Instrument::Snare, 0.5f});
        Motif(s, k, bar, d, bar % 4 == 3 ? close : (bar % 2 ? high : line), Instrument::Brass, 1,
              bar >= 8 ? 1.0f : 0.7f);
        if (bar >= 12) Motif(s, k, bar, d, bar % 2 ? line : high, Instrument::Lead, 2, 0.5f);
        if (bar % 4 == 0) s.notes.push_back({bar * 4.0, 1, k.Note(d, -1), Instrument::Timpani, 0.8f});
        if (bar % 8 == 0) s.notes.push_back({bar * 4.0, 1, 0, Instrument::Crash, 0.8f});
    }
    return s;
}

}  // namespace

void GenerateMusic(Output& out) {
    struct Job {
        std::string path;
        Song (*compose)();
        int serial;
    };
    const Job jobs[] = {{"Sound/BGM/反逆.ogg", Heroic, 0x56540001},
                        {"Sound/BGM/Galewrath.ogg", Driving, 0x56540002},
                        {"Sound/BGM/Korvenhymn.ogg", Anthem, 0x56540003}};
    for (const Job& job : jobs) {
        Song song = job.compose();
        out.Write(job.path, EncodeOggVorbis(RenderSong(song), kRate, 0.1f, job.serial, song.title));
    }
}

}  // namespace assetgen
