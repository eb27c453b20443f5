// The glow chain rendered for real: the halo around a bright mesh and the composite's alphas on
// both frame paths; the literal chain's eight textures and the GL state its passes leave.
#include "platform/gl_api.h"
#include <gtest/gtest.h>

#include <cstring>

#include "assets/texture_slots.h"
#include "programs/frame_loop.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/literal/literal_glow.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "support/test_support.h"

namespace {

constexpr int32_t kWhiteSlot = 63;

MeshVertex corners[4];
MeshTriangle triangles[2] = {{{0, 1, 2}}, {{0, 2, 3}}};
Mesh square{};

// A white square of 40 x 40 pixels centred on (200, 150), top-left origin: upper left, so a
// flipped glow would show.
void MakeSquare() {
    const float xs[4] = {180, 220, 220, 180};
    const float ys[4] = {600 - 170, 600 - 170, 600 - 130, 600 - 130};
    for (int i = 0; i < 4; ++i) corners[i] = MeshVertex{{xs[i], ys[i], 0}, {0, 0}, {0, 0, 1}};
    square = Mesh{};
    square.vertexCount = 4;
    square.triangleCount = 2;
    square.frameCount = 1;
    square.vertices = corners;
    square.triangles = triangles;
    square.textureSlot = kWhiteSlot;
    square.vertexEntries = 4;
}

class GlowTest : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        SetFramePath(GetParam());
        MakeSolidTexture(kWhiteSlot, 255, 255, 255);
        MakeSquare();
        // One world unit per pixel of the 800x600 frame, y up; the capture squeezes it.
        SetTestOrtho(0, 800, 0, 600, -10, 10);
        SetTestColour(1, 1, 1, 1);
        ResetDrawList();
        BeginFrame();
    }
    void TearDown() override {
        if (HasFailure())
            SaveFrame(std::string("glow_") +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        glDeleteTextures(1, &textureSlots[kWhiteSlot]);
        textureSlots[kWhiteSlot] = 0;
        ResetDrawList();
        ForgetMeshBuffers();
        SetBlend(false);
        SetTestColour(1, 1, 1, 1);
        const Mat4 identity = IdentityMatrix();
        SetTestProjection(identity.m);
    }
};

// The literal chain's textures and the GL state its passes leave.
class LiteralGlowTest : public GlowTest {};

INSTANTIATE_TEST_SUITE_P(, GlowTest, ::testing::Values(FramePathLiteral, FramePathFast),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return info.param == FramePathLiteral ? "Literal" : "Default";
                         });
INSTANTIATE_TEST_SUITE_P(, LiteralGlowTest, ::testing::Values(FramePathLiteral));

// The glow of the queued list, the frame left clear: the literal path captures the list in the
// first update and keeps it in the second; the default path takes its glow from the frame drawn
// between the two. The second clears the frame on both.
void CaptureGlowOfList() {
    UpdateGlow();
    RenderDrawList();
    UpdateGlow();
}

// The glow of a list alone, composited over a black frame.
void GlowOnBlack(Mesh* mesh, int32_t alpha) {
    ClearToColor(0);
    ResetDrawList();
    if (mesh) QueueMesh(mesh);
    CaptureGlowOfList();
    CompositeGlow(0, 0, 1, 1, alpha, 1);
}

int Red(int x, int y) {
    return ReadScreenPixel(x, y).r;
}

} // namespace

TEST_P(LiteralGlowTest, FirstUpdateCreatesEightLevelsAndLaterOnesNone) {
    if (glowChainCreated) { // another case of this process got there first
        glDeleteTextures(kGlowLevels, glowChain);
        memset(glowChain, 0, sizeof glowChain);
        glowChainCreated = 0;
    }
    UpdateGlow();
    ASSERT_EQ(glowChainCreated, 1);
    uint32_t first[kGlowLevels];
    for (int i = 0; i < kGlowLevels; ++i) {
        SCOPED_TRACE(i);
        first[i] = glowChain[i];
        ASSERT_TRUE(glIsTexture(glowChain[i]));
        for (int j = 0; j < i; ++j) EXPECT_NE(glowChain[j], glowChain[i]);
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
        GLint width = 0, height = 0, wrapS = 0, wrapT = 0, minFilter = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(width, 512 >> i);
        EXPECT_EQ(height, 512 >> i);
        EXPECT_EQ(wrapS, GL_REPEAT);
        EXPECT_EQ(wrapT, GL_CLAMP);
        EXPECT_EQ(minFilter, GL_LINEAR);
    }
    BeginFrame();
    UpdateGlow();
    for (int i = 0; i < kGlowLevels; ++i) EXPECT_EQ(glowChain[i], first[i]);
}

TEST_P(GlowTest, BrightMeshGivesAFaintCopyAndAWideningHalo) {
    GlowOnBlack(&square, 12);
    SaveFrame("glow_bright_square");
    // Inside: the sharp level 0 at 12/255 plus the blurred ones.
    const int inside = Red(200, 150);
    EXPECT_GE(inside, 20);
    EXPECT_LE(inside, 80);
    // Beyond the square's edge (at y 170) the smaller levels still reach, fading outwards.
    const int near = Red(200, 180), far = Red(200, 200);
    EXPECT_GT(near, 0);
    EXPECT_LT(near, inside);
    EXPECT_LE(far, near);
    // Upright and unmirrored: nothing at the mirrored places, nothing far away.
    EXPECT_EQ(Red(200, 450), 0);
    EXPECT_EQ(Red(600, 150), 0);
    EXPECT_EQ(Red(790, 590), 0);
    // The glow is white: all channels alike.
    Rgba p = ReadScreenPixel(200, 150);
    EXPECT_EQ(p.g, p.r);
    EXPECT_EQ(p.b, p.r);
}

TEST_P(GlowTest, OnlyTheLowByteOfAlphaAndAdditiveCounts) {
    // A plain grey source: the clear colour is the glow's background, and the frame's.
    ClearToRGB(128, 128, 128);
    UpdateGlow();
    ASSERT_EQ(Red(400, 300), 128);
    CompositeGlow(0, 0, 1, 1, 256, 1); // as alpha 0: adds nothing
    EXPECT_EQ(Red(400, 300), 128);
    CompositeGlow(0, 0, 1, 1, 255, 256); // as additive 0: grey over grey stays grey
    EXPECT_NEAR(Red(400, 300), 128, 1);
    CompositeGlow(0, 0, 1, 1, 255, 1); // truly additive: eight levels of grey saturate
    EXPECT_EQ(Red(400, 300), 255);
}

TEST_P(LiteralGlowTest, CompositeKeepsTheAlphaByteAndLeavesTheLastLevelsColour) {
    GlowOnBlack(&square, 12);
    EXPECT_EQ(glowColor[3], 0);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_NEAR(colour[3], 5 / 255.0f, 1e-6f); // 12, 11, 10, 9, 8, 7, 6, 5

    glowColor[3] = 77;
    CompositeGlow(0, 0, 1, 1, 255, 0);
    EXPECT_EQ(glowColor[3], 77);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[3], 160 / 255.0f, 1e-6f); // 255, 239, ... 171, 160
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    glowColor[3] = 0;
}

TEST_P(GlowTest, RectangleCompositesTheSamePartOfTheImage) {
    ClearToRGB(128, 128, 128);
    CaptureGlowOfList();
    ClearToColor(0);
    CompositeGlow(0, 0, 0.5f, 0.5f, 255, 1);
    EXPECT_GT(Red(200, 150), 200);
    EXPECT_EQ(Red(600, 150), 0);
    EXPECT_EQ(Red(200, 450), 0);
    EXPECT_EQ(Red(600, 450), 0);

    // The top-left quarter of the square's glow lands on the top-left quarter of the window.
    GlowOnBlack(nullptr, 0);
    ClearToColor(0);
    ResetDrawList();
    QueueMesh(&square);
    BeginFrame();
    CaptureGlowOfList();
    CompositeGlow(0, 0, 0.5f, 0.5f, 255, 1);
    EXPECT_EQ(Red(200, 150), 255);
}

TEST_P(GlowTest, SecondUpdateInAFrameKeepsTheCaptureButClearsAgain) {
    ClearToColor(0);
    QueueMesh(&square);
    CaptureGlowOfList();
    EXPECT_EQ(Red(200, 150), 0);
    ResetDrawList(); // a third update would capture nothing, were it to capture
    RenderDrawList();
    UpdateGlow();
    CompositeGlow(0, 0, 1, 1, 255, 1);
    EXPECT_EQ(Red(200, 150), 255);

    BeginFrame(); // a new frame captures again, now an empty list
    CaptureGlowOfList();
    EXPECT_EQ(Red(200, 150), 0);
    CompositeGlow(0, 0, 1, 1, 255, 1);
    EXPECT_EQ(Red(200, 150), 0);
}

TEST_P(LiteralGlowTest, UpdateLeavesAClearFrameAndTheStateTheVisiblePassExpects) {
    ClearToRGB(0, 0, 64);
    QueueMesh(&square);
    SetTestColour(0.2f, 0.4f, 0.6f, 0.8f);
    GLfloat projection[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    UpdateGlow();
    // The frame is clear for the visible pass; the mesh went only into the capture.
    Rgba p = ReadScreenPixel(200, 150);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.b, 64);
    GLint viewport[4], mode = 0, src = 0, dst = 0;
    GLfloat colour[4], envMode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(memcmp(projection, after, sizeof after), 0); // the camera survives
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_EQ(c, 1.0f); // the first visible mesh is drawn in white
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}
