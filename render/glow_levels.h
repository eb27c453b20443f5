// What both frame paths' glow shares: the source's size, the eight levels, the colour they are
// laid over the frame with and whether this frame's source has been captured.
#pragma once
#include <cstdint>

constexpr int kGlowLevels = 8;
constexpr int kGlowSourceSize = 512;

extern uint8_t glowColor[4]; // red, green, blue, running alpha

// Whether this frame's glow source has been captured: set by the capture, cleared by
// StartRenderFrame at the start of every frame.
bool GlowCaptured();
void SetGlowCaptured(bool captured);
