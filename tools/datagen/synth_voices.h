// The instruments of the soundtrack. Each call renders one hit or note and adds it into the mix
// (and its effect sends) from frame `start`; gains are linear, pans run from -1 (left) to 1.
#pragma once
#include <cstdint>

#include "tools/datagen/synth_core.h"

// Drums.
void AddKick(Mix* mix, int64_t start, float gain);
void AddSnare(Mix* mix, int64_t start, float gain, uint32_t seed);
void AddClap(Mix* mix, int64_t start, float gain, uint32_t seed);
void AddHat(Mix* mix, int64_t start, float gain, float decaySeconds, float pan, uint32_t seed);
void AddCrash(Mix* mix, int64_t start, float gain, uint32_t seed);
// Filtered noise swelling over `length` frames and stopping dead at start + length.
void AddRiser(Mix* mix, int64_t start, int64_t length, float gain, uint32_t seed);
// A low boom with a falling pitch, for the big entrances.
void AddImpact(Mix* mix, int64_t start, float gain);

// Pitched voices; midi note numbers, A4 = 69 = 440 Hz.
struct BassTone {
    float cutoffHz;   // resting cutoff of the low-pass
    float envelopeHz; // extra cutoff at the attack, decaying fast
    float duckDepth;  // how far the note dips under each kick
};
void AddBass(Mix* mix, int64_t start, int64_t length, float midi, float gain, const BassTone& tone);

struct PadTone {
    float cutoffHz;
    float duckDepth;
    float reverb; // send level
};
void AddPad(Mix* mix, int64_t start, int64_t length, const float* midi, int count, float gain,
            const PadTone& tone, uint32_t seed);

// A short plucked saw (arpeggios): bright attack, quick decay.
void AddPluck(Mix* mix, int64_t start, int64_t length, float midi, float gain, float pan,
              float delay);

// Saw lead with delayed vibrato, for the melody of the drive.
void AddLead(Mix* mix, int64_t start, int64_t length, float midi, float gain, float delay);
// Soft triangle lead with few overtones, which leaves the 700-1000 Hz band to the stabs.
void AddFlute(Mix* mix, int64_t start, int64_t length, float midi, float gain, float delay);

// A struck FM tone that settles into a near-pure sine: the stab notes that drive the tree. The
// dry signal and the reverb send are scaled apart, so that a stab can be rendered in two passes
// (its reverb before the reverb runs, its dry part after the mix has ducked under it).
// `phase` (in turns) is the starting phase.
void AddBell(Mix* mix, int64_t start, float midi, float gain, float decaySeconds, float phase,
             float dry, float reverb);
