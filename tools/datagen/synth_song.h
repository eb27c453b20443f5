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

// Renders the whole song into a freshly created mix, effects, fade and limiter included.
void RenderSong(Mix* mix);
