// Vector helpers, normals, scaling, placement and frame blending on hand-built meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "assets/mesh_geometry.h"

namespace {

// A mesh over caller-owned arrays, laid out as the loaders lay them out.
struct TestMesh {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;
    Mesh mesh{};
};

void Build(TestMesh* t, int32_t vertexCount, int32_t frameCount, bool blendFrame) {
    t->vertices.assign(static_cast<size_t>(vertexCount) * (frameCount + (blendFrame ? 1 : 0)),
                       MeshVertex{});
    t->mesh = Mesh{};
    t->mesh.vertexCount = vertexCount;
    t->mesh.frameCount = frameCount;
    t->mesh.vertices = t->vertices.empty() ? nullptr : t->vertices.data();
    t->mesh.vertexEntries = static_cast<int32_t>(t->vertices.size());
    t->mesh.textureSlot = -1;
}

void SetTriangles(TestMesh* t, std::vector<MeshTriangle> triangles) {
    t->triangles = std::move(triangles);
    t->mesh.triangles = t->triangles.data();
    t->mesh.triangleCount = static_cast<int32_t>(t->triangles.size());
}

// Frame f, vertex i: every one of the eight values differs, so a wrong source shows.
void FillFrames(TestMesh* t) {
    for (int32_t f = 0; f < t->mesh.frameCount; ++f) {
        for (int32_t i = 0; i < t->mesh.vertexCount; ++i) {
            MeshVertex& v = t->vertices[f * t->mesh.vertexCount + i];
            float b = f * 100.0f + i * 10.0f;
            v.position = Vec3{b + 1, b + 2, b + 3};
            v.texCoord[0] = b + 4;
            v.texCoord[1] = b + 5;
            v.normal = Vec3{b + 6, b + 7, b + 8};
        }
    }
}

std::vector<float> Values(const MeshVertex& v) {
    return {v.position.x,  v.position.y, v.position.z, v.texCoord[0],
            v.texCoord[1], v.normal.x,   v.normal.y,   v.normal.z};
}

std::vector<float> Blend(const MeshVertex& a, const MeshVertex& b, float t) {
    std::vector<float> va = Values(a), vb = Values(b), out;
    for (size_t k = 0; k < va.size(); ++k) out.push_back(va[k] + (vb[k] - va[k]) * t);
    return out;
}

} // namespace

TEST(Vec3, HelpersWorkInPlaceAndNormalizeLeavesZero) {
    Vec3 a{1, 2, 3}, b{4, 6, 8}, out{};
    Vec3Sub(&out, &b, &a);
    EXPECT_EQ(out.x, 3);
    EXPECT_EQ(out.z, 5);
    Vec3Add(&a, &a, &b); // out may be an input
    EXPECT_EQ(a.x, 5);
    EXPECT_EQ(a.y, 8);
    EXPECT_EQ(a.z, 11);
    Vec3 x{1, 0, 0}, y{0, 1, 0};
    Vec3Cross(&out, &x, &y);
    EXPECT_EQ(out.z, 1);
    Vec3Cross(&out, &y, &x);
    EXPECT_EQ(out.z, -1);
    Vec3 zero{0, 0, 0}, v{3, 0, 4};
    Vec3Normalize(&zero);
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);
    Vec3Normalize(&v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
}

TEST(MeshNormals, SumTriangleCrossProductsPerFrameAndSkipBadIndices) {
    TestMesh t;
    Build(&t, 5, 2, true);
    // Frame 0: a unit triangle in z = 0 plus one twice as big sharing vertex 0 and tilted.
    t.vertices[1].position = Vec3{1, 0, 0};
    t.vertices[2].position = Vec3{0, 1, 0};
    t.vertices[3].position = Vec3{0, 0, 2};
    // Frame 1: the unit triangle turned to face +x.
    t.vertices[5 + 1].position = Vec3{0, 1, 0};
    t.vertices[5 + 2].position = Vec3{0, 0, 1};
    t.vertices[5 + 4].normal = Vec3{9, 9, 9}; // vertex 4 is in no triangle
    t.vertices[10].normal = Vec3{7, 7, 7};    // the blend frame is not touched
    SetTriangles(&t, {{{0, 1, 2}}, {{0, 3, 1}}, {{0, 1, 5}}, {{7, 0, 1}}});
    ComputeMeshNormals(&t.mesh);

    // Frame 0, vertex 2: only the first triangle, cross (1,0,0) x (0,1,0) = (0,0,1).
    EXPECT_EQ(t.vertices[2].normal.z, 1);
    // Vertex 0 sums (0,0,1) and (0,0,2) x (1,0,0) = (0,2,0): the bigger triangle weighs more.
    EXPECT_FLOAT_EQ(t.vertices[0].normal.y, 2 / std::sqrt(5.0f));
    EXPECT_FLOAT_EQ(t.vertices[0].normal.z, 1 / std::sqrt(5.0f));
    EXPECT_EQ(t.vertices[5 + 2].normal.x, 1);
    EXPECT_EQ(t.vertices[5 + 2].normal.z, 0);
    EXPECT_EQ(t.vertices[5 + 4].normal.x, 0) << "a vertex in no triangle gets (0, 0, 0)";
    EXPECT_EQ(t.vertices[5 + 4].normal.z, 0);
    EXPECT_EQ(t.vertices[10].normal.x, 7);
}

TEST(MeshNormals, DegenerateTrianglesAndEmptyMeshesStayZero) {
    TestMesh t;
    Build(&t, 3, 1, false);
    t.vertices[1].position = Vec3{1, 1, 1};
    t.vertices[2].position = Vec3{2, 2, 2};
    SetTriangles(&t, {{{0, 1, 2}}});
    ComputeMeshNormals(&t.mesh);
    for (const MeshVertex& v : t.vertices) EXPECT_EQ(Values(v)[5] + Values(v)[7], 0);

    Mesh none{};
    none.frameCount = 3;
    none.triangleCount = 4; // no arrays: nothing is followed
    ComputeMeshNormals(&none);
    ScaleMesh(&none, 2);
}

TEST(MeshScale, MultipliesStoredPositionsOnly) {
    TestMesh t;
    Build(&t, 2, 2, true);
    FillFrames(&t);
    t.vertices[4].position = Vec3{1, 1, 1};
    t.mesh.position = Vec3{5, 5, 5};
    ScaleMesh(&t.mesh, 1.5f);
    EXPECT_EQ(t.vertices[0].position.x, 1.5f);
    EXPECT_EQ(t.vertices[3].position.z, 113 * 1.5f);
    EXPECT_EQ(t.vertices[3].normal.z, 118) << "normals keep their length";
    EXPECT_EQ(t.vertices[3].texCoord[0], 114);
    EXPECT_EQ(t.vertices[4].position.x, 1) << "the blend frame is not scaled";
    EXPECT_EQ(t.mesh.position.x, 5);
}

TEST(MeshPlace, StoresPositionAndSinglePrecisionRadians) {
    Mesh m{};
    PlaceMesh(&m, 1, -2, 3, 180, 90, 0);
    EXPECT_EQ(m.position.y, -2);
    EXPECT_EQ(m.yaw, 3.1415927f);
    EXPECT_EQ(m.pitch, 1.5707964f);
    EXPECT_EQ(m.roll, 0);
    PlaceMesh(&m, 0, 0, 0, -45, 0, 360);
    EXPECT_EQ(m.yaw, -45 * 0.017453292f);
    EXPECT_EQ(m.roll, 360 * 0.017453292f);
}

TEST(MeshInterpolate, BlendsNeighbourFramesAndLoopsIntoFrameZero) {
    TestMesh t;
    Build(&t, 3, 3, true);
    FillFrames(&t);
    const MeshVertex* v = t.vertices.data();
    auto blend = [&](int i) { return Values(v[9 + i]); };

    InterpolateMeshFrame(&t.mesh, 1);
    EXPECT_EQ(t.mesh.currentFrame, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blend(i), Values(v[3 + i])) << "whole frame 1";

    InterpolateMeshFrame(&t.mesh, 0.25f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blend(i), Blend(v[i], v[3 + i], 0.25f));

    InterpolateMeshFrame(&t.mesh, 2.5f); // the last frame blends into frame 0
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blend(i), Blend(v[6 + i], v[i], 0.5f));

    // Outside [0, 3) the position wraps, as the animation loops; nonsense plays frame 0.
    InterpolateMeshFrame(&t.mesh, 4.25f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blend(i), Blend(v[3 + i], v[6 + i], 0.25f));
    InterpolateMeshFrame(&t.mesh, -0.5f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blend(i), Blend(v[6 + i], v[i], 0.5f));
    for (float odd :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1e30f,
          1e30f, 3.0f, std::nextafter(3.0f, 0.0f), -1e-9f}) {
        InterpolateMeshFrame(&t.mesh, odd);
        for (int i = 0; i < 3; ++i) {
            for (float x : blend(i)) EXPECT_TRUE(std::isfinite(x)) << odd;
        }
    }
    InterpolateMeshFrame(&t.mesh, -1e-9f);
    EXPECT_EQ(blend(0), Values(v[0])) << "rounding at the loop's edge lands on frame 0";
}

TEST(MeshInterpolate, SingleFrameEmptyAndStaticMeshes) {
    TestMesh one;
    Build(&one, 2, 1, true);
    FillFrames(&one);
    for (float p : {0.0f, 0.5f, 0.999f}) {
        InterpolateMeshFrame(&one.mesh, p);
        EXPECT_EQ(Values(one.vertices[3]), Values(one.vertices[1])) << p;
    }
    EXPECT_EQ(one.mesh.currentFrame, 1);

    // Opposite unit normals blended half and half stay (0, 0, 0).
    TestMesh two;
    Build(&two, 1, 2, true);
    two.vertices[0].normal = Vec3{0, 0, 1};
    two.vertices[1].normal = Vec3{0, 0, -1};
    InterpolateMeshFrame(&two.mesh, 0.5f);
    EXPECT_EQ(two.vertices[2].normal.z, 0);

    TestMesh empty;
    Build(&empty, 0, 4, true);
    InterpolateMeshFrame(&empty.mesh, 1.5f);
    EXPECT_EQ(empty.mesh.currentFrame, 4);

    TestMesh still; // a static mesh has no blend frame: nothing is written
    Build(&still, 2, 1, false);
    FillFrames(&still);
    InterpolateMeshFrame(&still.mesh, 0.5f);
    EXPECT_EQ(still.mesh.currentFrame, 0);
    Mesh freed{};
    freed.frameCount = 3;
    InterpolateMeshFrame(&freed, 1);
    EXPECT_EQ(freed.currentFrame, 3) << "no vertices: nothing to blend, the frame still moves";
}
