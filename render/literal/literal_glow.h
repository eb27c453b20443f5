// The glow as the GL 1.1 passes make it: the draw list rendered again into the lower-left
// 512x512 pixels and copied out, each level the one before drawn at half the size, and the eight
// levels laid over the frame as blended quads.
#pragma once
#include <cstdint>
#include "render/glow_levels.h"

// The literal passes' chain; the shaded path keeps its own (render/shaded/shaded_frame.h).
extern uint32_t glowChain[kGlowLevels];
extern int32_t glowChainCreated;

void UpdateGlowLiteral();
void CreateGlowChain();
void CaptureGlowSource();
void DownsampleGlowChain();
void CompositeGlowLiteral(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
