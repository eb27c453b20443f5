// The per-frame queue of meshes and state commands (render/draw_queue.h), and mesh drawing.
#pragma once
#include "render/draw_queue.h"

// Walks the list on the chosen frame path. Nothing is restored at the end: the state the last
// commands left carries into the next pass.
void RenderDrawList();
// On the literal frame path in immediate mode, on the shaded path from buffer objects through
// the shaders (render/shaded/shaded_draw.h): the same triangles in the same order.
void DrawMesh(Mesh* mesh);
