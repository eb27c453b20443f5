#include "render/draw_list.h"

DrawList drawList;
int32_t envTextureSlot = -1;
bool envOverride = false;

// Placeholders until the renderer lands.
void ResetDrawList() { drawList.count = 0; }
void QueueMesh(Mesh*) {}
void QueueCommand(int32_t) {}
void RenderDrawList() {}
void DrawMesh(Mesh*) {}
void SetEnvTexture(int32_t slot) { envTextureSlot = slot; }
