// The glow post-process: a 512x512 capture shrunk into eight levels and laid over the frame.
#pragma once
#include <cstdint>

constexpr int kGlowLevels = 8;
constexpr int kGlowSourceSize = 512;

extern uint32_t glowChain[kGlowLevels];
extern int32_t glowChainCreated;
extern int32_t glowCaptured; // cleared by BeginFrame every frame
extern uint8_t glowColor[4]; // red, green, blue, running alpha

void UpdateGlow();
void CreateGlowChain();
void CaptureGlowSource();
void DownsampleGlowChain();
void CompositeGlow(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
