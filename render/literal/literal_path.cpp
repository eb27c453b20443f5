#include "render/literal/literal_path.h"

#include "platform/gl_api.h"
#include "render/literal/literal_draw.h"
#include "render/literal/literal_glow.h"
#include "render/literal/literal_quads.h"
#include "render/overlay.h"
#include "render/render_state.h"

namespace {

const char* PrepareLiteral() {
    if (HasFixedFunction()) return nullptr;
    return "OpenGL ES has no fixed-function pipeline for the literal frame path";
}

// The post passes one by one, as blended full-screen quads: the reference picture.
void FinishFrameLiteral(const FrameFinish& finish) {
    CompositeGlowLiteral(0, 0, 1, 1, finish.glowAlpha, 1);
    if (finish.intro)
        DrawTintedQuadLiteral(0, 0, 1, 1, 1, 1, 1, finish.introAlpha, finish.whiteSlot);
    if (finish.endFade) {
        CompositeGlowLiteral(0, 0, 1, 1, finish.endGlowAlpha, 0);
        DrawTintedQuadLiteral(0, 0, 1, 1, 0, 0, 0, finish.endLevel, finish.whiteSlot);
    }
    DrawScreenImageLiteral(finish.dirtSlot, 0, 0, 1, 1, ScreenMultiply);
}

void ReadColourLiteral(float rgba[4]) {
    glGetFloatv(GL_CURRENT_COLOR, rgba);
}

void WriteColourLiteral(float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
}

} // namespace

const FramePathOps literalFramePath = {
    PrepareLiteral,
    WriteRenderStateToGL, // the shaded path kept GL's state in its record
    nullptr,
    DrawMeshLiteral,
    RenderDrawListLiteral,
    DrawScreenImageLiteral,
    BeginOverlay2DLiteral,
    EndOverlay2DLiteral,
    DrawTintedQuadLiteral,
    DrawOverlayRectLiteral,
    UpdateGlowLiteral,
    CompositeGlowLiteral,
    FinishFrameLiteral,
    ReadColourLiteral,
    WriteColourLiteral,
};

void ForgetLiteralGLObjects() {
    for (uint32_t& level : glowChain) level = 0;
    glowChainCreated = 0;
}
