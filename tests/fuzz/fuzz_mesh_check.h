// Shared by the mesh fuzz targets: a scratch file to load from, and the checks on what loaded.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/mesh.h"
#include "assets/mesh_geometry.h"

inline std::string FuzzScratchPath(const char* extension) {
    const char* tmp = getenv("TMPDIR");
    return std::string(tmp ? tmp : "/tmp") + "/lockstep-fuzz-" + std::to_string(getpid()) +
           extension;
}

inline bool WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// Every stored index within a frame, the array as long as vertexEntries says, and the geometry
// operations kept inside it (ASan sees any step outside).
inline void CheckLoadedMesh(Mesh* mesh, bool animated) {
    if (mesh->textureSlot != -1 || mesh->currentFrame != 0) abort();
    if (!mesh->vertices && mesh->vertexEntries != 0) abort();
    if (mesh->vertexCount == 0 && mesh->triangleCount != 0) abort();
    int64_t expected = int64_t{mesh->vertexCount} * (mesh->frameCount + (animated ? 1 : 0));
    if (mesh->frameCount > 0 && mesh->vertexEntries != expected) abort();
    for (int32_t t = 0; t < mesh->triangleCount; ++t) {
        for (uint32_t index : mesh->triangles[t].indices) {
            if (index >= static_cast<uint32_t>(mesh->vertexCount)) abort();
        }
    }
    if (mesh->vertexCount > 0 && MeshHasBlendFrame(mesh) != animated) abort();
    for (int e = 0; e < mesh->vertexEntries; ++e) {
        volatile float touch = mesh->vertices[e].position.x + mesh->vertices[e].normal.z;
        (void)touch;
    }
    ComputeMeshNormals(mesh);
    ScaleMesh(mesh, 0.5f);
    InterpolateMeshFrame(mesh, 1.75f);
    InterpolateMeshFrame(mesh, -3.5f);
}
