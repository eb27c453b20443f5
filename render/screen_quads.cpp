#include "render/screen_quads.h"

// Placeholders until the renderer lands.
void ClearToRGB(int32_t, int32_t, int32_t) {}
void ClearToColor(uint32_t) {}
void DrawScreenImage(int32_t, float, float, float, float, int32_t) {}
void BeginOverlay2D() {}
void EndOverlay2D() {}
void DrawTintedQuad(float, float, float, float, float, float, float, float, int32_t) {}
