#include "tools/datagen/synth_core.h"

#include <cmath>
#include <cstdlib>

namespace {
// One bar is 1666 ms = 1666 * 44100 / 1000 samples; a step is a 16th of that.
const int64_t kStepNumerator = int64_t(kBarMs) * kSynthRate; // samples per step * 16000
const int64_t kStepDenominator = int64_t(kStepsPerBar) * 1000;
const float kKickDuckAttackSeconds = 0.003f;
const float kKickDuckRecoverySeconds = 0.05f;
const float kMaxCutoffFraction = 0.45f; // of the sample rate
const float kDecayCutoff = 20.0f;       // exp(-20) is -174 dB
} // namespace

int64_t StepSample(int step) {
    return (int64_t(step) * kStepNumerator + kStepDenominator / 2) / kStepDenominator;
}

int64_t StepLength(int step, int steps) {
    return StepSample(step + steps) - StepSample(step);
}

int64_t SongFrameCount() {
    return StepSample(kSongBars * kStepsPerBar);
}

bool CreateMix(Mix* mix) {
    mix->frameCount = SongFrameCount();
    size_t n = size_t(mix->frameCount);
    mix->left = static_cast<float*>(calloc(n, sizeof(float)));
    mix->right = static_cast<float*>(calloc(n, sizeof(float)));
    mix->reverbSend = static_cast<float*>(calloc(n, sizeof(float)));
    mix->delaySend = static_cast<float*>(calloc(n, sizeof(float)));
    for (int64_t& k : mix->lastKick) k = -1;
    if (!mix->left || !mix->right || !mix->reverbSend || !mix->delaySend) {
        FreeMix(mix);
        return false;
    }
    return true;
}

void FreeMix(Mix* mix) {
    free(mix->left);
    free(mix->right);
    free(mix->reverbSend);
    free(mix->delaySend);
    mix->left = mix->right = mix->reverbSend = mix->delaySend = nullptr;
    mix->frameCount = 0;
}

void PanGains(float pan, float* left, float* right) {
    float angle = (pan + 1.0f) * float(kPi) * 0.25f;
    // Scaled so that the centre keeps unit gain in each channel (and in the mono sum).
    *left = std::cos(angle) * float(M_SQRT2);
    *right = std::sin(angle) * float(M_SQRT2);
}

float DuckGain(const Mix* mix, int64_t frame, float depth) {
    if (frame < 0 || frame >= mix->frameCount) return 1.0f;
    int step = int(frame * kStepDenominator / kStepNumerator);
    while (step > 0 && StepSample(step) > frame) step--;
    while (step + 1 < kSongBars * kStepsPerBar && StepSample(step + 1) <= frame) step++;
    int64_t kick = mix->lastKick[step];
    if (kick < 0) return 1.0f;
    float t = float(frame - kick) / kSynthRate;
    // A few milliseconds of attack keep the dip itself from clicking.
    float attack = 1.0f - Decay(t, kKickDuckAttackSeconds);
    return 1.0f - depth * attack * Decay(t, kKickDuckRecoverySeconds);
}

float MidiToHz(float midi) {
    return 440.0f * std::exp2((midi - 69.0f) / 12.0f);
}

float Decay(float t, float tau) {
    float x = t / tau;
    return x > kDecayCutoff ? 0.0f : std::exp(-x);
}

float Tanh(float x) {
    // exp's overflow to infinity gives 1 for large x, its underflow to 0 gives -1 for small.
    return 1.0f - 2.0f / (std::exp(2.0f * x) + 1.0f);
}

Noise SeedNoise(uint32_t seed) {
    Noise n;
    n.state = seed * 2654435761u + 0x9E3779B9u;
    if (n.state == 0) n.state = 1;
    return n;
}

float NextNoise(Noise* noise) {
    uint32_t x = noise->state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise->state = x;
    return float(x >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

namespace {
// Removes the step of a discontinuity at phase 0 (polynomial band-limited step).
float PolyBlep(float phase, float increment) {
    if (phase < increment) {
        float t = phase / increment;
        return t + t - t * t - 1.0f;
    }
    if (phase > 1.0f - increment) {
        float t = (phase - 1.0f) / increment;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}
} // namespace

float SawSample(float phase, float increment) {
    return 2.0f * phase - 1.0f - PolyBlep(phase, increment);
}

float SquareSample(float phase, float increment) {
    float half = phase + 0.5f;
    if (half >= 1.0f) half -= 1.0f;
    float value = phase < 0.5f ? 1.0f : -1.0f;
    return value + PolyBlep(phase, increment) - PolyBlep(half, increment);
}

SvfCoefficients MakeSvf(float cutoffHz, float resonance) {
    float limit = kMaxCutoffFraction * kSynthRate;
    if (cutoffHz > limit) cutoffHz = limit;
    if (cutoffHz < 10.0f) cutoffHz = 10.0f;
    if (resonance < 0.0f) resonance = 0.0f;
    if (resonance > 0.98f) resonance = 0.98f;
    SvfCoefficients c;
    // tan as sin over cos: tanf's last bit differs between C libraries, as tanhf's (Tanh).
    float w = float(kPi) * cutoffHz / kSynthRate;
    float g = std::sin(w) / std::cos(w);
    c.k = 2.0f - 2.0f * resonance;
    c.a1 = 1.0f / (1.0f + g * (g + c.k));
    c.a2 = g * c.a1;
    c.a3 = g * c.a2;
    return c;
}
