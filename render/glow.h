// The glow post-process: a 512x512 capture shrunk into eight levels and laid over the frame.
#pragma once
#include <cstdint>
#include "render/glow_levels.h"

void UpdateGlow();
void CompositeGlow(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
