// The chrome tree at the centre of the city: a branching trunk about 300 units high. Frame 0
// stands calm; frame 1, reached on loud accents, spreads its branches wide and stretches up.
#include <cmath>
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kTreeDepth = 5;
constexpr int kChildren[kTreeDepth] = {3, 3, 3, 2, 0};
constexpr int kSides[kTreeDepth] = {7, 6, 5, 4, 4};
constexpr float kTrunkLength = 108.0f;
constexpr float kTrunkRadius = 15.0f;

struct TreeShape {
    float spread;  // radians between a child and its parent
    float stretch; // length factor of the children
    float curl;    // extra turn of each level about its parent
};

// A ring of `sides` vertices around the axis `frame.ay` at the frame's origin.
uint32_t AddRing(GenMesh* mesh, const Frame3& frame, float radius, int sides) {
    uint32_t first = 0;
    for (int i = 0; i < sides; ++i) {
        float a = i * 2 * kPi / sides;
        V3 p = ApplyFrame(frame, {radius * std::cos(a), 0, radius * std::sin(a)});
        uint32_t index = AddVertex(mesh, p, 0.5f, 0.5f);
        if (i == 0) first = index;
    }
    return first;
}

// Side quads between two rings of equal size, facing out.
void JoinRings(GenMesh* mesh, uint32_t lower, uint32_t upper, int sides) {
    for (int i = 0; i < sides; ++i) {
        uint32_t j = (i + 1) % sides;
        // Ring points run from +x towards +z, so (lower i, upper i, upper j) turns outwards.
        AddTriangle(mesh, lower + i, upper + i, upper + j);
        AddTriangle(mesh, lower + i, upper + j, lower + j);
    }
}

void Grow(GenMesh* mesh, const Frame3& base, float length, float radius, int depth,
          const TreeShape& shape, Rng* rng) {
    int sides = kSides[depth];
    float tipRadius = kChildren[depth] ? radius * 0.68f : 0;
    uint32_t lower = AddRing(mesh, base, radius, sides);
    Frame3 tip = ChainFrames(base, MoveTo({0, length, 0}));
    if (!kChildren[depth]) { // a pointed twig
        uint32_t point = AddVertex(mesh, tip.origin, 0.5f, 0.5f);
        for (int i = 0; i < sides; ++i)
            AddTriangle(mesh, lower + i, point, lower + (i + 1) % sides);
        return;
    }
    uint32_t upper = AddRing(mesh, tip, tipRadius, sides);
    JoinRings(mesh, lower, upper, sides);
    float turn = NextRange(rng, 0, 2 * kPi);
    for (int c = 0; c < kChildren[depth]; ++c) {
        float azimuth = turn + c * 2 * kPi / kChildren[depth] + shape.curl;
        float tilt = shape.spread * NextRange(rng, 0.8f, 1.2f);
        float grow = shape.stretch * NextRange(rng, 0.85f, 1.1f);
        Frame3 child = ChainFrames(tip, ChainFrames(TurnY(azimuth), TurnZ(tilt)));
        Grow(mesh, child, length * grow, tipRadius, depth + 1, shape, rng);
    }
}

GenMesh TreeFrame(const TreeShape& shape) {
    GenMesh mesh;
    Rng rng{0x7EEEull}; // the same draws for every frame keep the topology and the shape's family
    Grow(&mesh, IdentityFrame(), kTrunkLength, kTrunkRadius, 0, shape, &rng);
    return mesh;
}

} // namespace

GenMesh MakeTreeMesh() {
    GenMesh mesh = TreeFrame({0.42f, 0.74f, 0.0f});
    AppendFrames(&mesh, TreeFrame({0.78f, 0.86f, 0.35f}));
    return mesh;
}
