#include "render/draw_queue.h"

#include <cstdio>
#include "platform/gl_api.h"
#include "render/render_state.h"

DrawList drawList;
int32_t envTextureSlot = -1;
bool envOverride = false;

namespace {

// Stored radians become degrees through 1/3.1416, not 1/pi: pi/2 turns by 89.99979 degrees.
constexpr double kDegreesPerUnit = 180.0;
constexpr double kInverseNearPi = 0.31830914183855363;

bool drawListFullReported = false;

bool DrawListHasRoom(int32_t entries) {
    if (drawList.count >= 0 && drawList.count <= kDrawListCapacity - entries) return true;
    if (!drawListFullReported) {
        fprintf(stderr, "draw list full (%d entries): further entries dropped\n",
                kDrawListCapacity);
        drawListFullReported = true;
    }
    return false;
}

} // namespace

void ResetDrawList() {
    drawList.count = 0;
}

void QueueMesh(Mesh* mesh) {
    // A null mesh would read as a command marker and swallow the next entry.
    if (!mesh || !DrawListHasRoom(1)) return;
    drawList.entries[drawList.count] = {mesh, 0};
    drawList.count += 1;
}

void QueueCommand(int32_t code) {
    if (!DrawListHasRoom(2)) return;
    drawList.entries[drawList.count] = {nullptr, 0};
    drawList.entries[drawList.count + 1] = {nullptr, code};
    drawList.count += 2;
}

void SetEnvTexture(int32_t slot) {
    envTextureSlot = slot;
}

void WalkDrawList(void (*drawMesh)(Mesh*), void (*applyCommand)(int32_t code)) {
    const int32_t count = drawList.count < kDrawListCapacity ? drawList.count : kDrawListCapacity;
    for (int32_t i = 0; i < count; ++i) {
        const DrawListEntry& entry = drawList.entries[i];
        if (entry.mesh) {
            drawMesh(entry.mesh);
        } else if (++i < count) {
            applyCommand(drawList.entries[i].code);
        }
    }
}

void ApplyDrawCommand(int32_t code) {
    switch (code) {
    case BlendAdditive:
        SetDepthMask(false);
        SetBlend(true);
        SetBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case BlendMultiply:
        SetDepthMask(false);
        SetBlend(true);
        SetBlendFunc(GL_ZERO, GL_SRC_COLOR);
        break;
    case BlendAlpha:
        SetBlend(true);
        SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        SetDepthMask(false);
        break;
    case BlendOpaque:
        SetBlend(false);
        SetDepthMask(true);
        break;
    case SphereMapOn:
    case SphereMapOff:
        SetSphereMap(code == SphereMapOn);
        break;
    case EnvTextureOn:
        envOverride = true;
        break;
    case EnvTextureOff:
        envOverride = false;
        break;
    default:
        break; // unknown codes are consumed silently
    }
}

// The current frame must lie wholly inside the allocated vertices, or nothing is sent.
const MeshVertex* CurrentFrameVertices(const Mesh* mesh) {
    if (!mesh->vertices || mesh->vertexCount <= 0 || mesh->currentFrame < 0) return nullptr;
    const int64_t first = static_cast<int64_t>(mesh->currentFrame) * mesh->vertexCount;
    if (first + mesh->vertexCount > mesh->vertexEntries) return nullptr;
    return mesh->vertices + first;
}

float MeshAngleDegrees(float angle) {
    return static_cast<float>(angle * kDegreesPerUnit * kInverseNearPi);
}

Mat4 MeshPlacement(const Mesh* mesh) {
    Mat4 m = IdentityMatrix();
    MultiplyTranslation(&m, mesh->position.x, mesh->position.y, mesh->position.z);
    MultiplyRotation(&m, MeshAngleDegrees(mesh->pitch), 1, 0, 0);
    MultiplyRotation(&m, MeshAngleDegrees(mesh->yaw), 0, 1, 0);
    MultiplyRotation(&m, MeshAngleDegrees(mesh->roll), 0, 0, 1);
    return m;
}
