// The master chain of the soundtrack: effect returns, the closing fade and a peak limiter.
#pragma once
#include <cstdint>

#include "tools/datagen/synth_core.h"

// Tempo-synced ping-pong echo (a dotted eighth) of the delay send, added into the main bus; it
// also feeds the reverb send, so run it before ApplyReverb.
void ApplyDelay(Mix* mix, float wet);
// A plate-like stereo reverb of the reverb send, added into the main bus.
void ApplyReverb(Mix* mix, float wet);
// Dips the main bus by `depth` from just before `at` for about a tenth of a second: room for a
// stab that must stand out of the mix.
void DuckMain(Mix* mix, int64_t at, float depth);
// Scales the main bus by 1 - w^2, w running from 0 at fadeStart to 1 at fadeEnd, and zeroes
// everything after fadeEnd: the music fades with the picture's end fade and then is silent.
void ApplyFadeOut(Mix* mix, int64_t fadeStart, int64_t fadeEnd);
// Removes the small DC offset that one-sided waveforms (kick and boom attacks) leave behind.
void RemoveDc(Mix* mix);
// Scales the main bus by `gain`, then keeps every sample within +-ceiling with a look-ahead
// gain ramp (no hard clipping). Uses the delay send as scratch space, so run it last.
void ApplyLimiter(Mix* mix, float gain, float ceiling);
