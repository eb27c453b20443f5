// Frame positions held inside the frames a mesh actually loaded. The scripts assume a full data
// set; a shorter file or a failed load must show the nearest frame, not read past the vertices.
#pragma once
#include <cstdint>
#include "assets/mesh.h"

// position clamped into [0, frameCount); NaN counts as 0. *clamped tells whether it moved.
float ClampFramePosition(float position, int32_t frameCount, bool* clamped);
// InterpolateMeshFrame with a clamped position; a mesh without frames is left alone. Says so
// on stderr once per mesh until ForgetFrameReports.
void ShowMeshFrame(Mesh* mesh, float position);
void ForgetFrameReports();
