#include "assets/mesh_geometry.h"

#include <cmath>

void Vec3Sub(Vec3* out, const Vec3* a, const Vec3* b) {
    *out = Vec3{a->x - b->x, a->y - b->y, a->z - b->z};
}

void Vec3Add(Vec3* out, const Vec3* a, const Vec3* b) {
    *out = Vec3{a->x + b->x, a->y + b->y, a->z + b->z};
}

void Vec3Cross(Vec3* out, const Vec3* a, const Vec3* b) {
    out->x = a->y * b->z - a->z * b->y;
    out->y = a->z * b->x - a->x * b->z;
    out->z = a->x * b->y - a->y * b->x;
}

void Vec3Normalize(Vec3* v) {
    float s = v->x * v->x + v->y * v->y + v->z * v->z;
    if (s == 0) return;
    float k = 1 / std::sqrt(s);
    v->x *= k;
    v->y *= k;
    v->z *= k;
}

namespace {

// Stored frames (not the blend frame) that lie wholly inside the vertex array.
int32_t StoredFrames(const Mesh* mesh) {
    if (!mesh->vertices || mesh->vertexCount <= 0 || mesh->frameCount <= 0) return 0;
    int32_t held = mesh->vertexEntries / mesh->vertexCount;
    return mesh->frameCount < held ? mesh->frameCount : held;
}

float Blend(float a, float b, float t) {
    return a + (b - a) * t;
}

} // namespace

void ComputeMeshNormals(Mesh* mesh) {
    const int32_t frames = StoredFrames(mesh);
    const size_t vertexCount = static_cast<size_t>(mesh->vertexCount);
    const size_t entries = frames * vertexCount;
    for (size_t e = 0; e < entries; ++e) mesh->vertices[e].normal = Vec3{0, 0, 0};
    const int32_t triangles = mesh->triangles ? mesh->triangleCount : 0;
    for (int32_t f = 0; f < frames; ++f) {
        MeshVertex* frame = mesh->vertices + f * vertexCount;
        for (int32_t t = 0; t < triangles; ++t) {
            const uint32_t* index = mesh->triangles[t].indices;
            // An index outside the frame would reach into another frame or past the array.
            if (index[0] >= vertexCount || index[1] >= vertexCount || index[2] >= vertexCount)
                continue;
            MeshVertex* v0 = &frame[index[0]];
            MeshVertex* v1 = &frame[index[1]];
            MeshVertex* v2 = &frame[index[2]];
            Vec3 e1, e2, n;
            Vec3Sub(&e1, &v1->position, &v0->position);
            Vec3Sub(&e2, &v2->position, &v0->position);
            Vec3Cross(&n, &e1, &e2);
            Vec3Add(&v0->normal, &v0->normal, &n);
            Vec3Add(&v1->normal, &v1->normal, &n);
            Vec3Add(&v2->normal, &v2->normal, &n);
        }
    }
    for (size_t e = 0; e < entries; ++e) Vec3Normalize(&mesh->vertices[e].normal);
}

void ScaleMesh(Mesh* mesh, float factor) {
    const size_t entries = StoredFrames(mesh) * static_cast<size_t>(mesh->vertexCount);
    for (size_t e = 0; e < entries; ++e) {
        Vec3& p = mesh->vertices[e].position;
        p.x *= factor;
        p.y *= factor;
        p.z *= factor;
    }
}

void PlaceMesh(Mesh* mesh, float x, float y, float z, float yaw, float pitch, float roll) {
    mesh->position = Vec3{x, y, z};
    mesh->yaw = yaw * kDegreesToRadians;
    mesh->pitch = pitch * kDegreesToRadians;
    mesh->roll = roll * kDegreesToRadians;
}

void InterpolateMeshFrame(Mesh* mesh, float framePosition) {
    // A mesh without the blend frame has nowhere to put the result.
    if (!MeshHasBlendFrame(mesh)) return;
    const int32_t frameCount = mesh->frameCount;
    // The animation loops, so a position outside [0, frameCount) is wrapped into it; one that
    // is not a finite number plays frame 0.
    float position = framePosition;
    if (!std::isfinite(position)) position = 0;
    if (position < 0 || position >= frameCount) {
        position = std::fmod(position, static_cast<float>(frameCount));
        if (position < 0) position += frameCount;
        if (!(position >= 0 && position < frameCount)) position = 0; // rounding at the edge
    }
    int32_t lower = static_cast<int32_t>(position);
    if (lower > frameCount - 1) lower = frameCount - 1;
    const int32_t next = lower < frameCount - 1 ? lower + 1 : lower + 1 - frameCount;
    const float t = position - static_cast<float>(lower);

    const size_t vertexCount = static_cast<size_t>(mesh->vertexCount);
    for (size_t i = 0; i < vertexCount; ++i) {
        const MeshVertex& a = mesh->vertices[lower * vertexCount + i];
        const MeshVertex& b = mesh->vertices[next * vertexCount + i];
        MeshVertex& out = mesh->vertices[frameCount * vertexCount + i];
        out.position =
            Vec3{Blend(a.position.x, b.position.x, t), Blend(a.position.y, b.position.y, t),
                 Blend(a.position.z, b.position.z, t)};
        out.normal = Vec3{Blend(a.normal.x, b.normal.x, t), Blend(a.normal.y, b.normal.y, t),
                          Blend(a.normal.z, b.normal.z, t)};
        out.texCoord[0] = Blend(a.texCoord[0], b.texCoord[0], t);
        out.texCoord[1] = Blend(a.texCoord[1], b.texCoord[1], t);
    }
    mesh->currentFrame = frameCount;
}
