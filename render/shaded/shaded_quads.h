// The screen quads of render/screen_quads.h on the default path: the same rectangles, colours
// and blends through the shaders, with the state saved and restored in the render-state record.
// A quad drawn while a draw list has left the sphere map on keeps its own texture coordinates.
#pragma once
#include <cstdint>

void DrawScreenImageShaded(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend);
void BeginOverlay2DShaded();
void EndOverlay2DShaded();
void DrawTintedQuadShaded(float x0, float y0, float x1, float y1, float r, float g, float b,
                          float a, int32_t slot);
void DrawOverlayRectShaded(float x0, float y0, float x1, float y1);
