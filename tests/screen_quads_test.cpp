// Clear colours, full-screen pictures and tinted quads, read back from the offscreen frame, on
// both frame paths; the GL state the literal quads leave, on the literal path.
#include "platform/gl_api.h"
#include <gtest/gtest.h>

#include <cstring>

#include "assets/texture_slots.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "support/test_support.h"

namespace {

// Slots at the top of the table, far from anything a loader would hand out first.
constexpr int32_t kWhiteSlot = 60;
constexpr int32_t kBlackSlot = 61;
constexpr int32_t kQuadrantSlot = 62;

uint32_t MakeTexture(int32_t slot, int size, const uint8_t* rgba) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    // No mipmaps here, so the default minifying filter would leave the texture incomplete.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    textureSlots[slot] = name;
    return name;
}

class ScreenQuads : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        SetFramePath(GetParam());
        const uint8_t white[4] = {255, 255, 255, 255};
        const uint8_t black[4] = {0, 0, 0, 255};
        // Rows bottom-up in memory: texture row t = 0 is red/green, row t = 1 blue/yellow.
        const uint8_t quadrants[16] = {255, 0, 0,   255, 0,   255, 0, 255,
                                       0,   0, 255, 255, 255, 255, 0, 255};
        MakeTexture(kWhiteSlot, 1, white);
        MakeTexture(kBlackSlot, 1, black);
        MakeTexture(kQuadrantSlot, 2, quadrants);
        SetTestColour(1, 1, 1, 1);
        SetBlend(false);
    }
    void TearDown() override {
        if (HasFailure())
            SaveFrame(std::string("screen_quads_") +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (int32_t slot : {kWhiteSlot, kBlackSlot, kQuadrantSlot}) {
            glDeleteTextures(1, &textureSlots[slot]);
            textureSlots[slot] = 0;
        }
        SetTestColour(1, 1, 1, 1);
        SetBlend(false);
        SetBlendFunc(GL_ONE, GL_ZERO);
    }
};

// The literal quads' own state, checked in GL.
class LiteralScreenQuads : public ScreenQuads {};

INSTANTIATE_TEST_SUITE_P(, ScreenQuads, ::testing::Values(FramePathLiteral, FramePathFast),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return info.param == FramePathLiteral ? "Literal" : "Default";
                         });
INSTANTIATE_TEST_SUITE_P(, LiteralScreenQuads, ::testing::Values(FramePathLiteral));

void ExpectPixel(int x, int y, int r, int g, int b, int tolerance = 1) {
    Rgba p = ReadScreenPixel(x, y);
    EXPECT_NEAR(p.r, r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p.g, g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p.b, b, tolerance) << "at " << x << "," << y;
}

struct QuadState {
    GLfloat projection[16], modelview[16], colour[4];
    GLint matrixMode, binding, blendSrc, blendDst, viewport[4];
    GLboolean blend, depthTest, cull, texture2d, depthMask;
};

QuadState ReadQuadState() {
    QuadState s{};
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.binding);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    s.blend = glIsEnabled(GL_BLEND);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    s.cull = glIsEnabled(GL_CULL_FACE);
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    return s;
}

bool SameState(const QuadState& a, const QuadState& b) {
    return memcmp(a.projection, b.projection, sizeof a.projection) == 0 &&
           memcmp(a.modelview, b.modelview, sizeof a.modelview) == 0 &&
           memcmp(a.colour, b.colour, sizeof a.colour) == 0 &&
           memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0 && a.matrixMode == b.matrixMode &&
           a.binding == b.binding && a.blendSrc == b.blendSrc && a.blendDst == b.blendDst &&
           a.blend == b.blend && a.depthTest == b.depthTest && a.cull == b.cull &&
           a.texture2d == b.texture2d && a.depthMask == b.depthMask;
}

} // namespace

TEST_P(ScreenQuads, ClearsUseByteOver256AndIgnoreTheTopByte) {
    // 255/256 = 0.99609375 stores as 254.004; Mesa (llvmpipe) rounds that to 254, not 255.
    ClearToColor(0x00FFFFFF);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.99609375f);
    EXPECT_EQ(clear[3], 1.0f);
    ExpectPixel(400, 300, 254, 254, 254, 0);

    ClearToColor(0xFF000000);
    ExpectPixel(10, 10, 0, 0, 0, 0);

    ClearToColor(0xFFFF00); // red in the low byte
    ExpectPixel(799, 599, 0, 254, 254, 0);

    ClearToRGB(0x180, 0x140, -1); // only the low 8 bits count
    ExpectPixel(0, 0, 128, 64, 254, 1);
}

TEST_P(ScreenQuads, ClearLeavesTheDepthBuffer) {
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    ClearToColor(0x000000);
    GLfloat depth = 0;
    glReadPixels(400, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.25f, 1e-3f);
    glClear(GL_DEPTH_BUFFER_BIT);
}

TEST_P(ScreenQuads, MultipliedPictureKeepsWhiteAndBlackensBlack) {
    ClearToRGB(200, 100, 50);
    DrawScreenImage(kWhiteSlot, 0, 0, 1, 1, ScreenMultiply);
    ExpectPixel(400, 300, 200, 100, 50);
    DrawScreenImage(kBlackSlot, 0, 0, 0.5f, 1, ScreenMultiply);
    ExpectPixel(100, 300, 0, 0, 0, 0);
    ExpectPixel(700, 300, 200, 100, 50);
}

TEST_P(ScreenQuads, MissingPictureDrawsAPlainQuad) {
    // A failed load leaves -1: texture 0 is bound and the multiply leaves the frame alone.
    ClearToRGB(30, 160, 90);
    DrawScreenImage(-1, 0, 0, 1, 1, ScreenMultiply);
    ExpectPixel(400, 300, 30, 160, 90);
    DrawScreenImage(kTextureSlotCount, 0, 0, 1, 1, ScreenMultiply);
    ExpectPixel(400, 300, 30, 160, 90);
    // Opaque, it shows the current colour.
    SetTestColour(0, 0, 1, 1);
    DrawScreenImage(-1, 0.5f, 0, 1, 1, ScreenOpaque);
    ExpectPixel(700, 300, 0, 0, 255);
    ExpectPixel(100, 300, 30, 160, 90);
    // A tinted quad without its picture is the plain tint.
    DrawTintedQuad(0, 0, 0.5f, 1, 0, 0, 0, 0.5f, -1);
    ExpectPixel(100, 300, 15, 80, 45);
}

TEST_P(ScreenQuads, PictureIsUprightAndFillsItsRectangle) {
    ClearToColor(0);
    DrawScreenImage(kQuadrantSlot, 0.25f, 0.25f, 0.75f, 0.75f, ScreenOpaque);
    ExpectPixel(250, 200, 255, 0, 0, 0);   // t = 0 row at the top, s = 0 at the left
    ExpectPixel(550, 200, 0, 255, 0, 0);   // top right
    ExpectPixel(250, 400, 0, 0, 255, 0);   // bottom left
    ExpectPixel(550, 400, 255, 255, 0, 0); // bottom right
    ExpectPixel(150, 300, 0, 0, 0, 0);     // outside the rectangle
    ExpectPixel(400, 500, 0, 0, 0, 0);
}

TEST_P(LiteralScreenQuads, PictureLeavesEveryStateAsItFoundIt) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_PROJECTION);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, textureSlots[kBlackSlot]);
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    const QuadState before = ReadQuadState();
    for (int32_t blend : {0, 1, 2, 3, 7}) {
        DrawScreenImage(kWhiteSlot, 0, 0, 1, 1, blend);
        EXPECT_TRUE(SameState(before, ReadQuadState())) << "blend " << blend;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_P(ScreenQuads, UnknownBlendKeepsTheEarlierFunction) {
    // Blend 7 turns blending on with the function already set: additive here.
    ClearToRGB(100, 100, 100);
    SetBlendFunc(GL_ONE, GL_ONE);
    SetTestColour(0.25f, 0.25f, 0.25f, 1);
    DrawScreenImage(kWhiteSlot, 0, 0, 1, 1, 7);
    ExpectPixel(400, 300, 164, 164, 164);
    // Opaque ignores the frame, alpha blends by the quad's alpha.
    SetTestColour(0, 1, 0, 0.5f);
    DrawScreenImage(kWhiteSlot, 0, 0, 1, 1, ScreenAlpha);
    ExpectPixel(400, 300, 82, 210, 82, 2);
    SetTestColour(1, 0, 0, 0.5f);
    DrawScreenImage(kWhiteSlot, 0, 0, 1, 1, ScreenOpaque);
    ExpectPixel(400, 300, 255, 0, 0);
}

TEST_P(ScreenQuads, TintedQuadDarkensByItsAlphaAndLeavesWhiteAlphaBlending) {
    ClearToRGB(200, 100, 40);
    SetBlend(false);
    DrawTintedQuad(0, 0, 1, 1, 0, 0, 0, 0.5f, kWhiteSlot);
    ExpectPixel(400, 300, 100, 50, 20);
    ExpectPixel(0, 0, 100, 50, 20);
    ExpectPixel(799, 599, 100, 50, 20);
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)); // the enable bits come back
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    if (ChosenFramePath() != FramePathLiteral) {
        const RenderState& state = CurrentRenderState();
        for (float c : state.colour) EXPECT_EQ(c, 1.0f);
        EXPECT_EQ(state.blendSrc, static_cast<uint32_t>(GL_SRC_ALPHA));
        EXPECT_FALSE(state.blend);
        return;
    }
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) EXPECT_EQ(c, 1.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_P(ScreenQuads, TintedQuadCoversOnlyItsRectangleAndClampsAlpha) {
    ClearToColor(0);
    DrawTintedQuad(0.5f, 0.5f, 1, 1, 1, 1, 1, 2.0f, kWhiteSlot);
    ExpectPixel(600, 450, 255, 255, 255);
    ExpectPixel(200, 150, 0, 0, 0, 0);
    ExpectPixel(600, 150, 0, 0, 0, 0);
    ExpectPixel(200, 450, 0, 0, 0, 0);
}
