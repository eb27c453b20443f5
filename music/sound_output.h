// The show's side of its sound output: once a pass, what the platform saw of outputs coming and
// going goes to the sound layer with the show's time, so that a lost output plays on silently in
// step with the show and a new one plays from there; and music heard out of step with the show's
// time (an output that plays at another pace than the clock, or runs dry on a loaded machine) is
// moved back to it.
#pragma once
#include <cstdint>

// Beyond this the music is moved back to the show's time. A sound card's clock and the
// system's part by a few ms over the show at most, so a card that plays on never gets here; a
// move is heard as a skip.
constexpr int32_t kMusicOutOfStepMs = 30;

void FollowSoundOutput(int32_t showMs);
