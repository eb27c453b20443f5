// The triangle mesh record and its two text file formats (.bof static, .baf animated).
#pragma once
#include <cstdint>

struct Vec3 {
    float x, y, z;
};

struct MeshVertex {
    Vec3 position;
    float texCoord[2];
    Vec3 normal;
};

struct MeshTriangle {
    uint32_t indices[3];
};

struct Mesh {
    int32_t vertexCount;   // vertices per frame
    int32_t triangleCount; // the same for every frame
    int32_t frameCount;    // 1 for a static mesh
    MeshVertex* vertices;  // frame after frame; an animated mesh has one extra blend frame
    MeshTriangle* triangles;
    Vec3 position;
    float yaw, pitch, roll; // radians
    int32_t textureSlot;    // -1: none
    int32_t currentFrame;   // 0..frameCount (frameCount = the blend frame)
    int32_t vertexEntries;  // entries allocated in vertices; bounds every frame access
};

// Both loaders leave the mesh empty (all counts 0, null arrays, textureSlot -1) when the file is
// missing or malformed, and say why on stderr. Normals and the blend frame start zeroed. Arrays
// the record already holds are not released: load into a fresh or freed record.
void LoadStaticMesh(const char* name, Mesh* mesh);
void LoadAnimatedMesh(const char* name, Mesh* mesh);
void SetMeshTexture(Mesh* mesh, int32_t slot);
void FreeMesh(Mesh* mesh);
// True when the mesh has the extra blend frame after its stored frames (an animated mesh that
// loaded). A mesh with no vertices counts as having it: its frames take no room.
bool MeshHasBlendFrame(const Mesh* mesh);
