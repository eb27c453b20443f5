#include "render/camera.h"

#include <GL/gl.h>

Camera camera;

namespace {

// The virtual screen that focal is measured against: 320 x 240 units, so the view is 4:3.
constexpr double kScreenHalfWidth = 160.0;
constexpr double kScreenHalfHeight = 120.0;

} // namespace

void SetCameraLens(Camera* cam, int32_t zNear, int32_t zFar, float focal) {
    cam->zNear = static_cast<float>(zNear);
    cam->zFar = static_cast<float>(zFar);
    cam->focal = focal;
}

// The whole view goes into the projection matrix; model-view is left to mesh placement.
void ApplyCamera(const Camera* cam) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double k = 1.0 / cam->focal;
    const double zNear = cam->zNear;
    glFrustum(-kScreenHalfWidth * k * zNear, kScreenHalfWidth * k * zNear,
              -kScreenHalfHeight * k * zNear, kScreenHalfHeight * k * zNear, zNear, cam->zFar);
    // Mirror depth so the camera looks along +Z.
    glScalef(1, 1, -1);
    glRotatef(cam->pitch, 1, 0, 0);
    glRotatef(cam->yaw, 0, 1, 0);
    glRotatef(cam->roll, 0, 0, 1);
    glTranslatef(-cam->x, -cam->y, -cam->z);
}
