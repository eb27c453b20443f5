// The one viewpoint; ApplyCamera puts the whole view into the projection matrix.
#pragma once
#include <cstdint>

struct Camera {
    float x, y, z;
    float yaw, pitch, roll; // degrees
    float focal;            // distance at which the view spans 320 x 240 units
    float zNear, zFar;
};

extern Camera camera;

void SetCameraLens(Camera* cam, int32_t zNear, int32_t zFar, float focal);
void ApplyCamera(const Camera* cam);
