// The window's surface and the default render state, read back from a real context.
#include "platform/gl_api.h"
#include <gtest/gtest.h>

#include "platform/display.h"
#include "support/test_support.h"

namespace {

struct RenderState {
    GLboolean texture2d, genS, genT, cull, depthTest;
    GLint shade, depthFunc, cullFace, modeS, modeT, hint;
    GLfloat clear[4];
    GLfloat clearDepth;
};

RenderState ReadRenderState() {
    RenderState s{};
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    s.genS = glIsEnabled(GL_TEXTURE_GEN_S);
    s.genT = glIsEnabled(GL_TEXTURE_GEN_T);
    s.cull = glIsEnabled(GL_CULL_FACE);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    glGetIntegerv(GL_SHADE_MODEL, &s.shade);
    glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
    glGetIntegerv(GL_CULL_FACE_MODE, &s.cullFace);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &s.modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &s.modeT);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &s.hint);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &s.clearDepth);
    return s;
}

void ExpectDefaultState(const RenderState& s) {
    EXPECT_TRUE(s.texture2d);
    EXPECT_FALSE(s.genS);
    EXPECT_FALSE(s.genT);
    EXPECT_EQ(s.modeS, GL_SPHERE_MAP);
    EXPECT_EQ(s.modeT, GL_SPHERE_MAP);
    EXPECT_TRUE(s.cull);
    EXPECT_EQ(s.cullFace, GL_BACK);
    EXPECT_TRUE(s.depthTest);
    EXPECT_EQ(s.depthFunc, GL_LEQUAL);
    EXPECT_EQ(s.shade, GL_SMOOTH);
    EXPECT_EQ(s.hint, GL_NICEST);
    for (float c : s.clear) EXPECT_FLOAT_EQ(c, 0.5f);
    EXPECT_FLOAT_EQ(s.clearDepth, 1.0f);
}

} // namespace

TEST(Display, SurfaceIs800x600WithDepthAndTheFullViewport) {
    OpenTestDisplay();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
}

TEST(Display, DefaultRenderStateReadsBackAndIsIdempotent) {
    OpenTestDisplay();
    EXPECT_EQ(renderStateApplied, 1);
    ExpectDefaultState(ReadRenderState());
    ApplyDefaultRenderState();
    ExpectDefaultState(ReadRenderState());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Display, DepthClearLeavesTheColourBuffer) {
    OpenTestDisplay();
    // Colour and a depth other than the clear depth first, so that the clear has work to do.
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ApplyDefaultRenderState();
    GLfloat depth = 0;
    glReadPixels(400, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    ASSERT_NEAR(depth, 0.25f, 1e-3f);

    ClearDepthBuffer();
    Rgba p = ReadScreenPixel(400, 300);
    EXPECT_NEAR(p.r, 64, 1);
    EXPECT_NEAR(p.g, 128, 1);
    EXPECT_NEAR(p.b, 191, 1);
    glReadPixels(400, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);
}
