#include "render/literal/literal_draw.h"

#include "assets/texture_slots.h"
#include "platform/display.h"
#include "platform/gl_api.h"
#include "render/draw_queue.h"

namespace {

// The record's part of the command, then texture generation, which is GL's alone.
void ApplyDrawCommandLiteral(int32_t code) {
    ApplyDrawCommand(code);
    if (code == SphereMapOn) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else if (code == SphereMapOff) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

// The mesh's place in the world as the model-view matrix: translate, then rotate about X, Y, Z.
void LoadMeshPlacement(const Mesh* mesh) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(mesh->position.x, mesh->position.y, mesh->position.z);
    glRotatef(MeshAngleDegrees(mesh->pitch), 1, 0, 0);
    glRotatef(MeshAngleDegrees(mesh->yaw), 0, 1, 0);
    glRotatef(MeshAngleDegrees(mesh->roll), 0, 0, 1);
}

} // namespace

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

void RenderDrawListLiteral() {
    WalkDrawList(DrawMeshLiteral, ApplyDrawCommandLiteral);
}
