// The per-frame queue of meshes and state commands, and mesh drawing.
#pragma once
#include <cstdint>
#include "assets/mesh.h"

constexpr int32_t kDrawListCapacity = 128;

enum DrawCommand : int32_t {
    BlendAdditive = 1,
    BlendMultiply = 2,
    BlendAlpha = 3,
    BlendOpaque = 4,
    SphereMapOn = 5,
    SphereMapOff = 6,
    EnvTextureOn = 7,
    EnvTextureOff = 8,
};

// An entry is a mesh, or a null marker whose following entry holds a command code.
struct DrawListEntry {
    Mesh* mesh;
    int32_t code;
};

struct DrawList {
    DrawListEntry entries[kDrawListCapacity];
    int32_t count;
};

extern DrawList drawList;
extern int32_t envTextureSlot; // -1: none
extern bool envOverride;
// The fast frame path's mesh drawing: each mesh as one indexed draw from its vertex array
// instead of a call per corner. The same triangles in the same order.
extern bool meshArrays;

void ResetDrawList();
void QueueMesh(Mesh* mesh);
void QueueCommand(int32_t code);
void RenderDrawList();
void DrawMesh(Mesh* mesh);
void DrawMeshFromArrays(Mesh* mesh);
void SetEnvTexture(int32_t slot);
