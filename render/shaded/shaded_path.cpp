#include "render/shaded/shaded_path.h"

#include "render/render_state.h"
#include "render/shaded/shaded_draw.h"
#include "render/shaded/shaded_frame.h"
#include "render/shaded/shaded_quads.h"
#include "render/shaded/shaders.h"

namespace {

// The literal passes share the context: they start from GL's state as fixed function sees it.
void HandOverShaded() {
    LeaveShadedFrame();
    LeaveShadedDrawing();
}

void ReadColourShaded(float rgba[4]) {
    for (int i = 0; i < 4; ++i) rgba[i] = CurrentRenderState().colour[i];
}

} // namespace

const FramePathOps shadedFramePath = {
    PrepareShadedFrame,
    ReadRenderStateFromGL, // the literal passes kept their state in GL
    HandOverShaded,
    DrawMeshShaded,
    RenderDrawListShaded,
    DrawScreenImageShaded,
    BeginOverlay2DShaded,
    EndOverlay2DShaded,
    DrawTintedQuadShaded,
    DrawOverlayRectShaded,
    UpdateGlowShaded,
    CompositeGlowShaded,
    FinishFrameShaded,
    ReadColourShaded,
    SetColour,
};

void ForgetShadedGLObjects() {
    ForgetShaderPrograms();
    ForgetShadedDrawing();
    ForgetShadedTargets();
}
