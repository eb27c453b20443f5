// The chrome balls over the city, the two road rings, and the ribbons (road scene and finale,
// and the city's own burst of ribbons).
#include <cmath>
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;

// ---- balls ----

constexpr int kBallCount = 12;

// An icosahedron split once: 42 shared vertices, 80 triangles, smooth once normals are made.
void AddBall(GenMesh* mesh, V3 centre, float radius) {
    const float g = 1.618034f;
    V3 corners[12] = {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
                      {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    uint32_t base = static_cast<uint32_t>(mesh->vertices.size());
    std::vector<V3> points(corners, corners + 12);
    std::vector<int> midpoints; // pairs (a, b) -> index, searched linearly (30 edges)
    auto midpoint = [&](int a, int b) {
        int lo = a < b ? a : b, hi = a < b ? b : a;
        for (size_t i = 0; i < midpoints.size(); i += 3)
            if (midpoints[i] == lo && midpoints[i + 1] == hi) return midpoints[i + 2];
        points.push_back((points[lo] + points[hi]) * 0.5f);
        int index = static_cast<int>(points.size()) - 1;
        midpoints.insert(midpoints.end(), {lo, hi, index});
        return index;
    };
    std::vector<int> tris;
    for (const auto& f : faces) {
        int ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
        tris.insert(tris.end(), {f[0], ab, ca, f[1], bc, ab, f[2], ca, bc, ab, bc, ca});
    }
    for (V3 p : points) {
        V3 n = Normalized(p);
        // Latitude down the picture; across, a projection without a seam.
        AddVertex(mesh, centre + n * radius, 0.5f + 0.5f * n.x, 0.5f - 0.5f * n.y);
    }
    for (size_t i = 0; i < tris.size(); i += 3) {
        uint32_t a = base + tris[i], b = base + tris[i + 1], c = base + tris[i + 2];
        V3 n = Cross(mesh->vertices[b].p - mesh->vertices[a].p,
                     mesh->vertices[c].p - mesh->vertices[a].p);
        if (Dot(n, mesh->vertices[a].p - centre) >= 0)
            AddTriangle(mesh, a, b, c);
        else
            AddTriangle(mesh, a, c, b);
    }
}

// ---- roads ----

constexpr int kRoadSegments = 80;
constexpr float kRoadThickness = 40.0f;
constexpr float kRoadTileLength = 380.0f;

// A band around the z axis whose surface radius follows r(z) = r0 + slope (z - z0), fitted so
// that, once tilted as the road scene places it, it runs under the three robots' feet.
struct RoadBand {
    float zNear, zFar, r0, z0, slope;
};
constexpr RoadBand kRoads[2] = {
    {-600, -240, 1939, -301, 0.161f}, // road1: yaw -5, pitch 11
    {200, 580, 1897, 500, -0.257f},   // road2: yaw 5, pitch -11
};

V3 RoadPoint(const RoadBand& band, float z, float angle, float drop) {
    float r = band.r0 + band.slope * (z - band.z0) - drop;
    return {r * std::cos(angle), r * std::sin(angle), z};
}

// ---- ribbons ----

struct RibbonPath {
    float startAngle, sweep;   // radians around the axis
    float radius, wave, waves; // radius wobbles by `wave`, `waves` times along the ribbon
    float z, zWave, zWaves;
    float twist; // turns of the ribbon about its own path
    float width;
};

V3 PathPoint(const RibbonPath& r, float s, float phase) {
    float angle = r.startAngle + r.sweep * s;
    float radius = r.radius + r.wave * std::sin(2 * kPi * r.waves * s + phase);
    float z = r.z + r.zWave * std::sin(2 * kPi * r.zWaves * s + phase * 0.7f);
    return {radius * std::cos(angle), radius * std::sin(angle), z};
}

// One ribbon, seen from both sides, tapering to a point at each end.
void AddRibbon(GenMesh* mesh, const RibbonPath& r, int segments, float phase) {
    uint32_t base = static_cast<uint32_t>(mesh->vertices.size());
    for (int i = 0; i <= segments; ++i) {
        float s = static_cast<float>(i) / segments;
        V3 p = PathPoint(r, s, phase);
        V3 ahead = PathPoint(r, s + 0.01f, phase) - PathPoint(r, s - 0.01f, phase);
        V3 radial = Normalized({p.x, p.y, 0});
        V3 side = Normalized(Cross(Normalized(ahead), radial)); // across the band
        float turn = r.twist * 2 * kPi * s;
        V3 across = Normalized(side * std::cos(turn) + radial * std::sin(turn));
        float taper = std::sin(kPi * s) * r.width * 0.5f;
        float v = s * 3;
        AddVertex(mesh, p - across * taper, 0, v);
        AddVertex(mesh, p + across * taper, 1, v);
    }
    for (int i = 0; i < segments; ++i) {
        uint32_t a = base + 2 * i, b = a + 1, c = a + 2, d = a + 3;
        AddTriangle(mesh, a, b, d);
        AddTriangle(mesh, a, d, c);
        AddTriangle(mesh, a, d, b); // the back
        AddTriangle(mesh, a, c, d);
    }
}

} // namespace

GenMesh MakeBallsMesh() {
    GenMesh mesh;
    Rng rng{0xBA11ull};
    for (int i = 0; i < kBallCount; ++i) {
        float angle = (i + NextRange(&rng, -0.3f, 0.3f)) * 2 * kPi / kBallCount;
        float radius = NextRange(&rng, 250, 430);
        float y = NextRange(&rng, 150, 320);
        AddBall(&mesh, {radius * std::sin(angle), y, radius * std::cos(angle)},
                NextRange(&rng, 18, 34));
    }
    return mesh;
}

GenMesh MakeRoadMesh(int which) {
    const RoadBand& band = kRoads[which == 2 ? 1 : 0];
    float circumference = 2 * kPi * band.r0;
    float tiles = std::round(circumference / kRoadTileLength);
    GenMesh mesh;
    for (int i = 0; i < kRoadSegments; ++i) {
        float a0 = i * 2 * kPi / kRoadSegments, a1 = (i + 1) * 2 * kPi / kRoadSegments;
        float v0 = tiles * i / kRoadSegments, v1 = tiles * (i + 1) / kRoadSegments;
        V3 mid = RoadPoint(band, (band.zNear + band.zFar) * 0.5f, (a0 + a1) * 0.5f, 0);
        V3 outward = Normalized({mid.x, mid.y, 0});
        const V3 top[4] = {RoadPoint(band, band.zNear, a0, 0), RoadPoint(band, band.zFar, a0, 0),
                           RoadPoint(band, band.zFar, a1, 0), RoadPoint(band, band.zNear, a1, 0)};
        const float topUv[8] = {0, v0, 1, v0, 1, v1, 0, v1};
        AddQuadFacing(&mesh, top, topUv, outward);
        for (int side = 0; side < 2; ++side) { // the band's two edges
            float z = side ? band.zFar : band.zNear;
            const V3 wall[4] = {RoadPoint(band, z, a0, kRoadThickness), RoadPoint(band, z, a0, 0),
                                RoadPoint(band, z, a1, 0), RoadPoint(band, z, a1, kRoadThickness)};
            const float wallUv[8] = {0.01f, v0, 0.03f, v0, 0.03f, v1, 0.01f, v1};
            AddQuadFacing(&mesh, wall, wallUv, V3{0, 0, side ? 1.0f : -1.0f});
        }
    }
    return mesh;
}

// Frame 1 swirls round the local z axis at about the road's radius, over the local angles that
// the road cameras see (about 120 to 280 degrees as the scene rolls them) and that the finale
// sees once it stands them upright (about 10 to 190). Frame 0 gathers them into a tighter swirl:
// the finale stands the axis upright above the city and morphs from frame 1 to frame 0, so they
// close in round the city.
GenMesh MakeRibbonsMesh() {
    constexpr int kRibbons = 6, kSegments = 56;
    GenMesh frames[2];
    Rng rng{0x21BBull};
    for (int k = 0; k < kRibbons; ++k) {
        RibbonPath wide, tight;
        wide.startAngle = NextRange(&rng, -0.1f, 0.4f);
        wide.sweep = NextRange(&rng, 4.8f, 5.4f);
        wide.radius = NextRange(&rng, 1560, 1760);
        wide.wave = NextRange(&rng, 120, 240);
        wide.waves = NextRange(&rng, 1.5f, 3.0f);
        wide.z = NextRange(&rng, -260, 260);
        wide.zWave = NextRange(&rng, 120, 260);
        wide.zWaves = NextRange(&rng, 2.0f, 3.0f);
        wide.twist = NextRange(&rng, 1.0f, 3.0f);
        wide.width = NextRange(&rng, 70, 120);
        tight = wide;
        tight.startAngle = wide.startAngle - NextRange(&rng, 0.8f, 1.4f);
        tight.sweep = NextRange(&rng, 4.0f, 5.5f);
        tight.radius = NextRange(&rng, 420, 640);
        tight.wave = NextRange(&rng, 60, 150);
        tight.z = NextRange(&rng, -180, 180);
        tight.zWave = NextRange(&rng, 60, 150);
        tight.twist = wide.twist * 0.5f;
        tight.width = wide.width * 1.6f; // seen from farther off in the finale
        AddRibbon(&frames[0], tight, kSegments, 0);
        AddRibbon(&frames[1], wide, kSegments, 1.3f);
    }
    AppendFrames(&frames[0], frames[1]);
    return frames[0];
}

// The city's ribbons wind tightly round the tree (frame 0) and burst out over the city and
// past the camera (frame 1); the scene morphs between them and then drops them.
GenMesh MakeCityRibbonsMesh() {
    constexpr int kRibbons = 5, kSegments = 40;
    GenMesh frames[2];
    for (int f = 0; f < 2; ++f) {
        Rng rng{0xC17Bull};
        for (int k = 0; k < kRibbons; ++k) {
            RibbonPath r;
            r.startAngle = k * 2 * kPi / kRibbons + NextRange(&rng, -0.3f, 0.3f);
            r.sweep = f ? NextRange(&rng, 3.0f, 4.0f) : NextRange(&rng, 9.0f, 12.0f);
            r.radius = f ? NextRange(&rng, 650, 900) : NextRange(&rng, 60, 90);
            r.wave = f ? NextRange(&rng, 150, 300) : NextRange(&rng, 10, 30);
            r.waves = NextRange(&rng, 1.0f, 2.0f);
            r.z = f ? NextRange(&rng, -450, -250) : NextRange(&rng, -180, -120);
            r.zWave = f ? NextRange(&rng, 150, 250) : NextRange(&rng, 90, 120);
            r.zWaves = 0.5f;
            r.twist = NextRange(&rng, 1.0f, 2.0f);
            r.width = f ? NextRange(&rng, 70, 110) : NextRange(&rng, 25, 40);
            AddRibbon(&frames[f], r, kSegments, 0);
        }
        // The paths above wind round the z axis; stand them up round the city's y axis.
        for (GenVertex& v : frames[f].vertices) v.p = {v.p.x, -v.p.z, v.p.y};
    }
    AppendFrames(&frames[0], frames[1]);
    return frames[0];
}
