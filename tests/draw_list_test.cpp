// The draw list run for real on both frame paths: blending, depth writes, the environment
// override and frame selection, checked in the pixels and the depth buffer, and the state left
// behind in GL (literal) or the render-state record (default).
#include "platform/gl_api.h"
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "assets/texture_slots.h"
#include "platform/display.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "support/test_support.h"

namespace {

constexpr int32_t kRedSlot = 60;
constexpr int32_t kGreenSlot = 61;
constexpr int32_t kBlueSlot = 62;
constexpr int32_t kWhiteSlot = 63;

// A mesh of axis-aligned rectangles, one per frame, in pixel units with y up; the test owns
// the arrays.
struct TestMesh {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;
    Mesh mesh{};
};

struct Rect {
    float x0, y0, x1, y1; // top-left origin, y down, like ReadScreenPixel
};

void AddFrame(TestMesh& m, Rect r, float z) {
    const float top = 600 - r.y0, bottom = 600 - r.y1;
    const float xs[4] = {r.x0, r.x1, r.x1, r.x0};
    const float ys[4] = {bottom, bottom, top, top};
    for (int i = 0; i < 4; ++i) {
        MeshVertex v{};
        v.position = {xs[i], ys[i], z};
        v.texCoord[0] = i == 1 || i == 2 ? 1.0f : 0.0f;
        v.texCoord[1] = i >= 2 ? 1.0f : 0.0f;
        v.normal = {0, 0, 1};
        m.vertices.push_back(v);
    }
}

// Counter-clockwise on screen, so the default back-face culling keeps both triangles.
void Finish(TestMesh& m, int32_t slot) {
    m.triangles = {{{0, 1, 2}}, {{0, 2, 3}}};
    m.mesh.vertexCount = 4;
    m.mesh.triangleCount = 2;
    m.mesh.frameCount = static_cast<int32_t>(m.vertices.size() / 4);
    m.mesh.vertices = m.vertices.data();
    m.mesh.triangles = m.triangles.data();
    m.mesh.vertexEntries = static_cast<int32_t>(m.vertices.size());
    m.mesh.textureSlot = slot;
}

TestMesh RectMesh(Rect r, int32_t slot, float z = 0) {
    TestMesh m;
    AddFrame(m, r, z);
    Finish(m, slot);
    return m;
}

class DrawListTest : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        SetFramePath(GetParam());
        MakeSolidTexture(kRedSlot, 255, 0, 0);
        MakeSolidTexture(kGreenSlot, 0, 255, 0);
        MakeSolidTexture(kBlueSlot, 0, 0, 255);
        MakeSolidTexture(kWhiteSlot, 255, 255, 255);
        // One world unit per pixel, y up, depth 0.5 at z = 0.
        SetTestOrtho(0, 800, 0, 600, -10, 10);
        ClearToRGB(64, 64, 64);
        glClear(GL_DEPTH_BUFFER_BIT);
        ResetDrawList();
        envOverride = false;
        envTextureSlot = -1;
    }
    void TearDown() override {
        if (HasFailure())
            SaveFrame(std::string("draw_list_") +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (int32_t slot = kRedSlot; slot <= kWhiteSlot; ++slot) {
            glDeleteTextures(1, &textureSlots[slot]);
            textureSlots[slot] = 0;
        }
        ResetDrawList(); // the test's meshes are gone by now
        QueueCommand(BlendOpaque);
        QueueCommand(SphereMapOff);
        QueueCommand(EnvTextureOff);
        RenderDrawList();
        ResetDrawList();
        ForgetMeshBuffers(); // the test's meshes are gone
        envTextureSlot = -1;
        SetTestColour(1, 1, 1, 1);
        const Mat4 identity = IdentityMatrix();
        SetTestProjection(identity.m);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

INSTANTIATE_TEST_SUITE_P(, DrawListTest, ::testing::Values(FramePathLiteral, FramePathFast),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             return info.param == FramePathLiteral ? "Literal" : "Default";
                         });

// The state the list left: GL's on the literal path, the record's on the default one.
bool BlendOn() {
    return ChosenFramePath() == FramePathLiteral ? glIsEnabled(GL_BLEND) : CurrentRenderState().blend;
}
bool SphereMapping() {
    if (ChosenFramePath() != FramePathLiteral) return CurrentRenderState().sphereMap;
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_S), glIsEnabled(GL_TEXTURE_GEN_T));
    return glIsEnabled(GL_TEXTURE_GEN_S);
}
bool DepthWrites() {
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    if (ChosenFramePath() != FramePathLiteral) {
        EXPECT_EQ(bool(mask), CurrentRenderState().depthMask);
    }
    return mask;
}
void ExpectBlendFunc(GLenum src, GLenum dst) {
    GLint s = 0, d = 0;
    glGetIntegerv(GL_BLEND_SRC, &s);
    glGetIntegerv(GL_BLEND_DST, &d);
    EXPECT_EQ(s, static_cast<GLint>(src));
    EXPECT_EQ(d, static_cast<GLint>(dst));
    if (ChosenFramePath() == FramePathLiteral) return;
    EXPECT_EQ(CurrentRenderState().blendSrc, src);
    EXPECT_EQ(CurrentRenderState().blendDst, dst);
}
float CurrentRed() {
    if (ChosenFramePath() != FramePathLiteral) return CurrentRenderState().colour[0];
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], colour[0]);
    return colour[0];
}

void ExpectPixel(int x, int y, int r, int g, int b, int tolerance = 1) {
    Rgba p = ReadScreenPixel(x, y);
    EXPECT_NEAR(p.r, r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p.g, g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(p.b, b, tolerance) << "at " << x << "," << y;
}

void ExpectBackground(int x, int y) {
    ExpectPixel(x, y, 64, 64, 64);
}

float DepthAt(int x, int y) {
    GLfloat depth = 0;
    glReadPixels(x, 599 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

const Rect kLeft = {100, 200, 300, 400};
const Rect kRight = {500, 200, 700, 400};

} // namespace

TEST_P(DrawListTest, EmptyListDrawsNothingAndChangesNoState) {
    RenderDrawList();
    ExpectBackground(400, 300);
    EXPECT_FALSE(BlendOn());
    EXPECT_FALSE(SphereMapping());
    EXPECT_TRUE(DepthWrites());
    EXPECT_FALSE(envOverride);
}

TEST_P(DrawListTest, AdditiveMeshSkipsDepthWritesAndOpaqueMeshWritesThem) {
    TestMesh a = RectMesh(kLeft, kRedSlot);
    TestMesh b = RectMesh(kRight, kGreenSlot);
    QueueCommand(BlendAdditive);
    QueueMesh(&a.mesh);
    QueueCommand(BlendOpaque);
    QueueMesh(&b.mesh);
    EXPECT_EQ(drawList.count, 6);
    RenderDrawList();
    ExpectPixel(200, 300, 255, 64, 64); // red added to the grey
    ExpectPixel(600, 300, 0, 255, 0);   // green replaces it
    ExpectBackground(400, 300);
    EXPECT_FLOAT_EQ(DepthAt(200, 300), 1.0f);
    EXPECT_NEAR(DepthAt(600, 300), 0.5f, 1e-4f);
}

TEST_P(DrawListTest, CommandsLeaveTheirStateForTheNextPass) {
    QueueCommand(SphereMapOn);
    QueueCommand(BlendMultiply);
    RenderDrawList();
    EXPECT_TRUE(SphereMapping());
    EXPECT_TRUE(BlendOn());
    ExpectBlendFunc(GL_ZERO, GL_SRC_COLOR);
    EXPECT_FALSE(DepthWrites());

    ResetDrawList();
    QueueCommand(SphereMapOff);
    QueueCommand(BlendAlpha);
    RenderDrawList();
    EXPECT_FALSE(SphereMapping());
    ExpectBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(DepthWrites());
}

TEST_P(DrawListTest, UnknownCodesAreSkippedWithTheirMarker) {
    TestMesh a = RectMesh(kLeft, kRedSlot);
    TestMesh b = RectMesh(kRight, kGreenSlot);
    QueueCommand(0);
    QueueMesh(&a.mesh);
    QueueCommand(9);
    QueueMesh(&b.mesh);
    RenderDrawList();
    ExpectPixel(200, 300, 255, 0, 0);
    ExpectPixel(600, 300, 0, 255, 0);
    EXPECT_FALSE(BlendOn());
}

TEST_P(DrawListTest, EnvironmentOverrideTexturesEveryMeshAcrossFrames) {
    TestMesh a = RectMesh(kLeft, kRedSlot);
    TestMesh none = RectMesh(kRight, -1);
    SetEnvTexture(kBlueSlot);
    QueueCommand(EnvTextureOn);
    QueueMesh(&a.mesh);
    QueueMesh(&none.mesh);
    RenderDrawList();
    ExpectPixel(200, 300, 0, 0, 255);
    ExpectPixel(600, 300, 0, 0, 255);

    // Next frame, no command: the override still holds.
    ClearToRGB(64, 64, 64);
    ResetDrawList();
    QueueMesh(&a.mesh);
    RenderDrawList();
    ExpectPixel(200, 300, 0, 0, 255);

    // Without an environment texture, nothing at all is drawn.
    ClearToRGB(64, 64, 64);
    SetEnvTexture(-1);
    QueueMesh(&none.mesh);
    RenderDrawList();
    ExpectBackground(200, 300);
    ExpectBackground(600, 300);

    ResetDrawList();
    QueueCommand(EnvTextureOff);
    QueueMesh(&a.mesh);
    RenderDrawList();
    ExpectPixel(200, 300, 255, 0, 0);
}

TEST_P(DrawListTest, MeshWithoutTextureDrawsNothingAndKeepsTheColour) {
    TestMesh none = RectMesh(kLeft, -1);
    TestMesh white = RectMesh(kRight, kWhiteSlot);
    SetTestColour(0.5f, 0.5f, 0.5f, 1.0f);
    QueueMesh(&none.mesh);
    QueueMesh(&white.mesh);
    RenderDrawList();
    ExpectBackground(200, 300);
    ExpectPixel(600, 300, 128, 128, 128); // the white texture times the earlier colour
    EXPECT_EQ(CurrentRed(), 1.0f);        // reset after the mesh that was drawn
}

TEST_P(DrawListTest, CurrentFrameSelectsItsVerticesAndBadFramesDrawNothing) {
    TestMesh m;
    AddFrame(m, {50, 100, 150, 200}, 0);
    AddFrame(m, {350, 100, 450, 200}, 0);
    AddFrame(m, {650, 100, 750, 200}, 0);
    Finish(m, kGreenSlot);
    m.mesh.currentFrame = 2;
    DrawMesh(&m.mesh);
    ExpectPixel(700, 150, 0, 255, 0);
    ExpectBackground(100, 150);
    ExpectBackground(400, 150);

    // A frame beyond the allocated vertices, or before them, is not drawn (nor read).
    ClearToRGB(64, 64, 64);
    for (int32_t frame : {3, -1, 1 << 29}) {
        m.mesh.currentFrame = frame;
        DrawMesh(&m.mesh);
    }
    ExpectBackground(100, 150);
    ExpectBackground(400, 150);
    ExpectBackground(700, 150);
    EXPECT_EQ(CurrentRed(), 1.0f);
}

TEST_P(DrawListTest, TriangleReachingOutsideItsFrameIsDroppedAlone) {
    TestMesh m = RectMesh({100, 100, 700, 500}, kRedSlot);
    m.triangles[0].indices[1] = 4; // one past the frame
    m.triangles.push_back({{0, 2, 0xFFFFFFFFu}});
    m.mesh.triangles = m.triangles.data();
    m.mesh.triangleCount = 3;
    DrawMesh(&m.mesh);
    // Triangle (0, 2, 3) covers the upper-left half; (0, 1, 2) the lower-right.
    ExpectPixel(200, 150, 255, 0, 0);
    ExpectBackground(600, 450);
}

TEST_P(DrawListTest, PlacementTurnsBy180Over3Point1416) {
    TestMesh bar = RectMesh({-100, -5 + 600, 100, 5 + 600}, kWhiteSlot);
    bar.mesh.position = {400, 300, 0};
    bar.mesh.roll = static_cast<float>(M_PI / 2);
    DrawMesh(&bar.mesh);
    ExpectPixel(400, 220, 255, 255, 255); // now upright
    ExpectPixel(400, 380, 255, 255, 255);
    ExpectBackground(480, 300);

    // pi/2 turns by 89.99979 degrees, so the cosine left in the matrix is not ~0.
    bar.mesh.roll = 0;
    bar.mesh.yaw = static_cast<float>(M_PI / 2);
    DrawMesh(&bar.mesh);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // The shaders' placement, worked out on the CPU, is GL's bit for bit.
    const Mat4 placement = MeshPlacement(&bar.mesh);
    for (int i = 0; i < 16; ++i) {
        if (ChosenFramePath() == FramePathLiteral) {
            EXPECT_EQ(placement.m[i], m[i]) << "element " << i;
        } else {
            m[i] = placement.m[i];
        }
    }
    const double degrees = static_cast<float>(bar.mesh.yaw * 180 * 0.31830914183855363);
    EXPECT_NEAR(degrees, 89.99979, 1e-5);
    EXPECT_NEAR(m[0], std::cos(degrees * M_PI / 180), 3e-7);
    EXPECT_GT(m[0], 3e-6f);
    EXPECT_FLOAT_EQ(m[12], 400);
    EXPECT_FLOAT_EQ(m[13], 300);
}

TEST_P(DrawListTest, DrawingAppliesTheDefaultStateWhenNobodyHas) {
    TestMesh a = RectMesh(kLeft, kRedSlot);
    glDisable(GL_CULL_FACE);
    renderStateApplied = 0;
    DrawMesh(&a.mesh);
    EXPECT_EQ(renderStateApplied, 1);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    ExpectPixel(200, 300, 255, 0, 0);
}

TEST_P(DrawListTest, FullListRefusesEntriesAndSaysSoOnce) {
    TestMesh a = RectMesh(kLeft, kRedSlot);
    QueueMesh(nullptr); // would read as a marker and swallow the next entry
    EXPECT_EQ(drawList.count, 0);
    for (int i = 0; i < kDrawListCapacity - 1; ++i) QueueMesh(&a.mesh);
    Captured c = CaptureOutputOf([&] {
        QueueCommand(BlendAdditive); // needs two entries, one is left
        EXPECT_EQ(drawList.count, kDrawListCapacity - 1);
        QueueMesh(&a.mesh);
        EXPECT_EQ(drawList.count, kDrawListCapacity);
        QueueMesh(&a.mesh);
        QueueCommand(BlendOpaque);
    });
    EXPECT_EQ(drawList.count, kDrawListCapacity);
    EXPECT_EQ(c.out, "");
    EXPECT_NE(c.err.find("draw list full"), std::string::npos) << c.err;
    EXPECT_EQ(c.err.find('\n'), c.err.size() - 1) << "said more than once: " << c.err;
    for (int i = 0; i < kDrawListCapacity; ++i) EXPECT_EQ(drawList.entries[i].mesh, &a.mesh);
    RenderDrawList();
    ExpectPixel(200, 300, 255, 0, 0);
}
