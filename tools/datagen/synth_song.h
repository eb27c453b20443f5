// The arrangement of the soundtrack on the show's bar grid, and the master chain.
#pragma once

#include "tools/datagen/synth_core.h"

// Bars where the picture changes and the music marks it.
const int kTitleInBar = 4;    // the title swings in
const int kTitleTurnBar = 8;  // the title swings round
const int kCityTurnBar = 12;  // the city starts to turn, the beat starts
const int kRoadBar = 20;      // the road: full drive
const int kCreditsBar = 32;   // the credits: a groove
const int kFinaleBar = 52;    // the finale
const int kFadeStartBar = 56; // with the picture's end fade
const int kSilenceBar = 62;   // black picture, silent music

// A minor throughout. The intro, drive and finale turn round Am F C G; the credits groove
// round F G Em Am.
const int kStabBand = 3; // stab tones inside the tree's 700-1000 Hz band
struct Chord {
    float root;   // bass root, octave 1
    float pad[4]; // the pad's voicing, octave 3-4
    float body;   // the stab's low note, below the band
    // Its tones inside the band, 0 for none. Only G5 and A5 of the key lie well inside the
    // measured bins (F5, and even more E5 and B5, leak out of them), so every stab rings G5 and
    // A5, a dyad common to all chords of the key, and the body note gives each its colour.
    float band[kStabBand];
    float top;     // a sparkle above it
    float seventh; // the interval the groove's bass line turns on, kept inside the key
};

extern const Chord kAm, kF, kC, kG, kEm;

// Renders the whole song into a freshly created mix, effects, fade and limiter included.
void RenderSong(Mix* mix);
