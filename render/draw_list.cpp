#include "render/draw_list.h"

#include <cstdio>
#include "assets/texture_slots.h"
#include "host/display.h"
#include "host/gl_api.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/shaded/shaded_draw.h"

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

float ToDegrees(float angle) {
    return static_cast<float>(angle * kDegreesPerUnit * kInverseNearPi);
}

// The table's GL calls, in its order, through the render-state record's setters, so the default
// path keeps the state the literal passes keep in GL; only texture generation is GL's alone.
void ApplyDrawCommand(int32_t code, bool literal) {
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
        if (!literal) break;
        if (code == SphereMapOn) {
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
        } else {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
        }
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

// The mesh's place in the world as the model-view matrix: translate, then rotate about X, Y, Z.
void LoadMeshPlacement(const Mesh* mesh) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(mesh->position.x, mesh->position.y, mesh->position.z);
    glRotatef(ToDegrees(mesh->pitch), 1, 0, 0);
    glRotatef(ToDegrees(mesh->yaw), 0, 1, 0);
    glRotatef(ToDegrees(mesh->roll), 0, 0, 1);
}

void DrawMeshLiteral(Mesh* mesh) {
    const int32_t slot = envOverride ? envTextureSlot : mesh->textureSlot;
    if (renderStateApplied == 0) ApplyDefaultRenderState();
    // No texture: nothing drawn, and the current colour is left for the next mesh.
    if (slot == -1) return;
    glBindTexture(GL_TEXTURE_2D, TextureSlotName(slot));

    LoadMeshPlacement(mesh);

    const MeshVertex* frame = CurrentFrameVertices(mesh);
    const int32_t triangleCount = mesh->triangles ? mesh->triangleCount : 0;
    const uint32_t vertexCount = static_cast<uint32_t>(mesh->vertexCount);
    glBegin(GL_TRIANGLES);
    for (int32_t t = 0; frame && t < triangleCount; ++t) {
        const uint32_t* corner = mesh->triangles[t].indices;
        // A triangle that points outside its frame is dropped whole, keeping the rest aligned.
        if (corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount)
            continue;
        for (int c = 0; c < 3; ++c) {
            const MeshVertex& v = frame[corner[c]];
            glNormal3fv(&v.normal.x);
            glTexCoord2fv(v.texCoord);
            glVertex3fv(&v.position.x);
        }
    }
    glEnd();
    glColor3f(1, 1, 1);
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

// Nothing is restored at the end: the state the last commands left carries into the next pass.
void RenderDrawList() {
    const bool literal = LiteralFrames();
    const int32_t count = drawList.count < kDrawListCapacity ? drawList.count : kDrawListCapacity;
    for (int32_t i = 0; i < count; ++i) {
        const DrawListEntry& entry = drawList.entries[i];
        if (entry.mesh) {
            DrawMesh(entry.mesh);
        } else if (++i < count) {
            ApplyDrawCommand(drawList.entries[i].code, literal);
        }
    }
}

void DrawMesh(Mesh* mesh) {
    if (!mesh) return;
    if (LiteralFrames())
        DrawMeshLiteral(mesh);
    else
        DrawMeshShaded(mesh);
}

void SetEnvTexture(int32_t slot) {
    envTextureSlot = slot;
}

// The current frame must lie wholly inside the allocated vertices, or nothing is sent.
const MeshVertex* CurrentFrameVertices(const Mesh* mesh) {
    if (!mesh->vertices || mesh->vertexCount <= 0 || mesh->currentFrame < 0) return nullptr;
    const int64_t first = static_cast<int64_t>(mesh->currentFrame) * mesh->vertexCount;
    if (first + mesh->vertexCount > mesh->vertexEntries) return nullptr;
    return mesh->vertices + first;
}

Mat4 MeshPlacement(const Mesh* mesh) {
    Mat4 m = IdentityMatrix();
    MultiplyTranslation(&m, mesh->position.x, mesh->position.y, mesh->position.z);
    MultiplyRotation(&m, ToDegrees(mesh->pitch), 1, 0, 0);
    MultiplyRotation(&m, ToDegrees(mesh->yaw), 0, 1, 0);
    MultiplyRotation(&m, ToDegrees(mesh->roll), 0, 0, 1);
    return m;
}
