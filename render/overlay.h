// The 2D overlay's space and the blends screen pictures are drawn with, on either frame path.
#pragma once
#include <cstdint>

// The 2D overlay mode's space: 800x600 units over the whole frame whatever its size in pixels
// (one unit per pixel at the default size), origin top-left.
constexpr float kOverlayWidth = 800.0f;
constexpr float kOverlayHeight = 600.0f;

enum ScreenBlend : int32_t {
    ScreenOpaque = 0,
    ScreenAdditive = 1,
    ScreenMultiply = 2,
    ScreenAlpha = 3,
};

// glEnable(GL_BLEND), then the calls of the ScreenBlend's row (the function stays for others).
void ApplyScreenBlend(int32_t blend);
