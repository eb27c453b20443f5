// The camera's whole view in the projection matrix: where world points land on the 800x600
// frame, what is clipped, and which matrix is left selected.
#include "platform/gl_api.h"
#include <gtest/gtest.h>

#include <vector>

#include "render/camera.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "support/test_support.h"

namespace {

struct Box {
    int minX = 800, minY = 600, maxX = -1, maxY = -1; // top-left origin
    bool Empty() const { return maxX < 0; }
};

// The pixels that are pure red, the colour the tests draw with.
Box RedBox() {
    std::vector<uint8_t> frame = ReadFrame();
    Box box;
    for (int row = 0; row < 600; ++row) {
        for (int x = 0; x < 800; ++x) {
            const uint8_t* p = &frame[(row * 800 + x) * 4];
            if (p[0] != 255 || p[1] != 0 || p[2] != 0) continue;
            const int y = 599 - row;
            if (x < box.minX) box.minX = x;
            if (x > box.maxX) box.maxX = x;
            if (y < box.minY) box.minY = y;
            if (y > box.maxY) box.maxY = y;
        }
    }
    return box;
}

// A rectangle facing the camera at depth z, in world units.
void DrawRect(float x0, float y0, float x1, float y1, float z) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, z);
    glVertex3f(x1, y0, z);
    glVertex3f(x1, y1, z);
    glVertex3f(x0, y1, z);
    glEnd();
}

class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        OpenTestDisplay();
        // Texture 0 is incomplete, so quads show the plain current colour; winding is not
        // what these tests are about.
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_CULL_FACE);
        glColor3f(1, 0, 0);
        ClearToColor(0);
        glClear(GL_DEPTH_BUFFER_BIT);
        camera = Camera{};
    }
    void TearDown() override {
        if (HasFailure())
            SaveFrame(std::string("camera_") +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        glEnable(GL_CULL_FACE);
        glColor3f(1, 1, 1);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

void ExpectNear(const Box& box, int minX, int minY, int maxX, int maxY) {
    EXPECT_NEAR(box.minX, minX, 1);
    EXPECT_NEAR(box.minY, minY, 1);
    EXPECT_NEAR(box.maxX, maxX, 1);
    EXPECT_NEAR(box.maxY, maxY, 1);
}

} // namespace

TEST_F(CameraTest, FocalMapsTheVirtualScreenOntoTheWindow) {
    SetCameraLens(&camera, 100, 5000, 200);
    ApplyCamera(&camera);
    // (160, 120) at distance 200 is the top-right corner, (0, 0) the centre.
    DrawRect(0, 0, 160, 120, 200);
    ExpectNear(RedBox(), 400, 0, 799, 299);

    ClearToColor(0);
    DrawRect(0, -10, 80, 10, 200); // x 80 lands half-way to the right border; 2.5 px a unit
    ExpectNear(RedBox(), 400, 275, 599, 324);

    // Twice as far, half as large.
    ClearToColor(0);
    DrawRect(-160, -120, 0, 0, 400);
    ExpectNear(RedBox(), 200, 300, 399, 449);
}

TEST_F(CameraTest, PointsBehindTheCameraAreClipped) {
    SetCameraLens(&camera, 90, 5000, 254);
    ApplyCamera(&camera);
    DrawRect(-1, -1, 1, 1, 100);
    Rgba centre = ReadScreenPixel(400, 300);
    EXPECT_EQ(centre.r, 255);

    ClearToColor(0);
    DrawRect(-1, -1, 1, 1, -100);
    DrawRect(-1, -1, 1, 1, 50); // in front, but nearer than zNear
    EXPECT_TRUE(RedBox().Empty());
}

TEST_F(CameraTest, NearerSurfacesWinTheDepthTest) {
    SetCameraLens(&camera, 100, 5000, 200);
    ApplyCamera(&camera);
    glColor3f(0, 1, 0);
    DrawRect(-20, -20, 20, 20, 300);
    glColor3f(1, 0, 0);
    DrawRect(-100, -100, 100, 100, 1000); // drawn later, but farther away
    Rgba centre = ReadScreenPixel(400, 300);
    EXPECT_EQ(centre.g, 255);
    EXPECT_EQ(centre.r, 0);
    Rgba outside = ReadScreenPixel(400, 300 + 45); // green reaches 33 px, red 50
    EXPECT_EQ(outside.r, 255);
}

TEST_F(CameraTest, PositionAndAnglesMoveTheView) {
    SetCameraLens(&camera, 100, 5000, 200);
    camera.x = 50;
    camera.y = -120;
    ApplyCamera(&camera);
    // Seen from (50, -120, 0) the world point (50, 0, 200) is at the top border's middle.
    DrawRect(50, 0, 210, 120, 200);
    EXPECT_TRUE(RedBox().Empty()); // entirely above the window
    ClearToColor(0);
    DrawRect(50, -120, 210, 0, 200);
    ExpectNear(RedBox(), 400, 0, 799, 299);

    // Pitch 90 then roll 90: turned about Z first, then X, so +X ends up straight ahead.
    // The other order would put (200, 0, 0) off to the side.
    ClearToColor(0);
    camera = Camera{};
    SetCameraLens(&camera, 100, 5000, 200);
    camera.pitch = 90;
    camera.roll = 90;
    ApplyCamera(&camera);
    glBegin(GL_QUADS);
    glVertex3f(200, -10, -10);
    glVertex3f(200, 10, -10);
    glVertex3f(200, 10, 10);
    glVertex3f(200, -10, 10);
    glEnd();
    // 2.5 pixels a unit at distance 200.
    ExpectNear(RedBox(), 375, 275, 424, 324);
}

TEST_F(CameraTest, LensKeepsIntegersExactAndProjectionStaysSelected) {
    SetCameraLens(&camera, 90, 5000, 110.5f);
    EXPECT_EQ(camera.zNear, 90.0f);
    EXPECT_EQ(camera.zFar, 5000.0f);
    EXPECT_EQ(camera.focal, 110.5f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(7, 8, 9);
    ApplyCamera(&camera);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(modelview[12], 7.0f); // the model-view belongs to mesh drawing
}

// The shaders draw through the same matrix worked out on the CPU: equal to GL's bit for bit,
// so edges fall on the same pixels on both frame paths.
TEST_F(CameraTest, CpuProjectionIsGLsBitForBit) {
    const Camera poses[] = {
        {-755, 112, 581, -82, 1.2f, 0, 254, 100, 5000},
        {1015, 1814, -207, -53, -34, 12.3f, 271, 100, 5000},
        {-357.328f, 230.128f, -65.191f, -83.4f, 5.1f, 10.8f, 110, 90, 5000},
        {-28, 128, -911, -1.1f, 12, 0, 110, 90, 5000},
    };
    for (const Camera& pose : poses) {
        ApplyCamera(&pose);
        GLfloat gl[16];
        glGetFloatv(GL_PROJECTION_MATRIX, gl);
        const Mat4& cpu = CurrentRenderState().projection;
        for (int i = 0; i < 16; ++i) EXPECT_EQ(cpu.m[i], gl[i]) << "element " << i;
    }
}
