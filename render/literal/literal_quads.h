// The screen quads of render/screen_quads.h as GL 1.1 draws them: immediate mode, the state
// saved and restored on GL's own stacks.
#pragma once
#include <cstdint>

void DrawScreenImageLiteral(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend);
void BeginOverlay2DLiteral();
void EndOverlay2DLiteral();
void DrawTintedQuadLiteral(float x0, float y0, float x1, float y1, float r, float g, float b,
                           float a, int32_t slot);
void DrawOverlayRectLiteral(float x0, float y0, float x1, float y1);
