#include "render/camera.h"

#include "platform/gl_api.h"
#include "render/render_state.h"

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

// The whole view goes into the projection matrix; model-view is left to mesh placement. The
// GL 1.1 matrix calls where the context has them (the literal passes draw through them), and
// the same matrix worked out on the CPU for the shaders.
void ApplyCamera(const Camera* cam) {
    const double k = 1.0 / cam->focal;
    const double zNear = cam->zNear;
    const double halfWidth = kScreenHalfWidth * k * zNear;
    const double halfHeight = kScreenHalfHeight * k * zNear;
    Mat4 m = IdentityMatrix();
    MultiplyFrustum(&m, -halfWidth, halfWidth, -halfHeight, halfHeight, zNear, cam->zFar);
    MultiplyScale(&m, 1, 1, -1);
    MultiplyRotation(&m, cam->pitch, 1, 0, 0);
    MultiplyRotation(&m, cam->yaw, 0, 1, 0);
    MultiplyRotation(&m, cam->roll, 0, 0, 1);
    MultiplyTranslation(&m, -cam->x, -cam->y, -cam->z);
    SetProjection(m);
    if (!HasFixedFunction()) return;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, zNear, cam->zFar);
    // Mirror depth so the camera looks along +Z.
    glScalef(1, 1, -1);
    glRotatef(cam->pitch, 1, 0, 0);
    glRotatef(cam->yaw, 0, 1, 0);
    glRotatef(cam->roll, 0, 0, 1);
    glTranslatef(-cam->x, -cam->y, -cam->z);
}
