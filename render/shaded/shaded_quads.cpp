#include "render/shaded/shaded_quads.h"

#include "assets/texture_slots.h"
#include "platform/gl_api.h"
#include "platform/platform.h"
#include "render/overlay.h"
#include "render/render_state.h"
#include "render/shaded/shaded_draw.h"
#include "render/shaded/shaded_frame.h"

namespace {

// Overlays nest as deep as the attribute stack they stand in for lets them; the passes nest none.
constexpr int kOverlayDepth = 4;

struct SavedOverlay {
    RenderEnables enables;
    Mat4 projection;
};

struct OverlayStack {
    SavedOverlay saved[kOverlayDepth];
    int depth;
};

OverlayStack overlays;

Mat4 Ortho(double right, double bottom, double zNear, double zFar) {
    Mat4 m = IdentityMatrix();
    MultiplyOrtho(&m, 0, right, bottom, 0, zNear, zFar);
    return m;
}

QuadTexture TextureOf(uint32_t name) {
    const int levelSize = ShadedGlowLevelSize(name);
    return QuadTexture{name, static_cast<float>(levelSize)};
}

} // namespace

// Everything the fixed-function quad changes is put back: the record is not touched, the GL
// blend and depth test are set again from it.
void DrawScreenImageShaded(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend) {
    glDisable(GL_DEPTH_TEST);
    ApplyScreenBlend(blend);
    // Counter-clockwise on screen, so the quad survives back-face culling.
    const QuadCorner corners[4] = {
        {x0, y0, 0, 0, 0}, {x0, y1, 0, 0, 1}, {x1, y1, 0, 1, 1}, {x1, y0, 0, 1, 0}};
    DrawQuadShaded(corners, Ortho(1, 1, -1, 1), TextureOf(TextureSlotName(slot)));
    ReapplyRenderState();
}

void BeginOverlay2DShaded() {
    if (overlays.depth < kOverlayDepth)
        overlays.saved[overlays.depth] = {SaveEnables(), CurrentRenderState().projection};
    ++overlays.depth;
    SetDepthTest(false);
    SetCull(false);
    SetProjection(Ortho(kOverlayWidth, kOverlayHeight, 0, 1));
}

void EndOverlay2DShaded() {
    if (overlays.depth == 0) return;
    --overlays.depth;
    if (overlays.depth >= kOverlayDepth) return;
    RestoreEnables(overlays.saved[overlays.depth].enables);
    SetProjection(overlays.saved[overlays.depth].projection);
}

void DrawTintedQuadShaded(float x0, float y0, float x1, float y1, float r, float g, float b,
                          float a, int32_t slot) {
    BeginOverlay2DShaded();
    SetBlend(true);
    SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, frameWidth, frameHeight);
    SetBoundTexture(TextureSlotName(slot));
    SetColour(r, g, b, a);
    DrawOverlayRectShaded(x0, y0, x1, y1);
    SetColour(1, 1, 1, 1);
    EndOverlay2DShaded();
}

void DrawOverlayRectShaded(float x0, float y0, float x1, float y1) {
    // Texture rows run bottom-up, overlay rows top-down: hence 1 - y.
    const QuadCorner corners[4] = {
        {kOverlayWidth * x0, kOverlayHeight * y0, 0, x0, 1 - y0},
        {kOverlayWidth * x1, kOverlayHeight * y0, 0, x1, 1 - y0},
        {kOverlayWidth * x1, kOverlayHeight * y1, 0, x1, 1 - y1},
        {kOverlayWidth * x0, kOverlayHeight * y1, 0, x0, 1 - y1},
    };
    const RenderState& state = CurrentRenderState();
    DrawQuadShaded(corners, state.projection, TextureOf(state.texture));
}
