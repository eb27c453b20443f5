// The show's side of its sound output coming and going: once a pass, what the platform saw goes
// to the sound layer with the show's time, so that a lost output plays on silently in step with
// the show and a new one plays from there.
#pragma once
#include <cstdint>

void FollowSoundOutput(int32_t showMs);
