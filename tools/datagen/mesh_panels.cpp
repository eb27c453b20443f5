// The lettered panels: title, credits and greetings. Each is a set of one-sided quads placed
// so that the scene's turning brings each one square to the camera at a chosen angle, and
// turns it away (culled) elsewhere.
#include <cmath>
#include "tools/datagen/datagen.h"
#include "tools/datagen/text_layout.h"

namespace {

constexpr float kDegrees = 3.14159265f / 180.0f;
constexpr V3 kUp = {0, 1, 0};

// Where the opening camera looks from while each title half rests: the title swings to yaw
// -120 at 4 bars and on to -270 after 8 bars; the camera slides from z 581 towards 137.
struct TitleRest {
    float yaw;      // degrees, the mesh's resting yaw
    float cameraZ;  // the camera's z in the middle of that rest
    float distance; // from the camera to the panel
};
constexpr TitleRest kTitleRests[2] = {{-120, 434, 650}, {-270, 265, 650}};
constexpr float kCityCameraX = -755, kCityCameraYaw = -82;
constexpr float kTitleY = 250, kTitleWidth = 460, kTitleHeight = 230;

// The credits camera stands at (-357.328, 230.128, -65.191); the panels turn with the city at
// 20 degrees per second. Each panel is listed with the turn (degrees) at which it faces it.
// Square to the camera a panel hangs about 130 units in front of it, nearer than the tree and
// the robots; its lettering must clear them on screen, so the panels are small and hung high:
// the lines fill the top third of the frame, above the robots' heads and the tree's crown.
constexpr float kCreditsCameraX = -357.328f, kCreditsCameraZ = -65.191f;
constexpr float kCarouselRadius = 235;
constexpr float kCreditsFacing[4] = {58, 138, 218, 298}; // shown while the turn is below 360
constexpr float kGreetingsFacing[2] = {590, 650};        // shown from 531 to the scene's end
constexpr float kPanelUnitsPerPixel = 150.0f / 256;      // one scale for every panel's lettering
constexpr float kCreditsY = 300, kGreetingsY = 262;      // the panels' centres

// A quad centred at c facing n, its picture region upright and readable from the front.
void AddPanel(GenMesh* mesh, V3 c, V3 n, float width, float height, float u0, float v0, float u1,
              float v1) {
    V3 right = Normalized(Cross(n, kUp)) * (width * 0.5f); // screen right seen from the front
    V3 up = kUp * (height * 0.5f);
    const V3 p[4] = {c - right - up, c + right - up, c + right + up, c - right + up};
    const float uv[8] = {u0, v1, u1, v1, u1, v0, u0, v0};
    AddQuadFacing(mesh, p, uv, n);
}

// Undoes a turn of `degrees` about y: where a point must be so that the turn brings it to p.
V3 Unturn(V3 p, float degrees) {
    return ApplyFrame(TurnY(-degrees * kDegrees), p);
}

// Panels showing regions of width x height pixels of a picture cut into columns x rows.
void AddCarousel(GenMesh* mesh, const float* facing, int count, float y, int width, int height,
                 int columns, int rows) {
    float towardsCamera = std::atan2(kCreditsCameraX, kCreditsCameraZ);
    for (int i = 0; i < count; ++i) {
        float angle = towardsCamera - facing[i] * kDegrees;
        V3 n = {std::sin(angle), 0, std::cos(angle)};
        V3 c = n * kCarouselRadius + kUp * y;
        float u0 = static_cast<float>(i % columns) / columns;
        float v0 = static_cast<float>(i / columns) / rows;
        AddPanel(mesh, c, n, width * kPanelUnitsPerPixel, height * kPanelUnitsPerPixel, u0, v0,
                 u0 + 1.0f / columns, v0 + 1.0f / rows);
    }
}

} // namespace

GenMesh MakeTitleMesh() {
    GenMesh mesh;
    V3 look = ApplyFrame(TurnY(-kCityCameraYaw * kDegrees), {0, 0, 1}); // camera's view, flat
    for (int i = 0; i < 2; ++i) {
        const TitleRest& rest = kTitleRests[i];
        V3 camera = {kCityCameraX, 0, rest.cameraZ};
        V3 centre = camera + look * rest.distance + kUp * kTitleY;
        V3 c = Unturn(centre, rest.yaw), n = Unturn(look * -1.0f, rest.yaw);
        AddPanel(&mesh, c, n, kTitleWidth, kTitleHeight, 0, i * 0.5f, 1, (i + 1) * 0.5f);
    }
    return mesh;
}

GenMesh MakeCreditsMesh() {
    GenMesh mesh;
    AddCarousel(&mesh, kCreditsFacing, kCreditsPanelCount, kCreditsY, kCreditsPanels[0].width,
                kCreditsPanels[0].height, 2, 2);
    return mesh;
}

GenMesh MakeGreetingsMesh() {
    GenMesh mesh;
    AddCarousel(&mesh, kGreetingsFacing, kGreetingsPanelCount, kGreetingsY,
                kGreetingsPanels[0].width, kGreetingsPanels[0].height, 1, 2);
    return mesh;
}
