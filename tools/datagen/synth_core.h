// Building blocks of the soundtrack synthesizer: the song grid, the mix buffers, oscillators and
// filters. Everything is deterministic: no clocks, no threads, noise from fixed seeds.
#pragma once
#include <cstdint>

const int kSynthRate = 44100;
const int kBarMs = 1666;
const int kStepsPerBar = 16; // the grid is 16th notes, four per beat
const int kSongBars = 64;    // 106.6 s: the show ends at 104 s, the music fades out by bar 62
const double kPi = 3.14159265358979323846;

// Sample index of 16th step n, rounded from the exact rational position so that no error
// accumulates: bar b starts at round(b * 1666 ms * 44.1), and bar 20 starts exactly at 33320 ms.
int64_t StepSample(int step);
// Samples in `steps` 16th steps starting at `step` (exact grid differences, not a rounded length).
int64_t StepLength(int step, int steps);
int64_t SongFrameCount();

// The whole song in memory: a stereo main bus and two mono effect sends, all frameCount long.
struct Mix {
    float* left;
    float* right;
    float* reverbSend;
    float* delaySend;
    int64_t frameCount;
    // Sample of the latest kick at or before each step; -1 when none. The pads and the bass duck
    // under the kick.
    int64_t lastKick[kSongBars * kStepsPerBar];
};

bool CreateMix(Mix* mix);
void FreeMix(Mix* mix);
// Adds a stereo sample with a constant-power pan (-1 left .. 1 right); out-of-range frames are
// dropped, so voices whose tails run past the end stay within the buffers.
inline void AddFrame(Mix* mix, int64_t frame, float left, float right) {
    if (frame < 0 || frame >= mix->frameCount) return;
    mix->left[frame] += left;
    mix->right[frame] += right;
}
inline void AddSend(float* send, const Mix* mix, int64_t frame, float value) {
    if (frame < 0 || frame >= mix->frameCount) return;
    send[frame] += value;
}
void PanGains(float pan, float* left, float* right);
// 1 away from kicks, dipping to 1 - depth right after one and recovering over about 150 ms.
float DuckGain(const Mix* mix, int64_t frame, float depth);

float MidiToHz(float midi);
// exp(-t / tau), flushed to 0 once it is inaudible (and before exp's slow underflow path).
float Decay(float t, float tau);
// tanh, from exp: C libraries differ in tanhf's last bit (glibc 2.41 made it and tanf correctly
// rounded), and the soundtrack must be the same bytes whichever Debian generates it.
float Tanh(float x);

// xorshift32: cheap, repeatable white noise in [-1, 1).
struct Noise {
    uint32_t state;
};
Noise SeedNoise(uint32_t seed);
float NextNoise(Noise* noise);

// Band-limited sawtooth (polyBLEP), phase in [0, 1).
float SawSample(float phase, float increment);
float SquareSample(float phase, float increment);

// Topology-preserving state variable filter: one input sample gives all three responses.
struct Svf {
    float ic1;
    float ic2;
};
struct SvfOut {
    float low;
    float band;
    float high;
};
struct SvfCoefficients {
    float k;
    float a1;
    float a2;
    float a3;
};
// resonance 0 (gentle, Q 0.5) .. 1 (self-oscillating); the cutoff is clamped below Nyquist.
SvfCoefficients MakeSvf(float cutoffHz, float resonance);
// Inline: it runs several times per sample in most voices.
inline SvfOut RunSvf(Svf* svf, const SvfCoefficients& c, float input) {
    float v3 = input - svf->ic2;
    float v1 = c.a1 * svf->ic1 + c.a2 * v3;
    float v2 = svf->ic2 + c.a2 * svf->ic1 + c.a3 * v3;
    svf->ic1 = 2.0f * v1 - svf->ic1;
    svf->ic2 = 2.0f * v2 - svf->ic2;
    SvfOut out;
    out.low = v2;
    out.band = v1;
    out.high = input - c.k * v1 - v2;
    return out;
}
// Filters whose cutoff moves recompute their coefficients once per this many samples.
const int kControlInterval = 32;
