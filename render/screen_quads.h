// Clear colours, full-screen pictures, tinted quads and the 2D overlay mode.
#pragma once
#include <cstdint>
#include "render/overlay.h"

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
