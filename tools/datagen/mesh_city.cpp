// The round city: a ground disc with its rim, and rings of box buildings between the streets.
#include <cmath>
#include "tools/datagen/city_layout.h"
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kDiscSegments = 64;
constexpr V3 kUp = {0, 1, 0};

float GroundU(float x) {
    return (kGroundX + (x + kGroundExtent) / (2 * kGroundExtent) * kGroundSize) / kCityTextureSize;
}

V3 OnCircle(float radius, float angle, float y) {
    return {radius * std::sin(angle), y, radius * std::cos(angle)};
}

void AddGround(GenMesh* mesh) {
    uint32_t centre = AddVertex(mesh, {0, 0, 0}, GroundU(0), GroundU(0));
    uint32_t first = 0, previous = 0;
    for (int i = 0; i < kDiscSegments; ++i) {
        V3 p = OnCircle(kCityRadius, i * 2 * kPi / kDiscSegments, 0);
        uint32_t index = AddVertex(mesh, p, GroundU(p.x), GroundU(p.z));
        if (i == 0)
            first = index;
        else
            AddTriangle(mesh, centre, previous, index);
        previous = index;
    }
    AddTriangle(mesh, centre, previous, first);
    // The rim: the disc's edge, lit like a stage.
    for (int i = 0; i < kDiscSegments; ++i) {
        float a0 = i * 2 * kPi / kDiscSegments, a1 = (i + 1) * 2 * kPi / kDiscSegments;
        const V3 p[4] = {OnCircle(kCityRadius, a0, -kCityRimDepth),
                         OnCircle(kCityRadius, a1, -kCityRimDepth), OnCircle(kCityRadius, a1, 0),
                         OnCircle(kCityRadius, a0, 0)};
        float u0 = static_cast<float>(kRimX) / kCityTextureSize;
        float u1 = static_cast<float>(kRimX + kRimWidth) / kCityTextureSize;
        float v0 = static_cast<float>(kRimY) / kCityTextureSize;
        float v1 = static_cast<float>(kRimY + kRimHeight) / kCityTextureSize;
        const float uv[8] = {u0, v1, u1, v1, u1, v0, u0, v0};
        AddQuadFacing(mesh, p, uv, OnCircle(1, (a0 + a1) * 0.5f, 0));
    }
}

// One wall from `left` to `right` (as seen from outside), `height` tall, with a facade.
void AddWall(GenMesh* mesh, V3 left, V3 right, float base, float height, int kind, int column) {
    V3 facing = Cross(kUp, right - left) * -1.0f; // the wall's outside
    float width = std::sqrt(Dot(right - left, right - left));
    float span = std::fmin(width / kFacadeWorldWidth, 1.0f);
    float columns = static_cast<float>(kFacadeWidth) / 32;
    float start = std::fmin(static_cast<float>(column), columns * (1 - span)) / columns;
    float u0 = (kind * kFacadeWidth + start * kFacadeWidth) / kCityTextureSize;
    float u1 = u0 + span * kFacadeWidth / kCityTextureSize;
    float vBottom = static_cast<float>(kFacadeHeight) / kCityTextureSize;
    float vTop = vBottom * (1 - std::fmin(height / kFacadeWorldHeight, 1.0f));
    float vBase = vBottom * (1 - std::fmin(base / kFacadeWorldHeight, 1.0f));
    if (base > 0) vBottom = vBase; // upper storeys continue the facade of the floors below
    const V3 p[4] = {left + kUp * base, right + kUp * base, right + kUp * height,
                     left + kUp * height};
    const float uv[8] = {u0, vBottom, u1, vBottom, u1, vTop, u0, vTop};
    AddQuadFacing(mesh, p, uv, facing);
}

// A box building standing from `base` to `height` over a footprint centred at radius and
// angle, `depth` deep along the radius and `width` wide across it.
void AddBlock(GenMesh* mesh, float radius, float angle, float depth, float width, float base,
              float height, int kind, int column, int roof) {
    V3 out = OnCircle(1, angle, 0), side = {std::cos(angle), 0, -std::sin(angle)};
    V3 c = out * radius;
    V3 fl = c + out * (depth * 0.5f) - side * (width * 0.5f); // front left (seen from outside)
    V3 fr = c + out * (depth * 0.5f) + side * (width * 0.5f);
    V3 bl = c - out * (depth * 0.5f) - side * (width * 0.5f);
    V3 br = c - out * (depth * 0.5f) + side * (width * 0.5f);
    AddWall(mesh, fl, fr, base, height, kind, column);
    AddWall(mesh, fr, br, base, height, kind, column + 1);
    AddWall(mesh, br, bl, base, height, kind, column + 2);
    AddWall(mesh, bl, fl, base, height, kind, column + 3);
    float u0 = static_cast<float>(kRoofX + roof * kRoofSize) / kCityTextureSize;
    float u1 = u0 + static_cast<float>(kRoofSize) / kCityTextureSize;
    float v0 = static_cast<float>(kRoofY) / kCityTextureSize;
    float v1 = v0 + static_cast<float>(kRoofSize) / kCityTextureSize;
    const V3 top[4] = {bl + kUp * height, br + kUp * height, fr + kUp * height, fl + kUp * height};
    const float uv[8] = {u0, v1, u1, v1, u1, v0, u0, v0};
    AddQuadFacing(mesh, top, uv, kUp);
}

float AngleDistance(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 2 * kPi);
    return d > kPi ? 2 * kPi - d : d;
}

bool CrossesAvenue(float radius, float angle, float width) {
    float step = 2 * kPi / kAvenueCount;
    for (int i = 0; i < kAvenueCount; ++i) {
        float gap = AngleDistance(angle, (i + 0.5f) * step) * radius;
        if (gap < kAvenueHalfWidth + width * 0.5f + 4) return true;
    }
    return false;
}

void AddBlockRing(GenMesh* mesh, const BlockRing& ring, Rng* rng) {
    float mid = (ring.inner + ring.outer) * 0.5f, depthMax = ring.outer - ring.inner;
    for (int lot = 0; lot < ring.lots; ++lot) {
        float angle = (lot + 0.5f) * 2 * kPi / ring.lots;
        float width = 2 * kPi * mid / ring.lots * NextRange(rng, 0.62f, 0.85f);
        float depth = depthMax * NextRange(rng, 0.7f, 0.95f);
        float radius = mid + (depthMax - depth) * NextRange(rng, -0.5f, 0.5f);
        float height = NextRange(rng, ring.minHeight, ring.maxHeight);
        int kind = static_cast<int>(NextU32(rng) % kFacadeKinds);
        int column = static_cast<int>(NextU32(rng) % 4);
        int roof = static_cast<int>(NextU32(rng) % kRoofKinds);
        bool setback = height > 90 && NextFloat(rng) < 0.45f;
        if (CrossesAvenue(radius, angle, width)) continue;
        if (!setback) {
            AddBlock(mesh, radius, angle, depth, width, 0, height, kind, column, roof);
            continue;
        }
        // A narrower tower on a podium.
        float podium = height * NextRange(rng, 0.4f, 0.6f);
        AddBlock(mesh, radius, angle, depth, width, 0, podium, kind, column, roof);
        AddBlock(mesh, radius, angle, depth * 0.6f, width * 0.6f, podium, height, kind, column,
                 1 - roof);
    }
}

} // namespace

GenMesh MakeCityMesh() {
    GenMesh mesh;
    AddGround(&mesh);
    Rng rng{0xC1C1Eull};
    for (const BlockRing& ring : kBlockRings) AddBlockRing(&mesh, ring, &rng);
    return mesh;
}
