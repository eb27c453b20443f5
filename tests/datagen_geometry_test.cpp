// The generated meshes against the fixed cameras and placements of the show: the robot's pose
// and walk, the tree, the roads under the robots, the city's clear streets, closed parts that
// face outwards, and the lettered panels square to the camera at their angles (drawn with the
// show's own renderer).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/mesh_geometry.h"
#include "assets/texture_slots.h"
#include "datagen_data.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "render/screen_quads.h"
#include "platform/display.h"
#include "script/timeline_math.h"
#include "support/test_support.h"

namespace {

// Where a world point lies in a mesh's own frame, for a mesh placed at the origin with the
// given angles (degrees): undoes pitch, then yaw (roll is the road's own turning).
Vec3 IntoRoadFrame(Vec3 p, float yaw, float pitch) {
    float a = -pitch * 3.14159265f / 180, b = -yaw * 3.14159265f / 180;
    Vec3 q = {p.x, p.y * std::cos(a) - p.z * std::sin(a), p.y * std::sin(a) + p.z * std::cos(a)};
    return {q.x * std::cos(b) + q.z * std::sin(b), q.y, -q.x * std::sin(b) + q.z * std::cos(b)};
}

// One mesh serves the road (lying on its back) and the credits (upright): feet at y = 0, up +y,
// the face towards +z; and the cycle loops without a jump.
TEST(DataSetGeometry, RobotStandsOnItsFeetAndWalksInALoop) {
    LoadedMesh robot("botwalk.baf", true);
    const Mesh& m = robot.mesh;
    ASSERT_EQ(m.frameCount, 32);
    float largestStep = 0, wrapStep = 0;
    for (int f = 0; f < m.frameCount; ++f) {
        float low = 1e9f, high = -1e9f, faceZ = 0, faceY = 0;
        int faceVertices = 0;
        for (int i = 0; i < m.vertexCount; ++i) {
            const MeshVertex& v = robot.At(f, i);
            low = std::min(low, v.position.y);
            high = std::max(high, v.position.y);
            if (v.texCoord[0] < 0.5f && v.texCoord[1] > 0.5f) { // the face region
                faceZ += v.position.z;
                faceY += v.position.y;
                ++faceVertices;
            }
            const MeshVertex& next = robot.At((f + 1) % m.frameCount, i);
            float step = std::fabs(next.position.z - v.position.z) +
                         std::fabs(next.position.y - v.position.y);
            if (f + 1 == m.frameCount)
                wrapStep = std::max(wrapStep, step);
            else
                largestStep = std::max(largestStep, step);
        }
        EXPECT_NEAR(low, 0.0f, 0.5f) << "frame " << f;
        EXPECT_GT(high, 150.0f) << "frame " << f;
        EXPECT_LT(high, 260.0f) << "frame " << f;
        ASSERT_GT(faceVertices, 0);
        EXPECT_GT(faceZ / faceVertices, 10.0f) << "frame " << f;
        EXPECT_GT(faceY / faceVertices, 150.0f) << "frame " << f;
    }
    EXPECT_LE(wrapStep, largestStep * 1.5f);
}

TEST(DataSetGeometry, TreeStandsAtTheOriginAboutThreeHundredHigh) {
    LoadedMesh tree("arbre.baf", true);
    for (int f = 0; f < tree.mesh.frameCount; ++f) {
        float low = 1e9f, high = -1e9f;
        for (int i = 0; i < tree.mesh.vertexCount; ++i) {
            low = std::min(low, tree.At(f, i).position.y);
            high = std::max(high, tree.At(f, i).position.y);
        }
        EXPECT_NEAR(low, 0.0f, 1.0f);
        EXPECT_GT(high, 240.0f);
        EXPECT_LT(high, 380.0f);
    }
}

// The road pieces, tilted as the road scene places them, pass under every robot's feet: in the
// ring's own frame each robot stands within the band's width and on its surface.
TEST(DataSetGeometry, RoadRingsRunUnderTheRobots) {
    const Vec3 feet[3] = {{1172, 1570, 102}, {1130, 1602, -24}, {1195, 1567, -138}};
    struct Road {
        const char* name;
        float yaw, pitch;
    };
    for (Road road : {Road{"road2hr.bof", 5, -11}, Road{"road1hr.bof", -5, 11}}) {
        LoadedMesh m(road.name, false);
        for (const Vec3& p : feet) {
            Vec3 local = IntoRoadFrame(p, road.yaw, road.pitch);
            float radius = std::hypot(local.x, local.y);
            // The band's top runs straight across from one edge to the other: interpolate the
            // outermost radius of its two edges.
            float zNear = 1e9f, zFar = -1e9f, rNear = 0, rFar = 0;
            for (int i = 0; i < m.mesh.vertexCount; ++i) {
                zNear = std::min(zNear, m.At(0, i).position.z);
                zFar = std::max(zFar, m.At(0, i).position.z);
            }
            for (int i = 0; i < m.mesh.vertexCount; ++i) {
                const Vec3& v = m.At(0, i).position;
                float r = std::hypot(v.x, v.y);
                if (v.z == zNear) rNear = std::max(rNear, r);
                if (v.z == zFar) rFar = std::max(rFar, r);
            }
            ASSERT_GT(local.z, zNear) << road.name;
            ASSERT_LT(local.z, zFar) << road.name;
            float surface = rNear + (rFar - rNear) * (local.z - zNear) / (zFar - zNear);
            EXPECT_NEAR(radius, surface, 25.0f)
                << road.name << " under (" << p.x << ", " << p.y << ", " << p.z << ")";
        }
    }
}

// Six times the signed volume enclosed by a frame's triangles (file order, visible side out):
// positive when closed parts face outwards.
float SignedVolume(const LoadedMesh& m, int frame) {
    double sum = 0;
    for (int t = 0; t < m.mesh.triangleCount; ++t) {
        // Stored order is (a, c, b): swap back to the file's order.
        const uint32_t* i = m.mesh.triangles[t].indices;
        Vec3 a = m.At(frame, i[0]).position, b = m.At(frame, i[2]).position;
        Vec3 c = m.At(frame, i[1]).position;
        sum += a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) +
               a.z * (b.x * c.y - b.y * c.x);
    }
    return static_cast<float>(sum);
}

TEST(DataSetGeometry, ClosedPartsFaceOutwards) {
    LoadedMesh robot("botwalk.baf", true);
    float first = SignedVolume(robot, 0);
    EXPECT_GT(first, 0.0f);
    for (int f = 1; f < robot.mesh.frameCount; ++f)
        EXPECT_NEAR(SignedVolume(robot, f), first, first * 0.05f) << "frame " << f;
    LoadedMesh balls("ballz.bof", false);
    EXPECT_GT(SignedVolume(balls, 0), 0.0f);
}

// In the credits the robots stand on the ring streets 250, 350 and 450 units out while the city
// turns under them: no building may stand in those streets.
TEST(DataSetGeometry, CityKeepsTheRobotsStreetsClear) {
    LoadedMesh city("city_circle.bof", false);
    int buildingVertices = 0;
    for (int i = 0; i < city.mesh.vertexCount; ++i) {
        const Vec3& p = city.At(0, i).position;
        if (p.y < 1) continue; // the ground and the rim
        ++buildingVertices;
        float radius = std::hypot(p.x, p.z);
        for (float street : {250.0f, 350.0f, 450.0f})
            EXPECT_GT(std::fabs(radius - street), 30.0f) << "building corner at radius " << radius;
        EXPECT_LT(p.y, 260.0f);
    }
    EXPECT_GT(buildingVertices, 400);
}

// The show's own drawing of one multiplied panel mesh, posed and seen as a scene would: returns
// how many pixels came out dark, and where they lie.
struct Ink {
    int pixels = 0, left = 800, right = -1, top = 600, bottom = -1;
};

Ink DrawPanel(Mesh* panel, float yaw, const Camera& pose, int zNear, float focal,
              const std::string& name) {
    camera = pose;
    SetCameraLens(&camera, zNear, 5000, focal);
    ApplyCamera(&camera);
    PlaceMesh(panel, 0, 0, 0, yaw, 0, 0);
    ClearDepthBuffer();
    ClearToColor(0xFFFFFF);
    ResetDrawList();
    QueueCommand(BlendMultiply);
    QueueMesh(panel);
    QueueCommand(BlendOpaque);
    RenderDrawList();
    SaveFrame(name);
    std::vector<uint8_t> frame = ReadFrame(); // rows bottom-up
    Ink ink;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint8_t* p = &frame[((599 - y) * 800 + x) * 4];
            if (p[0] + p[1] + p[2] >= 3 * 100) continue;
            ++ink.pixels;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
}

void ExpectFramed(const Ink& ink, int minimum, const std::string& what) {
    EXPECT_GT(ink.pixels, minimum) << what;
    EXPECT_GT(ink.left, 20) << what;
    EXPECT_LT(ink.right, 780) << what;
    EXPECT_GT(ink.top, 20) << what;
    EXPECT_LT(ink.bottom, 580) << what;
}

struct LoadedPanel {
    LoadedMesh mesh;
    LoadedPanel(const char* meshName, const char* pictureName) : mesh(meshName, false) {
        OpenTestDisplay();
        SetMeshTexture(&mesh.mesh, LoadTexture(Path(pictureName).c_str()));
    }
    ~LoadedPanel() { DeleteAllTextures(); }
};

// The opening camera at scene time d.
Camera CityCamera(int d) {
    return {-755, 112, 581 - d * 0.013333334f, -82, 1.2f, 0, 0, 0, 0};
}
const Camera kCreditsCamera = {-357.328f, 230.128f, -65.191f, -83.4f, 5.1f, 10.8f, 0, 0, 0};

TEST(DataSetGeometry, TitleFacesTheCameraWhereItRests) {
    LoadedPanel title("ttl.bof", "ttl_512x512.raw");
    Mesh* m = &title.mesh.mesh;
    // Swinging in, it first appears at yaw -4.9: nothing may show yet.
    EXPECT_EQ(DrawPanel(m, -4.9f, CityCamera(6665), 100, 254, "datagen_title_start").pixels, 0);
    ExpectFramed(DrawPanel(m, -120, CityCamera(11000), 100, 254, "datagen_title_first"), 3000,
                 "first rest");
    ExpectFramed(DrawPanel(m, -270, CityCamera(15000), 100, 254, "datagen_title_second"), 3000,
                 "second rest, early");
    ExpectFramed(DrawPanel(m, -270, CityCamera(33000), 100, 254, "datagen_title_late"), 3000,
                 "second rest, late");
}

// The carousels turn at 20 degrees a second; each panel faces the camera at its angle, and
// none is in view when its mesh starts or stops being drawn.
TEST(DataSetGeometry, CreditPanelsPassSquareToTheCamera) {
    LoadedPanel credits("credz.bof", "credz_512x256.raw");
    Mesh* m = &credits.mesh.mesh;
    for (float f : {58.0f, 138.0f, 218.0f, 298.0f})
        ExpectFramed(
            DrawPanel(m, f, kCreditsCamera, 90, 110, "datagen_credits_" + std::to_string(int(f))),
            3000, "credits at " + std::to_string(f));
    EXPECT_EQ(DrawPanel(m, 0.5f, kCreditsCamera, 90, 110, "datagen_credits_start").pixels, 0);
    EXPECT_EQ(DrawPanel(m, 359.9f, kCreditsCamera, 90, 110, "datagen_credits_end").pixels, 0);
}

TEST(DataSetGeometry, GreetingPanelsPassSquareToTheCamera) {
    LoadedPanel greetings("grtz.bof", "grtz_256x512.raw");
    Mesh* m = &greetings.mesh.mesh;
    for (float f : {590.0f, 650.0f})
        ExpectFramed(
            DrawPanel(m, f, kCreditsCamera, 90, 110, "datagen_greetings_" + std::to_string(int(f))),
            3000, "greetings at " + std::to_string(f));
    EXPECT_EQ(DrawPanel(m, 531.1f, kCreditsCamera, 90, 110, "datagen_greetings_start").pixels, 0);
}

// --- The lettering against what stands in front of it in the credits ---

// a + b * s.
Vec3 Along(Vec3 a, Vec3 b, float s) {
    return {a.x + b.x * s, a.y + b.y * s, a.z + b.z * s};
}

// GL's turn of p by degrees about axis 0 (x), 1 (y) or 2 (z), as glRotatef applies it.
Vec3 Turn(Vec3 p, float degrees, int axis) {
    float a = degrees * kDegreesToRadians, c = std::cos(a), s = std::sin(a);
    if (axis == 0) return {p.x, p.y * c - p.z * s, p.y * s + p.z * c};
    if (axis == 1) return {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
    return {p.x * c - p.y * s, p.x * s + p.y * c, p.z};
}

// Where the credits camera shows a world point, in pixels from the top-left (focal 110 over the
// 320 x 240 virtual screen).
Vec3 OnCreditsScreen(Vec3 p) {
    const Camera& c = kCreditsCamera;
    Vec3 q = Turn(Turn(Turn({p.x - c.x, p.y - c.y, p.z - c.z}, c.roll, 2), c.yaw, 1), c.pitch, 0);
    float k = 2.5f * 110 / q.z;
    return {400 + q.x * k, 300 - q.y * k, q.z};
}

// A screen-aligned box: for a triangle, all it can cover.
struct ScreenBox {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    void Add(Vec3 p) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    bool Meets(const ScreenBox& o) const {
        return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
};

// A line of lettering: the corners of its inked rows in the world (the carousel unturned), and
// its panel's outward normal.
struct LetteringLine {
    Vec3 corner[4], normal;
    std::string name;
};

// The lines inked in each quad's region of its picture, mapped onto the quad.
std::vector<LetteringLine> FindLettering(const LoadedMesh& m, const char* picture, int w, int h) {
    std::vector<uint8_t> pixels = ReadBytes(Path(picture));
    std::vector<LetteringLine> lines;
    for (int t = 0; t + 1 < m.mesh.triangleCount; t += 2) { // two triangles a quad
        // The region's corners: top-left (least u and v), then the others beside it.
        const MeshVertex *tl = nullptr, *tr = nullptr, *bl = nullptr;
        for (int k = 0; k < 6; ++k) {
            const MeshVertex* v = &m.At(0, m.mesh.triangles[t + k / 3].indices[k % 3]);
            if (!tl || v->texCoord[0] + v->texCoord[1] < tl->texCoord[0] + tl->texCoord[1]) tl = v;
        }
        for (int k = 0; k < 6; ++k) {
            const MeshVertex* v = &m.At(0, m.mesh.triangles[t + k / 3].indices[k % 3]);
            if (v->texCoord[1] == tl->texCoord[1] && v->texCoord[0] > tl->texCoord[0]) tr = v;
            if (v->texCoord[0] == tl->texCoord[0] && v->texCoord[1] > tl->texCoord[1]) bl = v;
        }
        if (!tr || !bl) {
            ADD_FAILURE() << picture << ": quad " << t / 2 << " is not a picture's region";
            break;
        }
        Vec3 across = Along(tr->position, tl->position, -1);
        Vec3 down = Along(bl->position, tl->position, -1);
        float u0 = tl->texCoord[0] * w, v0 = tl->texCoord[1] * h;
        float uSpan = (tr->texCoord[0] - tl->texCoord[0]) * w;
        float vSpan = (bl->texCoord[1] - tl->texCoord[1]) * h;
        auto world = [&](float x, float y) {
            return Along(Along(tl->position, across, (x - u0) / uSpan), down, (y - v0) / vSpan);
        };
        Vec3 normal;
        Vec3Cross(&normal, &across, &down);
        Vec3Normalize(&normal);
        int top = -1, left = w, right = -1;
        for (int y = int(v0); y <= int(v0 + vSpan); ++y) {
            bool inked = false;
            for (int x = int(u0); y < int(v0 + vSpan) && x < int(u0 + uSpan); ++x) {
                const uint8_t* p = &pixels[(y * w + x) * 4];
                if (p[0] + p[1] + p[2] >= 3 * 100) continue;
                inked = true;
                left = std::min(left, x), right = std::max(right, x + 1);
            }
            if (inked && top < 0) top = y;
            if (inked || top < 0) continue;
            lines.push_back(
                {{world(left, top), world(right, top), world(right, y), world(left, y)},
                 normal,
                 std::string(picture) + " rows " + std::to_string(top) + "-" + std::to_string(y)});
            top = -1, left = w, right = -1;
        }
    }
    return lines;
}

// The screen boxes of the tree's and the robots' triangles at one turn of the carousel.
std::vector<ScreenBox> FrontBoxes(const LoadedMesh& tree, const LoadedMesh& robot, float turn) {
    std::vector<ScreenBox> out;
    for (int f = 0; f < tree.mesh.frameCount; ++f)
        for (int t = 0; t < tree.mesh.triangleCount; ++t) {
            out.emplace_back();
            for (uint32_t i : tree.mesh.triangles[t].indices)
                out.back().Add(OnCreditsScreen(Turn(tree.At(f, i).position, turn, 1)));
        }
    // The robots' sway takes them from their spot (theta 0) to theta -0.0624 and back.
    for (float theta : {0.0f, -0.0624f})
        for (float distance : {250.0f, 350.0f, 450.0f})
            for (int f = 0; f < robot.mesh.frameCount; ++f)
                for (int t = 0; t < robot.mesh.triangleCount; ++t) {
                    out.emplace_back();
                    for (uint32_t i : robot.mesh.triangles[t].indices) {
                        Vec3 p = Turn(robot.At(f, i).position, -90, 1);
                        Vec3 spot = {distance * std::sin(theta), 0, distance * std::cos(theta)};
                        out.back().Add(OnCreditsScreen(Along(spot, p, 1.5f)));
                    }
                }
    return out;
}

// While a panel is drawn and square to the camera, no triangle of the tree (either frame) or of
// the robots (any walk frame, either end of the sway) reaches into the box of any of its lines on
// screen. The panels are multiplied without writing depth, so the robots drawn after them cover
// them wherever they overlap, and the chrome tree shows through the ink: on screen is what
// counts. "Square" is within 15 degrees of the line of sight, which swings about three times as
// fast as the carousel turns: some five degrees of turn either side, half a second.
TEST(DataSetGeometry, LetteringIsInFullViewWhilePanelsFaceTheCamera) {
    LoadedMesh credits("credz.bof", false), greetings("grtz.bof", false);
    LoadedMesh tree("arbre.baf", true), robot("botwalk.baf", true);
    struct Carousel {
        std::vector<LetteringLine> lines;
        bool (*shown)(float);
    };
    const Carousel carousels[2] = {
        {FindLettering(credits, "credz_512x256.raw", 512, 256), CreditsShown},
        {FindLettering(greetings, "grtz_256x512.raw", 256, 512), GreetingsShown}};
    const Vec3 eye = {kCreditsCamera.x, kCreditsCamera.y, kCreditsCamera.z};
    int checks = 0;
    for (float turn = 0; turn < CreditsTurn(33320); turn += 0.5f) {
        std::vector<ScreenBox> front;
        for (const Carousel& carousel : carousels) {
            if (!carousel.shown(turn)) continue;
            for (const LetteringLine& line : carousel.lines) {
                Vec3 centre =
                    Along(line.corner[0], Along(line.corner[2], line.corner[0], -1), 0.5f);
                Vec3 towardsEye = Along(eye, Turn(centre, turn, 1), -1);
                towardsEye.y = 0;
                Vec3Normalize(&towardsEye);
                Vec3 normal = Turn(line.normal, turn, 1);
                if (normal.x * towardsEye.x + normal.z * towardsEye.z <
                    std::cos(15 * kDegreesToRadians))
                    continue;
                ++checks;
                if (front.empty()) front = FrontBoxes(tree, robot, turn);
                ScreenBox box;
                for (const Vec3& corner : line.corner)
                    box.Add(OnCreditsScreen(Turn(corner, turn, 1)));
                int hidden = 0;
                for (const ScreenBox& b : front) hidden += b.Meets(box);
                EXPECT_EQ(hidden, 0) << line.name << " at turn " << turn << ", on screen " << box.x0
                                     << "," << box.y0 << " to " << box.x1 << "," << box.y1;
            }
        }
    }
    size_t lines = carousels[0].lines.size() + carousels[1].lines.size();
    EXPECT_GE(lines, 12u); // the i of "music" stands apart from its line
    EXPECT_GE(checks, int(lines) * 15);
}

} // namespace
