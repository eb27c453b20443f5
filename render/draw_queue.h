// The per-frame queue of meshes and state commands, as either frame path walks it, and where a
// mesh is placed.
#pragma once
#include <cstdint>
#include "assets/mesh.h"
#include "render/matrix.h"

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

void ResetDrawList();
void QueueMesh(Mesh* mesh);
void QueueCommand(int32_t code);
void SetEnvTexture(int32_t slot);
// The list in order: each mesh to drawMesh, each command to applyCommand. Nothing is restored
// at the end: the state the last commands left carries into the next pass.
void WalkDrawList(void (*drawMesh)(Mesh*), void (*applyCommand)(int32_t code));
// A command's GL calls, in the table's order, through the render-state record's setters, so the
// shaded path keeps the state the literal passes keep in GL; texture generation, GL's alone, is
// left to the literal passes.
void ApplyDrawCommand(int32_t code);

// The current frame's vertices, or null when that frame is not wholly inside the vertex array.
const MeshVertex* CurrentFrameVertices(const Mesh* mesh);
// A stored angle in degrees, as the placement turns by it.
float MeshAngleDegrees(float angle);
// The mesh's placement as the model-view matrix: translate, then rotate about X, Y, Z.
Mat4 MeshPlacement(const Mesh* mesh);
