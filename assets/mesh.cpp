#include "assets/mesh.h"

// Placeholders until the mesh loaders land.
void LoadStaticMesh(const char*, Mesh* mesh) { *mesh = Mesh{}, mesh->textureSlot = -1; }
void LoadAnimatedMesh(const char*, Mesh* mesh) { *mesh = Mesh{}, mesh->textureSlot = -1; }
void SetMeshTexture(Mesh* mesh, int32_t slot) { mesh->textureSlot = slot; }
void FreeMesh(Mesh*) {}
bool MeshHasBlendFrame(const Mesh*) { return false; }
