// Sound effects (22 050 Hz mono, 16-bit) and the characters' voices. Voices are
// spoken by espeak-ng into a temporary WAV and then shaped here.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "levels.h"
#include "output.h"
#include "synth.h"
#include "wav.h"

namespace assetgen {
namespace {

constexpr int kRate = 22050;

using Voice = std::function<float(float t)>;

void MasterEffect(std::vector<float>& s) {
    levels::Master(s, 1, kRate, levels::kLoudnessWindow, levels::kEffectLoudnessDb, levels::kEffectCeilingDb,
                   levels::kEffectSoftClipDb);
}

std::vector<float> Render(float seconds, const Voice& f) {
    std::vector<float> s(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i) s[i] = f(static_cast<float>(i) / kRate);
    // Short fades at both ends so nothing clicks.
    size_t fade = std::min<size_t>(s.size() / 4, 64);
    for (size_t i = 0; i < fade; ++i) {
        s[i] *= static_cast<float>(i) / fade;
        s[s.size() - 1 - i] *= static_cast<float>(i) / fade;
    }
    MasterEffect(s);
    return s;
}

// Band-limited noise burst: noise through a low-pass whose cutoff follows `cutoff(t)`.
Voice Whoosh(uint32_t seed, const std::function<float(float)>& cutoff, const std::function<float(float)>& amp) {
    auto noise = std::make_shared<Noise>(seed);
    auto lp = std::make_shared<Resonant>();
    return [=](float t) { return lp->Run(noise->Next(), cutoff(t), 0.6f, kRate) * amp(t); };
}

Voice Boom(uint32_t seed, float length, float pitch) {
    auto noise = std::make_shared<Noise>(seed);
    auto lp = std::make_shared<LowPass>();
    auto phase = std::make_shared<float>(0.0f);
    return [=](float t) {
        *phase += (pitch * (0.4f + 0.6f * std::exp(-t * 8))) / kRate;
        float body = std::sin(kTau * *phase) * std::exp(-t * 6 / length);
        float rumble = lp->Run(noise->Next(), 300 + 3000 * std::exp(-t * 10), kRate) * std::exp(-t * 3.5f / length);
        float crack = noise->Next() * std::exp(-t * 40);
        return body * 0.8f + rumble * 2.2f + crack * 0.4f;
    };
}

Voice Chime(const std::vector<float>& notes, float spacing, float decay, float brightness) {
    return [=](float t) {
        float s = 0;
        for (size_t i = 0; i < notes.size(); ++i) {
            float lt = t - spacing * i;
            if (lt < 0) continue;
            float f = MidiHz(notes[i]);
            float env = AttackDecay(lt, 0.004f, decay);
            s += env * (std::sin(kTau * f * lt) + brightness * std::sin(kTau * 2.01f * f * lt) * std::exp(-lt * 8) +
                        0.3f * brightness * std::sin(kTau * 3.98f * f * lt) * std::exp(-lt * 14));
        }
        return s;
    };
}

Voice Metal(float base, float decay) {
    const float ratios[] = {1.0f, 2.76f, 5.40f, 8.93f, 13.34f};
    return [=](float t) {
        float s = 0;
        for (int k = 0; k < 5; ++k)
            s += std::sin(kTau * base * ratios[k] * t) * std::exp(-t * (1 + k * 0.8f) / decay) / (1 + k * 0.5f);
        return s * AttackDecay(t, 0.001f, 10);
    };
}

// The engine loop: harmonics and noise bands chosen to repeat exactly after
// `seconds`, so the loop has no seam.
std::vector<float> EngineLoop(float seconds) {
    size_t n = static_cast<size_t>(seconds * kRate);
    std::vector<float> s(n);
    Noise noise(77);
    Resonant wind, roar;
    // Run the filters once through the loop first so their state is settled at the start.
    std::vector<float> white(n);
    for (float& w : white) w = noise.Next();
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < n; ++i) {
            float t = static_cast<float>(i) / kRate, ph = t / seconds;  // ph 0..1 over the loop
            float gust = 0.6f + 0.25f * std::sin(kTau * ph * 2) + 0.15f * std::sin(kTau * ph * 5 + 1);
            float w = wind.Run(white[i], 700 + 500 * gust, 0.5f, kRate) * gust;
            float r = roar.Run(white[i], 180, 0.3f, kRate);
            float hum = 0;
            for (int k = 1; k <= 6; ++k) hum += std::sin(kTau * std::round(55.0f * k * seconds) / seconds * t) / k;
            if (pass == 1) s[i] = w * 1.6f + r * 2.5f + hum * 0.12f;
        }
    // Its loudness is taken over the whole loop: it is heard as a steady bed.
    levels::Master(s, 1, kRate, 0.0f, levels::kEngineLoudnessDb, levels::kEffectCeilingDb);
    return s;
}

// Speaks a line with espeak-ng and returns it shaped: pitch/tempo change by
// resampling, a soft saturation for grit, and the effects' level.
std::vector<float> Speak(const std::string& text, const std::string& voice, int pitch, int speed, float resample,
                         float grit) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("assetgen-voice-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::path wav = dir / "line.wav";
    std::string cmd = "espeak-ng -v " + voice + " -p " + std::to_string(pitch) + " -s " + std::to_string(speed) +
                      " -w '" + wav.string() + "' \"" + text + "\"";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("espeak-ng failed (is it installed?): " + text);
    std::vector<float> raw;
    int rate = 0;
    bool ok = ReadWav(wav.string(), raw, rate);
    std::filesystem::remove_all(dir);
    if (!ok || raw.empty()) throw std::runtime_error("espeak-ng gave no audio for: " + text);
    // Trim silence at both ends.
    size_t first = 0, last = raw.size();
    while (first < last && std::fabs(raw[first]) < 0.01f) ++first;
    while (last > first && std::fabs(raw[last - 1]) < 0.01f) --last;
    std::vector<float> out;
    float step = resample * rate / kRate;
    for (float pos = static_cast<float>(first); pos + 1 < static_cast<float>(last); pos += step) {
        size_t i = static_cast<size_t>(pos);
        float f = pos - static_cast<float>(i);
        float x = raw[i] * (1 - f) + raw[i + 1] * f;
        out.push_back(std::tanh(x * (1 + grit * 4)) / std::tanh(1 + grit * 4));
    }
    size_t fade = std::min<size_t>(out.size() / 4, 200);
    for (size_t i = 0; i < fade; ++i) out[out.size() - 1 - i] *= static_cast<float>(i) / fade;
    MasterEffect(out);
    return out;
}

}  // namespace

void GenerateSounds(Output& out) {
    auto put = [&](const std::string& name, const std::vector<float>& s) {
        out.Write("Sound/SE/" + name, EncodeWav(s, 1, kRate));
    };

    // Wing beat: two air thumps under a rising whoosh.
    put("Wing.wav", Render(0.5f, [w = Whoosh(
                                      1, [](float t) { return 400 + 2400 * std::sin(3.14f * t / 0.5f); },
                                      [](float t) { return std::sin(3.14f * t / 0.5f); })](float t) {
            float thump = std::sin(kTau * 70 * t) * (std::exp(-std::pow((t - 0.08f) / 0.03f, 2.0f)) +
                                                     std::exp(-std::pow((t - 0.3f) / 0.03f, 2.0f)));
            return w(t) + thump * 0.6f;
        }));
    // Lock-on volley: a cascade of rising chirps.
    put("MultiRock.wav", Render(0.8f, [](float t) {
            float s = 0;
            for (int k = 0; k < 6; ++k) {
                float lt = t - k * 0.08f;
                if (lt < 0 || lt > 0.25f) continue;
                float f = 900 + 2600 * lt / 0.25f + k * 120;
                s += std::sin(kTau * f * lt) * AttackDecay(lt, 0.005f, 0.08f);
            }
            return s;
        }));
    // Beam: a roaring rush with a low growl.
    put("FireDrive.wav", Render(1.6f, [w = Whoosh(
                                           3, [](float t) { return 300 + 3500 * std::exp(-t * 1.5f); },
                                           [](float t) { return AttackDecay(t, 0.08f, 0.6f); }),
                                       b = Boom(4, 1.6f, 55)](float t) { return w(t) * 1.2f + b(t) * 0.5f; }));
    // Fireball launch: a short fiery swish with crackle.
    put("FireBall.wav", Render(0.55f, [w = Whoosh(
                                           5, [](float t) { return 1800 * std::exp(-t * 3) + 300; },
                                           [](float t) { return AttackDecay(t, 0.02f, 0.15f); }),
                                       n = std::make_shared<Noise>(6)](float t) {
            float crackle = n->Next() > 0.97f ? n->Next() * std::exp(-t * 5) : 0.0f;
            return w(t) + crackle * 0.8f;
        }));
    put("Bomb3.wav", Render(0.9f, Boom(7, 0.9f, 80)));
    put("explode_l.wav", Render(1.3f, Boom(8, 1.3f, 45)));
    // Power laser: electric crackle over a buzzing sweep.
    put("SanderType.wav", Render(1.0f, [n = std::make_shared<Noise>(9)](float t) {
            float buzz =
                Saw(t * (220 - 120 * t)) * 0.4f + Square(t * 1760 * (1 + 0.2f * std::sin(kTau * 13 * t)), 0.3f) * 0.2f;
            float spark = (std::fabs(n->Next()) > 0.9f ? n->Next() : 0.0f) * (0.5f + 0.5f * std::sin(kTau * 23 * t));
            return (buzz + spark) * AttackDecay(t, 0.01f, 0.35f);
        }));
    put("ChangeOverDrive.wav", Render(0.4f, Chime({76, 83}, 0.07f, 0.12f, 0.6f)));
    put("unison_ok.wav", Render(0.7f, Chime({72, 76, 79, 84}, 0.06f, 0.18f, 0.5f)));
    put("Flame.wav",
        Render(1.0f, [w = Whoosh(
                          10, [](float) { return 900.0f; }, [](float t) { return AttackDecay(t, 0.03f, 0.35f); }),
                      n = std::make_shared<Noise>(11)](float t) {
            float pop = n->Next() > 0.985f ? 1.0f : 0.0f;
            return w(t) + pop * AttackDecay(t, 0.01f, 0.4f) * 0.7f;
        }));
    put("burner_f15.wav", EngineLoop(4.0f));
    put("Key_shift.wav", Render(0.16f, [](float t) { return Square(t * 1200, 0.4f) * std::exp(-t * 50); }));
    put("skilTrig_blow.wav", Render(0.8f, [c = Chime({79, 86, 91}, 0.05f, 0.2f, 0.7f),
                                           w = Whoosh(
                                               12, [](float t) { return 500 + 5000 * t; },
                                               [](float t) { return AttackDecay(t, 0.05f, 0.15f); })](float t) {
            return c(t) + w(t) * 0.6f;
        }));
    put("cursor_move.wav", Render(0.16f, [](float t) { return Square(t * 2000, 0.5f) * std::exp(-t * 90); }));
    put("Ranking/Member.wav", Render(0.45f, [m = Metal(180, 0.12f), n = std::make_shared<Noise>(13)](float t) {
            return m(t) + n->Next() * std::exp(-t * 60) * 0.6f;
        }));
    put("Ranking/power32.wav", Render(0.9f, Chime({60, 67, 72, 76, 79}, 0.0f, 0.35f, 0.8f)));
    put("Ranking/metal07.wav", Render(0.6f, Metal(420, 0.2f)));

    // Voices. The soldier speaks lower and rougher; the friendly character higher.
    auto voice = [&](const std::string& name, const std::vector<float>& s) { put(name, s); };
    voice("HitoVoice/HitoDameg.wav", Speak("Ugh!", "en-us", 30, 170, 0.85f, 0.5f));
    voice("HitoVoice/HitoDead.wav", Speak("Aaaargh!", "en-us", 25, 120, 0.8f, 0.6f));
    voice("CurryVoice/CurryHelp.wav", Speak("Help!", "en-us+f3", 85, 160, 1.1f, 0.0f));
    voice("CurryVoice/CurryDead.wav", Speak("Ouch!", "en-us+f3", 90, 170, 1.1f, 0.1f));
    voice("CurryVoice/あなたに、特別ですよ.wav",
          Speak("This one is special, just for you.", "en-us+f3", 80, 160, 1.1f, 0.0f));
    voice("CurryVoice/最高だ！.wav", Speak("The best!", "en-us+f3", 90, 160, 1.1f, 0.0f));
    voice("CurryVoice/わー僕は何もしてないよ～.wav",
          Speak("Waah, I didn't do anything!", "en-us+f3", 95, 170, 1.1f, 0.1f));
}

}  // namespace assetgen
