#include "render/screen_quads.h"

#include "platform/gl_api.h"
#include "render/frame.h"

namespace {

// Clear colours are byte / 256, so a full byte gives 0.99609375, never 1.0.
constexpr double kClearByteScale = 0.00390625;
constexpr int32_t kByteMask = 0xFF;

} // namespace

void ClearToRGB(int32_t r, int32_t g, int32_t b) {
    glClearColor(static_cast<GLclampf>((r & kByteMask) * kClearByteScale),
                 static_cast<GLclampf>((g & kByteMask) * kClearByteScale),
                 static_cast<GLclampf>((b & kByteMask) * kClearByteScale), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void ClearToColor(uint32_t packed) {
    ClearToRGB(static_cast<int32_t>(packed & kByteMask),
               static_cast<int32_t>((packed >> 8) & kByteMask),
               static_cast<int32_t>((packed >> 16) & kByteMask));
}

void DrawScreenImage(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend) {
    framePathOps->drawScreenImage(slot, x0, y0, x1, y1, blend);
}

void BeginOverlay2D() {
    framePathOps->beginOverlay2D();
}

// Only the enable bits come back; blend function, texture environment, viewport and colour
// set inside the overlay stay, and later passes rely on that.
void EndOverlay2D() {
    framePathOps->endOverlay2D();
}

void DrawTintedQuad(float x0, float y0, float x1, float y1, float r, float g, float b, float a,
                    int32_t slot) {
    framePathOps->drawTintedQuad(x0, y0, x1, y1, r, g, b, a, slot);
}

void DrawOverlayRect(float x0, float y0, float x1, float y1) {
    framePathOps->drawOverlayRect(x0, y0, x1, y1);
}
