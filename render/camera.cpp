#include "render/camera.h"

Camera camera;

// Placeholders until the renderer lands.
void SetCameraLens(Camera*, int32_t, int32_t, float) {}
void ApplyCamera(const Camera*) {}
