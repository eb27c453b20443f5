// The glow post-process: a 512x512 capture shrunk into eight levels and laid over the frame.
#pragma once
#include <cstdint>

constexpr int kGlowLevels = 8;
constexpr int kGlowSourceSize = 512;

// The literal passes' chain; the default path keeps its own (render/shaded_frame.h).
extern uint32_t glowChain[kGlowLevels];
extern int32_t glowChainCreated;
extern uint8_t glowColor[4]; // red, green, blue, running alpha

// Whether this frame's glow source has been captured: set by the capture, cleared by
// StartRenderFrame at the start of every frame.
bool GlowCaptured();
void SetGlowCaptured(bool captured);

void UpdateGlow();
void CreateGlowChain();
void CaptureGlowSource();
void DownsampleGlowChain();
void CompositeGlow(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
