// The per-frame queue of meshes and state commands, and mesh drawing.
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
void RenderDrawList();
// On the literal frame path in immediate mode, on the default path from buffer objects through
// the shaders (render/shaded/shaded_draw.h): the same triangles in the same order.
void DrawMesh(Mesh* mesh);
void SetEnvTexture(int32_t slot);
// The default path keeps each mesh's frames and triangles in buffer objects from its first
// draw on; a mesh whose contents change afterwards (another data set, a test's) needs this.
void ForgetMeshBuffers();

// The current frame's vertices, or null when that frame is not wholly inside the vertex array.
const MeshVertex* CurrentFrameVertices(const Mesh* mesh);
// The mesh's placement as the model-view matrix: translate, then rotate about X, Y, Z.
Mat4 MeshPlacement(const Mesh* mesh);
