#include "script/frame_guard.h"

#include <cmath>
#include <cstdio>

#include "assets/mesh_geometry.h"
#include "script/scene_objects.h"

namespace {

// One flag per mesh that has been reported; the scene objects are the only callers.
constexpr int32_t kMaxReportedMeshes = 16;
struct FrameReports {
    const Mesh* meshes[kMaxReportedMeshes];
    int32_t count;
};
FrameReports frameReports;

bool AlreadyReported(const Mesh* mesh) {
    for (int32_t i = 0; i < frameReports.count; ++i) {
        if (frameReports.meshes[i] == mesh) return true;
    }
    if (frameReports.count < kMaxReportedMeshes) frameReports.meshes[frameReports.count++] = mesh;
    return false;
}

} // namespace

float ClampFramePosition(float position, int32_t frameCount, bool* clamped) {
    *clamped = false;
    if (!(position >= 0.0f)) {
        *clamped = true;
        return 0.0f;
    }
    const float limit = static_cast<float>(frameCount);
    if (position < limit) return position;
    *clamped = true;
    return frameCount > 0 ? std::nextafter(limit, 0.0f) : 0.0f;
}

void ShowMeshFrame(Mesh* mesh, float position) {
    if (mesh->frameCount < 1 || !MeshHasBlendFrame(mesh)) {
        if (!AlreadyReported(mesh)) {
            fprintf(stderr, "lockstep: %s has no frames to play; it stays as loaded\n",
                    SceneObjectName(mesh));
        }
        return;
    }
    bool clamped = false;
    const float shown = ClampFramePosition(position, mesh->frameCount, &clamped);
    if (clamped && !AlreadyReported(mesh)) {
        fprintf(stderr, "lockstep: %s: frame position %g is outside its %d frames; held at %.8g\n",
                SceneObjectName(mesh), static_cast<double>(position), mesh->frameCount,
                static_cast<double>(shown));
    }
    InterpolateMeshFrame(mesh, shown);
}

void ForgetFrameReports() {
    frameReports.count = 0;
}
