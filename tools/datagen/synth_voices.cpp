#include "tools/datagen/synth_voices.h"

#include <cmath>

namespace {
const float kTwoPi = float(2.0 * kPi);
const float kInvRate = 1.0f / kSynthRate;

int64_t Seconds(float s) {
    return int64_t(s * kSynthRate);
}

// Linear attack, flat, linear release that starts at `length`: the gain envelope of sustained
// notes, so that notes end without clicks.
float NoteEnvelope(int64_t i, int64_t length, int64_t attack, int64_t release) {
    float a = i < attack ? float(i) / float(attack) : 1.0f;
    if (i >= length) a *= 1.0f - float(i - length) / float(release);
    return a < 0.0f ? 0.0f : a;
}

float Wrap(float phase) {
    return phase - std::floor(phase);
}
} // namespace

void AddKick(Mix* mix, int64_t start, float gain) {
    const int64_t length = Seconds(0.45f);
    Noise noise = SeedNoise(uint32_t(start));
    Svf clickFilter = {0, 0};
    SvfCoefficients clickCoef = MakeSvf(4000.0f, 0.0f);
    float phase = 0.0f;
    const float drive = 1.6f;
    const float norm = 1.0f / Tanh(drive);
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        float hz = 44.0f + 110.0f * Decay(t, 0.03f) + 60.0f * Decay(t, 0.004f);
        phase = Wrap(phase + hz * kInvRate);
        float body = std::sin(kTwoPi * phase) * Decay(t, 0.22f);
        float click = RunSvf(&clickFilter, clickCoef, NextNoise(&noise)).low * Decay(t, 0.002f);
        float fade = i > length - 200 ? float(length - i) / 200.0f : 1.0f;
        float y = Tanh(drive * (body + 0.5f * click)) * norm * gain * fade;
        AddFrame(mix, start + i, y, y);
    }
}

void AddSnare(Mix* mix, int64_t start, float gain, uint32_t seed) {
    const int64_t length = Seconds(0.35f);
    Noise noise = SeedNoise(seed);
    Svf high = {0, 0};
    SvfCoefficients highCoef = MakeSvf(1800.0f, 0.1f);
    float phase = 0.0f;
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        phase = Wrap(phase + (175.0f + 60.0f * Decay(t, 0.01f)) * kInvRate);
        float body = std::sin(kTwoPi * phase) * Decay(t, 0.05f) * 0.6f;
        float hiss = RunSvf(&high, highCoef, NextNoise(&noise)).high * Decay(t, 0.09f);
        float y = (body + hiss) * gain;
        AddFrame(mix, start + i, y, y);
        AddSend(mix->reverbSend, mix, start + i, y * 0.15f);
    }
}

void AddClap(Mix* mix, int64_t start, float gain, uint32_t seed) {
    const int64_t length = Seconds(0.3f);
    const int64_t burst = Seconds(0.009f);
    Noise noise = SeedNoise(seed);
    Svf band = {0, 0};
    SvfCoefficients bandCoef = MakeSvf(1900.0f, 0.45f);
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        // Three quick slaps, then the room.
        float env = i < 3 * burst ? std::exp(-float(i % burst) / (0.0025f * kSynthRate))
                                  : Decay(t - 3 * burst * kInvRate, 0.07f);
        float y = RunSvf(&band, bandCoef, NextNoise(&noise)).band * env * gain * 1.6f;
        AddFrame(mix, start + i, y, y);
        AddSend(mix->reverbSend, mix, start + i, y * 0.3f);
    }
}

void AddHat(Mix* mix, int64_t start, float gain, float decaySeconds, float pan, uint32_t seed) {
    const int64_t length = Seconds(decaySeconds * 5.0f);
    Noise noise = SeedNoise(seed);
    Svf high = {0, 0};
    SvfCoefficients highCoef = MakeSvf(7500.0f, 0.3f);
    float l, r;
    PanGains(pan, &l, &r);
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        float y = RunSvf(&high, highCoef, NextNoise(&noise)).high * Decay(t, decaySeconds);
        y *= gain;
        AddFrame(mix, start + i, y * l, y * r);
    }
}

void AddCrash(Mix* mix, int64_t start, float gain, uint32_t seed) {
    const int64_t length = Seconds(3.0f);
    Noise noiseL = SeedNoise(seed);
    Noise noiseR = SeedNoise(seed + 7919u);
    Svf highL = {0, 0}, highR = {0, 0};
    SvfCoefficients highCoef = MakeSvf(4200.0f, 0.2f);
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        float env = Decay(t, 0.9f) * (i < 40 ? float(i) / 40.0f : 1.0f) * gain;
        float l = RunSvf(&highL, highCoef, NextNoise(&noiseL)).high * env;
        float r = RunSvf(&highR, highCoef, NextNoise(&noiseR)).high * env;
        AddFrame(mix, start + i, l, r);
        AddSend(mix->reverbSend, mix, start + i, (l + r) * 0.1f);
    }
}

void AddRiser(Mix* mix, int64_t start, int64_t length, float gain, uint32_t seed) {
    Noise noiseL = SeedNoise(seed);
    Noise noiseR = SeedNoise(seed + 104729u);
    Svf bandL = {0, 0}, bandR = {0, 0};
    SvfCoefficients coef = MakeSvf(300.0f, 0.5f);
    for (int64_t i = 0; i < length; i++) {
        float x = float(i) / float(length);
        if (i % kControlInterval == 0) coef = MakeSvf(300.0f * std::exp2(x * 4.5f), 0.55f);
        float env = x * x * gain;
        float l = RunSvf(&bandL, coef, NextNoise(&noiseL)).band * env;
        float r = RunSvf(&bandR, coef, NextNoise(&noiseR)).band * env;
        AddFrame(mix, start + i, l, r);
        AddSend(mix->reverbSend, mix, start + i, (l + r) * 0.2f);
    }
}

void AddImpact(Mix* mix, int64_t start, float gain) {
    const int64_t length = Seconds(1.6f);
    Noise noise = SeedNoise(uint32_t(start) ^ 0xB00Au);
    Svf low = {0, 0};
    SvfCoefficients lowCoef = MakeSvf(300.0f, 0.0f);
    float phase = 0.0f;
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        phase = Wrap(phase + (32.0f + 70.0f * Decay(t, 0.12f)) * kInvRate);
        float boom = std::sin(kTwoPi * phase) * Decay(t, 0.5f);
        float rumble = RunSvf(&low, lowCoef, NextNoise(&noise)).low * Decay(t, 0.25f) * 1.5f;
        float fade = i > length - 400 ? float(length - i) / 400.0f : 1.0f;
        float y = (boom + rumble) * gain * fade;
        AddFrame(mix, start + i, y, y);
        AddSend(mix->reverbSend, mix, start + i, rumble * gain * 0.3f);
    }
}

void AddBass(Mix* mix, int64_t start, int64_t length, float midi, float gain,
             const BassTone& tone) {
    const int64_t attack = Seconds(0.003f);
    const int64_t release = Seconds(0.02f);
    float hz = MidiToHz(midi);
    float phaseA = 0.0f, phaseB = 0.37f, phaseSub = 0.0f;
    Svf filter = {0, 0};
    SvfCoefficients coef = MakeSvf(tone.cutoffHz, 0.3f);
    for (int64_t i = 0; i < length + release; i++) {
        float t = i * kInvRate;
        if (i % kControlInterval == 0)
            coef = MakeSvf(tone.cutoffHz + tone.envelopeHz * Decay(t, 0.07f), 0.3f);
        float incA = hz * 1.003f * kInvRate, incB = hz * 0.997f * kInvRate;
        phaseA = Wrap(phaseA + incA);
        phaseB = Wrap(phaseB + incB);
        phaseSub = Wrap(phaseSub + hz * kInvRate);
        float raw = 0.5f * (SawSample(phaseA, incA) + SawSample(phaseB, incB));
        float y = RunSvf(&filter, coef, raw).low + 0.6f * std::sin(kTwoPi * phaseSub);
        y = Tanh(1.2f * y) * gain * NoteEnvelope(i, length, attack, release);
        y *= DuckGain(mix, start + i, tone.duckDepth);
        AddFrame(mix, start + i, y, y);
    }
}

void AddPad(Mix* mix, int64_t start, int64_t length, const float* midi, int count, float gain,
            const PadTone& tone, uint32_t seed) {
    const int kVoices = 3; // detuned saws per note: one left, one centre, one right
    const float kDetune[kVoices] = {-0.09f, 0.0f, 0.09f}; // semitones
    const int kMaxNotes = 8;
    const int64_t attack = Seconds(0.35f);
    const int64_t release = Seconds(0.6f);
    if (count > kMaxNotes) count = kMaxNotes;
    Noise noise = SeedNoise(seed);
    float phase[kMaxNotes][kVoices], inc[kMaxNotes][kVoices];
    for (int n = 0; n < count; n++)
        for (int v = 0; v < kVoices; v++) {
            phase[n][v] = 0.5f * (NextNoise(&noise) + 1.0f);
            inc[n][v] = MidiToHz(midi[n] + kDetune[v]) * kInvRate;
        }
    // Two cascaded two-pole low-passes per side keep the pad's upper harmonics down.
    SvfCoefficients coef = MakeSvf(tone.cutoffHz, 0.15f);
    Svf l1 = {0, 0}, l2 = {0, 0}, r1 = {0, 0}, r2 = {0, 0};
    float noteGain = gain / float(count);
    for (int64_t i = 0; i < length + release; i++) {
        float inL = 0.0f, inR = 0.0f;
        for (int n = 0; n < count; n++) {
            float s[kVoices];
            for (int v = 0; v < kVoices; v++) {
                phase[n][v] = Wrap(phase[n][v] + inc[n][v]);
                s[v] = SawSample(phase[n][v], inc[n][v]);
            }
            inL += s[0] + 0.6f * s[1];
            inR += s[2] + 0.6f * s[1];
        }
        float outL = RunSvf(&l2, coef, RunSvf(&l1, coef, inL).low).low;
        float outR = RunSvf(&r2, coef, RunSvf(&r1, coef, inR).low).low;
        float env = NoteEnvelope(i, length, attack, release) * noteGain;
        env *= DuckGain(mix, start + i, tone.duckDepth);
        AddFrame(mix, start + i, outL * env, outR * env);
        AddSend(mix->reverbSend, mix, start + i, (outL + outR) * env * tone.reverb);
    }
}

void AddPluck(Mix* mix, int64_t start, int64_t length, float midi, float gain, float pan,
              float delay) {
    const int64_t release = Seconds(0.01f);
    float inc = MidiToHz(midi) * kInvRate;
    float phase = 0.0f;
    Svf filter = {0, 0};
    SvfCoefficients coef = MakeSvf(2000.0f, 0.2f);
    float l, r;
    PanGains(pan, &l, &r);
    for (int64_t i = 0; i < length + release; i++) {
        float t = i * kInvRate;
        if (i % kControlInterval == 0) coef = MakeSvf(250.0f + 1800.0f * Decay(t, 0.04f), 0.2f);
        phase = Wrap(phase + inc);
        float y = RunSvf(&filter, coef, SawSample(phase, inc)).low;
        y *= Decay(t, 0.22f) * NoteEnvelope(i, length, 1, release) * gain;
        AddFrame(mix, start + i, y * l, y * r);
        AddSend(mix->delaySend, mix, start + i, y * delay);
    }
}

void AddLead(Mix* mix, int64_t start, int64_t length, float midi, float gain, float delay) {
    const int64_t attack = Seconds(0.006f);
    const int64_t release = Seconds(0.08f);
    float hz = MidiToHz(midi);
    float phaseSaw = 0.0f, phaseSquare = 0.25f, phaseVibrato = 0.0f;
    Svf filter = {0, 0};
    SvfCoefficients coef = MakeSvf(3000.0f, 0.2f);
    for (int64_t i = 0; i < length + release; i++) {
        float t = i * kInvRate;
        if (i % kControlInterval == 0) coef = MakeSvf(1400.0f + 3000.0f * Decay(t, 0.15f), 0.25f);
        // Vibrato fades in after the note has spoken.
        float depth = t < 0.15f ? 0.0f : std::fmin((t - 0.15f) * 2.0f, 1.0f) * 0.004f;
        phaseVibrato = Wrap(phaseVibrato + 5.5f * kInvRate);
        float inc = hz * (1.0f + depth * std::sin(kTwoPi * phaseVibrato)) * kInvRate;
        phaseSaw = Wrap(phaseSaw + inc);
        phaseSquare = Wrap(phaseSquare + inc * 1.004f);
        float raw = SawSample(phaseSaw, inc) + 0.5f * SquareSample(phaseSquare, inc * 1.004f);
        float y = RunSvf(&filter, coef, raw).low * NoteEnvelope(i, length, attack, release) * gain;
        AddFrame(mix, start + i, y, y);
        AddSend(mix->delaySend, mix, start + i, y * delay);
        AddSend(mix->reverbSend, mix, start + i, y * 0.25f);
    }
}

void AddFlute(Mix* mix, int64_t start, int64_t length, float midi, float gain, float delay) {
    const int64_t attack = Seconds(0.03f);
    const int64_t release = Seconds(0.12f);
    float hz = MidiToHz(midi);
    float phase = 0.0f, phaseVibrato = 0.0f;
    for (int64_t i = 0; i < length + release; i++) {
        float t = i * kInvRate;
        float depth = t < 0.2f ? 0.0f : std::fmin((t - 0.2f) * 2.0f, 1.0f) * 0.005f;
        phaseVibrato = Wrap(phaseVibrato + 5.0f * kInvRate);
        phase = Wrap(phase + hz * (1.0f + depth * std::sin(kTwoPi * phaseVibrato)) * kInvRate);
        // Triangle with a touch of sine: odd harmonics at 1/9, 1/25, ...
        float triangle = 1.0f - 4.0f * std::fabs(phase - 0.5f);
        float y = (0.7f * triangle + 0.3f * std::sin(kTwoPi * phase)) * gain;
        y *= NoteEnvelope(i, length, attack, release);
        AddFrame(mix, start + i, y, y);
        AddSend(mix->delaySend, mix, start + i, y * delay);
        AddSend(mix->reverbSend, mix, start + i, y * 0.3f);
    }
}

void AddBell(Mix* mix, int64_t start, float midi, float gain, float decaySeconds, float phase,
             float dry, float reverb) {
    // Full level for the hold time, so that at least one 60 Hz video frame's analysis window
    // (23 ms) sees the whole stab before it decays.
    const float hold = 0.045f;
    const int64_t length = Seconds(hold + decaySeconds * 7.0f);
    float hz = MidiToHz(midi);
    float carrier = Wrap(phase), modulator = carrier;
    for (int64_t i = 0; i < length; i++) {
        float t = i * kInvRate;
        // A bright 1:1 FM attack whose index dies away fast, leaving the fundamental.
        float index = 0.8f * Decay(t, 0.012f);
        carrier = Wrap(carrier + hz * kInvRate);
        modulator = Wrap(modulator + hz * kInvRate);
        float env = t < hold ? 1.0f : Decay(t - hold, decaySeconds);
        if (i < 30) env *= float(i) / 30.0f;
        float fade = i > length - 300 ? float(length - i) / 300.0f : 1.0f;
        float y = std::sin(kTwoPi * carrier + index * std::sin(kTwoPi * modulator));
        y *= env * fade * gain;
        if (dry > 0.0f) AddFrame(mix, start + i, y * dry, y * dry);
        if (reverb > 0.0f) AddSend(mix->reverbSend, mix, start + i, y * reverb);
    }
}
