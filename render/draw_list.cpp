#include "render/draw_list.h"

#include "render/frame.h"

void RenderDrawList() {
    framePathOps->renderDrawList();
}

void DrawMesh(Mesh* mesh) {
    if (!mesh) return;
    framePathOps->drawMesh(mesh);
}
