// Scene set-up and teardown, and what each scene script leaves in the DrawList, the Camera and
// the scene objects, over a small data set written into a scratch folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/mesh_geometry.h"
#include "assets/texture_slots.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "script/frame_guard.h"
#include "script/scene_objects.h"
#include "script/scene_scripts.h"
#include "script/timeline_math.h"
#include "support/show_data_set.h"
#include "support/test_support.h"

namespace {

constexpr float kDeg = 0.017453292f;

// Loads the scenes from a fresh folder; the working folder moves there so "data/..." resolves.
void LoadShow(const ShowDataOptions& options = {}, bool withData = true) {
    LoadShowDataSet(options, withData);
}

// A queued item: a mesh, or a command when mesh is null.
struct Item {
    Mesh* mesh;
    int32_t code;
};
Item M(Mesh* m) {
    return {m, 0};
}
Item C(int32_t code) {
    return {nullptr, code};
}

std::vector<Item> RobotGroup() {
    return {M(&robot1), M(&robot2), M(&robot3), C(SphereMapOn),  C(EnvTextureOn),  C(BlendAdditive),
            M(&robot1), M(&robot2), M(&robot3), C(SphereMapOff), C(EnvTextureOff), C(BlendOpaque)};
}
std::vector<Item> TreePattern() {
    return {M(&city), C(SphereMapOn), M(&tree), C(SphereMapOff)};
}
std::vector<Item> Join(std::vector<Item> a, const std::vector<Item>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void ExpectDrawList(const std::vector<Item>& expected) {
    std::vector<Item> seen;
    for (int32_t i = 0; i < drawList.count; ++i) {
        if (drawList.entries[i].mesh) {
            seen.push_back(M(drawList.entries[i].mesh));
        } else if (++i < drawList.count) {
            seen.push_back(C(drawList.entries[i].code));
        }
    }
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].mesh, expected[i].mesh)
            << "item " << i << " is " << SceneObjectName(seen[i].mesh);
        EXPECT_EQ(seen[i].code, expected[i].code) << "item " << i;
    }
    EXPECT_LE(drawList.count, 30);
}

const MeshVertex& BlendVertex(const Mesh& m, int i) {
    return m.vertices[m.frameCount * m.vertexCount + i];
}
const MeshVertex& FrameVertex(const Mesh& m, int frame, int i) {
    return m.vertices[frame * m.vertexCount + i];
}

} // namespace

TEST(SceneSetUp, SlotsInLoadOrderSharedTexturesAndIndependentRobots) {
    LoadShow();
    // The loading picture fills the screen and nothing after it draws during set-up.
    // Points in light cells of its 16-texel checker, corner to corner.
    const int points[3][2] = {{12, 9}, {62, 47}, {787, 590}};
    for (const auto& xy : points) {
        const Rgba p = ReadScreenPixel(xy[0], xy[1]);
        EXPECT_NEAR(p.r, 40, 3);
        EXPECT_NEAR(p.g, 40, 3);
        EXPECT_NEAR(p.b, 200, 3);
    }
    EXPECT_EQ(loadingTexture, 0);
    EXPECT_EQ(dirtTexture, 1);
    EXPECT_EQ(whiteTexture, 2);
    EXPECT_EQ(city.textureSlot, 3);
    EXPECT_EQ(envTexture, 4);
    EXPECT_EQ(tree.textureSlot, envTexture);
    EXPECT_EQ(envTextureSlot, envTexture);
    for (Mesh* r : {&robot1, &robot2, &robot3}) EXPECT_EQ(r->textureSlot, 5);
    EXPECT_EQ(balls.textureSlot, 6);
    EXPECT_EQ(road2.textureSlot, 7);
    EXPECT_EQ(road1.textureSlot, 7);
    EXPECT_EQ(ribbons.textureSlot, 8);
    EXPECT_EQ(cityRibbons.textureSlot, 8);
    EXPECT_EQ(title.textureSlot, 9);
    EXPECT_EQ(credits.textureSlot, 10);
    EXPECT_EQ(greetings.textureSlot, 11);
    EXPECT_EQ(TextureSlotName(12), 0u);

    // The robots' body box has its first corner at (-15, 25, -10) in the file: scaled by 1.5,
    // with their own storage.
    ASSERT_EQ(robot1.frameCount, 32);
    EXPECT_FLOAT_EQ(robot1.vertices[0].position.x, -22.5f);
    EXPECT_FLOAT_EQ(robot2.vertices[0].position.y, 37.5f);
    EXPECT_NE(robot1.vertices, robot2.vertices);
    EXPECT_NE(robot2.vertices, robot3.vertices);
    InterpolateMeshFrame(&robot2, 0.0f);
    InterpolateMeshFrame(&robot3, 0.0f);
    InterpolateMeshFrame(&robot1, 8.0f);
    EXPECT_EQ(BlendVertex(robot2, 8).position.z, FrameVertex(robot2, 0, 8).position.z);
    EXPECT_NE(BlendVertex(robot1, 8).position.z, BlendVertex(robot2, 8).position.z);
    // Normals came before the scale and are still unit length.
    const Vec3 n = robot1.vertices[0].normal;
    EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5f);

    // Ribbons are 1.2 times the file, the city ribbons (same texture, radius 500) are not.
    EXPECT_NEAR(std::hypot(ribbons.vertices[0].position.x, ribbons.vertices[0].position.z),
                1.2f * std::hypot(300.0f - 20.0f, 80.0f), 0.05f);
    EXPECT_NEAR(std::hypot(cityRibbons.vertices[0].position.x, cityRibbons.vertices[0].position.z),
                std::hypot(500.0f - 20.0f, 80.0f), 0.05f);
}

TEST(SceneSetUp, TeardownFreesEveryMeshAndEverySlot) {
    LoadShow();
    TearDownScenes();
    for (Mesh* m : {&city, &tree, &robot1, &robot2, &robot3, &balls, &road2, &road1, &ribbons,
                    &cityRibbons, &title, &credits, &greetings}) {
        EXPECT_EQ(m->vertices, nullptr) << SceneObjectName(m);
        EXPECT_EQ(m->triangles, nullptr) << SceneObjectName(m);
    }
    for (int32_t s = 0; s < kTextureSlotCount; ++s) EXPECT_EQ(TextureSlotName(s), 0u) << s;
}

TEST(CityScript, DrawListGrowsFromTreeToTitleBallsAndRibbons) {
    LoadShow();
    const std::vector<Item> opening = Join(TreePattern(), {});
    const std::vector<Item> titled = Join(opening, {C(BlendMultiply), M(&title), C(BlendOpaque)});
    const std::vector<Item> balled =
        Join(titled, {M(&balls), C(SphereMapOn), C(BlendAdditive), C(EnvTextureOn), M(&balls),
                      C(SphereMapOff), C(EnvTextureOff), C(BlendOpaque)});
    const std::vector<Item> ribbons = {C(BlendAlpha), M(&cityRibbons), C(BlendOpaque)};

    struct Case {
        int32_t d;
        std::vector<Item> list;
    };
    const Case cases[] = {
        {0, opening},
        {6664, opening},
        {6665, titled},
        {19992, titled},
        {23324, Join(titled, ribbons)},
        {23325, Join(balled, ribbons)}, // the fullest frame: 30 entries
        {26656, Join(balled, ribbons)},
        {26657, balled},
        {33320, balled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("d = " + std::to_string(c.d));
        ResetDrawList();
        CityScene(c.d);
        ExpectDrawList(c.list);
    }
    EXPECT_EQ(drawList.count, 25);
}

TEST(CityScript, CameraTitleAndTurnPlacements) {
    LoadShow();
    CityScene(7500);
    EXPECT_FLOAT_EQ(camera.x, -755.0f);
    EXPECT_FLOAT_EQ(camera.y, 112.0f);
    EXPECT_NEAR(camera.z, 481.0f, 0.001f);
    EXPECT_FLOAT_EQ(camera.yaw, -82.0f);
    EXPECT_FLOAT_EQ(camera.pitch, 1.2f);
    EXPECT_FLOAT_EQ(camera.focal, 254.0f);
    EXPECT_FLOAT_EQ(camera.zNear, 100.0f);
    EXPECT_FLOAT_EQ(camera.zFar, 5000.0f);
    EXPECT_NEAR(title.yaw, -120.0f * kDeg, 1e-5f);
    EXPECT_EQ(city.yaw, 0.0f); // no turn before 12 bars

    CityScene(14078);
    EXPECT_FLOAT_EQ(title.yaw, -270.0f * kDeg);

    // Half-way through the last eight bars: u = 1, 45 degrees.
    CityScene(19992 + 6664);
    for (Mesh* m : {&city, &cityRibbons, &balls}) {
        EXPECT_NEAR(m->yaw, 45.0f * kDeg, 1e-4f) << SceneObjectName(m);
    }
    EXPECT_EQ(tree.yaw, 0.0f); // the tree is never placed here

    // City ribbons a quarter of the way from frame 0 to frame 1.
    CityScene(19992 + 1666);
    ASSERT_EQ(cityRibbons.currentFrame, cityRibbons.frameCount);
    const float a = FrameVertex(cityRibbons, 0, 0).position.y;
    const float b = FrameVertex(cityRibbons, 1, 0).position.y;
    EXPECT_NEAR(BlendVertex(cityRibbons, 0).position.y, a + (b - a) * 0.25f, 0.01f);
    // Silence: the tree rests on frame 0.
    EXPECT_EQ(BlendVertex(tree, 8).position.x, FrameVertex(tree, 0, 8).position.x);
}

TEST(RoadScript, DrawListCameraOnEntryAndPlacements) {
    LoadShow();
    const std::vector<Item> list = Join(Join({M(&road2), M(&road1)}, RobotGroup()),
                                        {C(BlendAlpha), M(&ribbons), C(BlendOpaque)});

    RoadScene(4, true, 0, 33321);
    ExpectDrawList(list);
    EXPECT_FLOAT_EQ(camera.x, 894.0f);
    EXPECT_FLOAT_EQ(camera.y, 1900.0f);
    EXPECT_FLOAT_EQ(camera.z, 42.0f);
    EXPECT_FLOAT_EQ(camera.yaw, -104.0f);
    EXPECT_FLOAT_EQ(camera.pitch, -36.0f);
    EXPECT_FLOAT_EQ(camera.focal, 271.0f);
    // The next frame of the same scene leaves the camera alone.
    camera.x = 1.0f;
    ResetDrawList();
    RoadScene(4, false, 19, 33340);
    EXPECT_EQ(camera.x, 1.0f);
    ExpectDrawList(list);

    ResetDrawList();
    RoadScene(3, true, 0, 34987);
    EXPECT_FLOAT_EQ(camera.x, 1015.0f);
    EXPECT_FLOAT_EQ(camera.roll, 12.3f);
    ResetDrawList();
    RoadScene(2, true, 0, 36653);
    EXPECT_FLOAT_EQ(camera.z, -50.0f);
    EXPECT_FLOAT_EQ(camera.pitch, -40.0f);

    // Constant robot spots; the roads roll with beat-locked time.
    EXPECT_FLOAT_EQ(robot2.position.x, 1130.0f);
    EXPECT_FLOAT_EQ(robot2.pitch, 266.0f * kDeg);
    EXPECT_FLOAT_EQ(robot3.roll, -96.0f * kDeg);
    EXPECT_FLOAT_EQ(road2.yaw, 5.0f * kDeg);
    EXPECT_FLOAT_EQ(road1.pitch, 11.0f * kDeg);
    EXPECT_FLOAT_EQ(road1.roll, RoadRoll(BeatLockedTime(36653)) * kDeg);
    EXPECT_EQ(road2.roll, road1.roll);

    // Every entry restarts the ribbons at frame 1 and a roll of 100 degrees.
    EXPECT_FLOAT_EQ(ribbons.roll, 100.0f * kDeg);
    EXPECT_FLOAT_EQ(ribbons.pitch, 180.0f * kDeg);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(BlendVertex(ribbons, i).position.y, FrameVertex(ribbons, 1, i).position.y);
    }
}

TEST(RoadScript, RobotsWalkAQuarterAndAHalfBarApart) {
    LoadShow();
    for (int32_t t : {33321 + 100, 33321 + 900, 40000}) {
        SCOPED_TRACE("t = " + std::to_string(t));
        RoadScene(2, false, t - 36653, t);
        const int32_t v = BeatLockedTime(t);
        const Mesh* robots[3] = {&robot1, &robot2, &robot3};
        for (int i = 0; i < 3; ++i) {
            const Mesh& r = *robots[i];
            ASSERT_EQ(r.currentFrame, r.frameCount);
            const float p = WalkPhase(v, kRobotLeadMs[i]);
            const int lower = static_cast<int>(p);
            const int next = (lower + 1) % r.frameCount;
            const float f = p - lower;
            // Vertex 8 is a leg corner, which swings from frame to frame.
            const float a = FrameVertex(r, lower, 8).position.z;
            const float b = FrameVertex(r, next, 8).position.z;
            EXPECT_NEAR(BlendVertex(r, 8).position.z, a + (b - a) * f, 1e-3f) << i;
        }
    }
}

TEST(CreditsScript, WindowsAndTheRobotsInARow) {
    LoadShow();
    const std::vector<Item> credits = {C(BlendMultiply), M(&::credits), C(BlendOpaque)};
    const std::vector<Item> greets = {C(BlendMultiply), M(&greetings), C(BlendOpaque)};
    struct Case {
        int32_t d;
        std::vector<Item> list;
    };
    const Case cases[] = {
        {0, Join(Join(TreePattern(), credits), RobotGroup())},
        {17999, Join(Join(TreePattern(), credits), RobotGroup())},
        {18000, Join(TreePattern(), RobotGroup())},
        {26550, Join(TreePattern(), RobotGroup())},
        {26551, Join(Join(TreePattern(), greets), RobotGroup())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("d = " + std::to_string(c.d));
        ResetDrawList();
        CreditsScene(c.d == 0, c.d, 53313 + c.d);
        ExpectDrawList(c.list);
    }

    CreditsScene(true, 0, 53313);
    EXPECT_FLOAT_EQ(camera.x, -357.328f);
    EXPECT_FLOAT_EQ(camera.roll, 10.8f);
    EXPECT_FLOAT_EQ(camera.zNear, 90.0f);
    EXPECT_FLOAT_EQ(camera.focal, 110.0f);

    // 2000 ms in: 20 degrees per second for credits, greetings, tree and city.
    CreditsScene(false, 2000, 55313);
    for (Mesh* m : {&::credits, &greetings, &tree, &city}) {
        EXPECT_FLOAT_EQ(m->yaw, 40.0f * kDeg) << SceneObjectName(m);
    }
    // Beat 2 of four: no sway, the robots stand on the Z axis.
    const int32_t still = 416 * 134 + 10;
    ASSERT_EQ((still / 416) % 4, 2);
    CreditsScene(false, still - 53313, still);
    EXPECT_EQ(robot1.position.x, 0.0f);
    EXPECT_EQ(robot1.position.z, 250.0f);
    EXPECT_EQ(robot2.position.z, 350.0f);
    EXPECT_EQ(robot3.position.z, 450.0f);
    EXPECT_FLOAT_EQ(robot3.yaw, -90.0f * kDeg);
    // Beat 0, 100 ms in: swayed towards negative x.
    const int32_t sway = 416 * 136 + 100;
    CreditsScene(false, sway - 53313, sway);
    EXPECT_LT(robot1.position.x, 0.0f);
    EXPECT_NEAR(robot3.position.x / robot1.position.x, 450.0f / 250.0f, 1e-4f);
}

TEST(FinaleScript, TreeRibbonsAndTheCitysTurn) {
    LoadShow();
    PlaceMesh(&city, 0, 0, 0, 30, 0, 0); // as the credits might leave it
    FinaleScene(true, 0);
    ExpectDrawList(Join(TreePattern(), {C(BlendAlpha), M(&ribbons), C(BlendOpaque)}));
    EXPECT_FLOAT_EQ(camera.z, -911.0f);
    EXPECT_FLOAT_EQ(camera.yaw, -1.1f);
    EXPECT_EQ(city.yaw, 0.0f);
    EXPECT_FLOAT_EQ(ribbons.position.y, 622.0f);
    EXPECT_FLOAT_EQ(ribbons.roll, -10.0f * kDeg);
    EXPECT_EQ(BlendVertex(ribbons, 0).position.y, FrameVertex(ribbons, 1, 0).position.y);

    ResetDrawList();
    FinaleScene(false, 5000);
    EXPECT_FLOAT_EQ(city.yaw, 0.5f);
    EXPECT_FLOAT_EQ(tree.yaw, 0.5f);
    FinaleScene(false, 16660);
    EXPECT_EQ(BlendVertex(ribbons, 0).position.y, FrameVertex(ribbons, 0, 0).position.y);
}

TEST(FrameGuard, ShortFilesAreClampedAndReportedOncePerMesh) {
    ShowDataOptions few;
    few.walkFrames = 4;
    few.treeFrames = 1;
    LoadShow(few);
    const Captured out = CaptureOutputOf([] {
        for (int32_t t = 33321; t < 33321 + 1666; t += 17) RoadScene(4, false, t - 33321, t);
        for (int32_t d = 0; d < 3000; d += 50) CityScene(d);
    });
    for (const char* name : {"robot1:", "robot2:", "robot3:"}) {
        const size_t first = out.err.find(name);
        EXPECT_NE(first, std::string::npos) << name << "\n" << out.err;
        EXPECT_EQ(out.err.find(name, first + 1), std::string::npos) << name << "\n" << out.err;
    }
    // Silence keeps the one-frame tree at position 0, inside its frames: nothing to say.
    EXPECT_EQ(out.err.find("tree"), std::string::npos) << out.err;
    EXPECT_EQ(robot1.currentFrame, 4);
}

TEST(FrameGuard, MissingDataLeavesEveryScriptRunning) {
    LoadShow({}, false);
    const Captured out = CaptureOutputOf([] {
        for (int pass = 0; pass < 2; ++pass) {
            ResetDrawList();
            CityScene(26000);
            ResetDrawList();
            RoadScene(4, pass == 0, 100, 33421);
            ResetDrawList();
            CreditsScene(pass == 0, 100, 53413);
            ResetDrawList();
            FinaleScene(pass == 0, 100);
        }
    });
    for (const char* name : {"tree", "robot1", "robot2", "robot3", "ribbons", "cityRibbons"}) {
        const std::string line = std::string("lockstep: ") + name + " has no frames";
        const size_t first = out.err.find(line);
        EXPECT_NE(first, std::string::npos) << line << "\n" << out.err;
        EXPECT_EQ(out.err.find(line, first + 1), std::string::npos) << line;
    }
    EXPECT_EQ(drawList.count, 11);
    TearDownScenes();
}
