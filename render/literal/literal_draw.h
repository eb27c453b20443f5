// The draw list as GL 1.1 draws it: meshes in immediate mode, placed with the matrix calls, and
// the commands' state in GL itself.
#pragma once
#include "assets/mesh.h"

void DrawMeshLiteral(Mesh* mesh);
void RenderDrawListLiteral();
