// Clear colours, full-screen pictures, tinted quads and the 2D overlay mode.
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
void ClearToRGB(int32_t r, int32_t g, int32_t b);
void ClearToColor(uint32_t packed); // 0x00BBGGRR
void DrawScreenImage(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend);
void BeginOverlay2D();
void EndOverlay2D();
void DrawTintedQuad(float x0, float y0, float x1, float y1, float r, float g, float b, float a,
                    int32_t slot);
// One quad over a normalised rectangle in overlay mode, showing the same rectangle of the
// bound texture, upright. Used by DrawTintedQuad and CompositeGlow.
void DrawOverlayRect(float x0, float y0, float x1, float y1);
