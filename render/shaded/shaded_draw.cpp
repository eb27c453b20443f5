#include "render/shaded/shaded_draw.h"

#include <algorithm>
#include <cstddef>
#include "assets/texture_slots.h"
#include "platform/display.h"
#include "platform/gl_api.h"
#include "render/draw_queue.h"
#include "render/render_state.h"

namespace {

// Indices are 16-bit everywhere (WebGL 1 and OpenGL ES 2.0 have no others): a frame of more
// vertices is sent corner by corner instead.
constexpr int32_t kMaxIndexedVertices = 65536;
constexpr int kMaxMeshBuffers = 32;
// Indices and corners go up in pieces of this many triangles, from fixed scratch space: nothing
// is allocated while frames are drawn.
constexpr int kUploadTriangles = 2048;

struct DrawUniforms {
    GLint mvp, modelView, sphereMap, colour, edgeSize;
};

// The stored frames of a mesh in a static buffer and its valid triangles as 16-bit indices; the
// blend frame (written again every frame) and over-large meshes stream through a buffer of their
// own, replaced at every draw.
struct MeshBuffers {
    const Mesh* mesh;
    const MeshVertex* vertices;
    const MeshTriangle* triangles;
    int32_t vertexCount, triangleCount, vertexEntries, frameCount;
    int32_t storedFrames; // frames in vertexBuffer
    int32_t validTriangles;
    bool indexed;
    GLuint vertexBuffer, indexBuffer, streamBuffer;
};

struct ShadedDrawing {
    bool prepared;
    DrawUniforms draw[2]; // ProgramDraw, ProgramDrawLevel
    GLuint quadBuffer, passBuffer, white;
    MeshBuffers meshes[kMaxMeshBuffers];
    int nextEviction;
    uint16_t indexScratch[kUploadTriangles * 3];
    MeshVertex cornerScratch[kUploadTriangles * 3];
};

ShadedDrawing shaded;

bool TriangleInFrame(const MeshTriangle& triangle, int32_t vertexCount) {
    const uint32_t n = static_cast<uint32_t>(vertexCount);
    return triangle.indices[0] < n && triangle.indices[1] < n && triangle.indices[2] < n;
}

bool Describes(const MeshBuffers& b, const Mesh* mesh) {
    return b.mesh == mesh && b.vertices == mesh->vertices && b.triangles == mesh->triangles &&
           b.vertexCount == mesh->vertexCount && b.triangleCount == mesh->triangleCount &&
           b.vertexEntries == mesh->vertexEntries && b.frameCount == mesh->frameCount;
}

void ReleaseBuffers(MeshBuffers* b) {
    const GLuint names[3] = {b->vertexBuffer, b->indexBuffer, b->streamBuffer};
    for (GLuint name : names)
        if (name) glDeleteBuffers(1, &name);
    *b = MeshBuffers{};
}

// Goes through the mesh's valid triangles, writing each corner into the scratch space with put,
// and sends the scratch on to the bound buffer of target whenever it is full.
template <typename T, typename Put>
void UploadCorners(const MeshBuffers& b, GLenum target, T* scratch, Put put) {
    GLintptr offset = 0;
    int filled = 0;
    auto flush = [&]() {
        const GLsizeiptr bytes = GLsizeiptr(filled) * 3 * sizeof(T);
        glBufferSubData(target, offset, bytes, scratch);
        offset += bytes;
        filled = 0;
    };
    for (int32_t t = 0; t < b.triangleCount; ++t) {
        const MeshTriangle& triangle = b.triangles[t];
        if (!TriangleInFrame(triangle, b.vertexCount)) continue;
        for (int c = 0; c < 3; ++c) put(&scratch[filled * 3 + c], triangle.indices[c]);
        if (++filled == kUploadTriangles) flush();
    }
    if (filled > 0) flush();
}

// The valid triangles' indices, into the bound element buffer.
void UploadIndices(const MeshBuffers& b) {
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(b.validTriangles) * 3 * sizeof(uint16_t),
                 nullptr, GL_STATIC_DRAW);
    UploadCorners(b, GL_ELEMENT_ARRAY_BUFFER, shaded.indexScratch,
                  [](uint16_t* out, uint32_t index) { *out = static_cast<uint16_t>(index); });
}

MeshBuffers* BuffersFor(const Mesh* mesh) {
    for (MeshBuffers& b : shaded.meshes)
        if (Describes(b, mesh)) return &b;
    MeshBuffers* b = nullptr;
    for (MeshBuffers& free : shaded.meshes) {
        if (!free.mesh && !b) b = &free;
        if (free.mesh == mesh) b = &free; // the same mesh with new arrays: replaced
    }
    if (!b) {
        b = &shaded.meshes[shaded.nextEviction];
        shaded.nextEviction = (shaded.nextEviction + 1) % kMaxMeshBuffers;
    }
    ReleaseBuffers(b);
    b->mesh = mesh;
    b->vertices = mesh->vertices;
    b->triangles = mesh->triangles;
    b->vertexCount = mesh->vertexCount;
    b->triangleCount = mesh->triangles ? mesh->triangleCount : 0;
    b->vertexEntries = mesh->vertexEntries;
    b->frameCount = mesh->frameCount;
    for (int32_t t = 0; t < b->triangleCount; ++t)
        b->validTriangles += TriangleInFrame(b->triangles[t], b->vertexCount);
    b->indexed = b->vertexCount <= kMaxIndexedVertices;
    glGenBuffers(1, &b->streamBuffer);
    if (!b->indexed || b->vertexCount <= 0) return b;
    b->storedFrames = std::min(b->frameCount, b->vertexEntries / b->vertexCount);
    if (b->storedFrames > 0) {
        glGenBuffers(1, &b->vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, b->vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER,
                     GLsizeiptr(b->storedFrames) * b->vertexCount * sizeof(MeshVertex),
                     b->vertices, GL_STATIC_DRAW);
    }
    glGenBuffers(1, &b->indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b->indexBuffer);
    UploadIndices(*b);
    return b;
}

void PointAttributes(size_t firstVertex) {
    const size_t base = firstVertex * sizeof(MeshVertex);
    glVertexAttribPointer(AttributePosition, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(base + offsetof(MeshVertex, position)));
    glVertexAttribPointer(AttributeTexCoord, 2, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(base + offsetof(MeshVertex, texCoord)));
    glVertexAttribPointer(AttributeNormal, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(base + offsetof(MeshVertex, normal)));
}

void UseAttributes(bool texCoord, bool normal) {
    glEnableVertexAttribArray(AttributePosition);
    if (texCoord)
        glEnableVertexAttribArray(AttributeTexCoord);
    else
        glDisableVertexAttribArray(AttributeTexCoord);
    if (normal)
        glEnableVertexAttribArray(AttributeNormal);
    else
        glDisableVertexAttribArray(AttributeNormal);
}

// The corners of the frame's valid triangles one after another, for a mesh too large for 16-bit
// indices; returns how many.
GLsizei StreamCorners(const MeshBuffers& b, const MeshVertex* frame) {
    const GLsizei corners = b.validTriangles * 3;
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(corners) * sizeof(MeshVertex), nullptr,
                 GL_STREAM_DRAW);
    UploadCorners(b, GL_ARRAY_BUFFER, shaded.cornerScratch,
                  [frame](MeshVertex* out, uint32_t index) { *out = frame[index]; });
    return corners;
}

void UseDrawProgram(const Mat4& mvp, const Mat4* modelView, const QuadTexture& texture) {
    const RenderState& state = CurrentRenderState();
    const bool level = texture.edgeSize > 0.0f;
    const DrawUniforms& u = shaded.draw[level ? 1 : 0];
    glUseProgram(ShaderProgramName(level ? ProgramDrawLevel : ProgramDraw));
    glUniformMatrix4fv(u.mvp, 1, GL_FALSE, mvp.m);
    const bool sphereMap = state.sphereMap && modelView;
    if (sphereMap) glUniformMatrix4fv(u.modelView, 1, GL_FALSE, modelView->m);
    glUniform1f(u.sphereMap, sphereMap ? 1.0f : 0.0f);
    // The fixed-function pipeline clamps the current colour before it modulates.
    float colour[4];
    for (int c = 0; c < 4; ++c) colour[c] = std::min(1.0f, std::max(0.0f, state.colour[c]));
    glUniform4fv(u.colour, 1, colour);
    if (level) glUniform1f(u.edgeSize, texture.edgeSize);
    BindTextureUnit(0, texture.name);
}

void DrawMeshFrame(const Mesh* mesh, const MeshVertex* frame, const Mat4& modelView) {
    MeshBuffers* b = BuffersFor(mesh);
    if (b->validTriangles == 0) return;
    const RenderState& state = CurrentRenderState();
    const Mat4 mvp = MatrixProduct(state.projection, modelView);
    UseDrawProgram(mvp, &modelView, QuadTexture{state.texture, 0.0f});
    UseAttributes(true, true);
    const int32_t frameIndex = mesh->currentFrame;
    if (!b->indexed) {
        glBindBuffer(GL_ARRAY_BUFFER, b->streamBuffer);
        const GLsizei corners = StreamCorners(*b, frame);
        PointAttributes(0);
        glDrawArrays(GL_TRIANGLES, 0, corners);
        return;
    }
    if (frameIndex < b->storedFrames) {
        glBindBuffer(GL_ARRAY_BUFFER, b->vertexBuffer);
        PointAttributes(size_t(frameIndex) * size_t(b->vertexCount));
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, b->streamBuffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(b->vertexCount) * sizeof(MeshVertex), frame,
                     GL_STREAM_DRAW);
        PointAttributes(0);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b->indexBuffer);
    glDrawElements(GL_TRIANGLES, b->validTriangles * 3, GL_UNSIGNED_SHORT, nullptr);
}

GLuint CreateWhiteTexture() {
    const uint8_t white[4] = {255, 255, 255, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

} // namespace

bool PrepareShadedDrawing(bool es, const char** reason) {
    if (shaded.prepared) return true;
    if (!BuildShaderPrograms(es, reason)) return false;
    for (int level = 0; level < 2; ++level) {
        const GLuint program = ShaderProgramName(level ? ProgramDrawLevel : ProgramDraw);
        DrawUniforms& u = shaded.draw[level];
        u.mvp = glGetUniformLocation(program, "mvp");
        u.modelView = glGetUniformLocation(program, "modelView");
        u.sphereMap = glGetUniformLocation(program, "sphereMap");
        u.colour = glGetUniformLocation(program, "colour");
        u.edgeSize = glGetUniformLocation(program, "edgeSize");
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "image"), 0);
    }

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    shaded.white = CreateWhiteTexture();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glGenBuffers(1, &shaded.quadBuffer);
    const float corners[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    glGenBuffers(1, &shaded.passBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, shaded.passBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    LeaveShadedDrawing();
    shaded.prepared = true;
    return true;
}

void DrawMeshShaded(Mesh* mesh) {
    if (!mesh) return;
    const int32_t slot = envOverride ? envTextureSlot : mesh->textureSlot;
    if (renderStateApplied == 0) ApplyDefaultRenderState();
    // No texture: nothing drawn, and the current colour is left for the next mesh.
    if (slot == -1) return;
    SetBoundTexture(TextureSlotName(slot));
    const MeshVertex* frame = CurrentFrameVertices(mesh);
    if (frame) DrawMeshFrame(mesh, frame, MeshPlacement(mesh));
    SetColour(1, 1, 1, 1);
}

void RenderDrawListShaded() {
    WalkDrawList(DrawMeshShaded, ApplyDrawCommand);
}

void DrawQuadShaded(const QuadCorner corners[4], const Mat4& projection,
                    const QuadTexture& texture) {
    UseDrawProgram(projection, nullptr, texture);
    glBindBuffer(GL_ARRAY_BUFFER, shaded.quadBuffer);
    glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(QuadCorner), corners, GL_STREAM_DRAW);
    UseAttributes(true, false);
    glVertexAttrib3f(AttributeNormal, 0, 0, 1);
    glVertexAttribPointer(AttributePosition, 3, GL_FLOAT, GL_FALSE, sizeof(QuadCorner),
                          reinterpret_cast<const void*>(offsetof(QuadCorner, x)));
    glVertexAttribPointer(AttributeTexCoord, 2, GL_FLOAT, GL_FALSE, sizeof(QuadCorner),
                          reinterpret_cast<const void*>(offsetof(QuadCorner, s)));
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

void DrawFullScreenPass(ShaderProgram program) {
    glUseProgram(ShaderProgramName(program));
    glBindBuffer(GL_ARRAY_BUFFER, shaded.passBuffer);
    UseAttributes(false, false);
    glVertexAttribPointer(AttributePosition, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

void BindTextureUnit(int unit, uint32_t name) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, name ? name : shaded.white);
    if (unit != 0) glActiveTexture(GL_TEXTURE0);
}

void ForgetShadedMeshBuffers() {
    for (MeshBuffers& b : shaded.meshes) ReleaseBuffers(&b);
    shaded.nextEviction = 0;
}

void ForgetShadedDrawing() {
    // Field by field: the scratch space is too large for a temporary on the stack.
    shaded.prepared = false;
    shaded.quadBuffer = shaded.passBuffer = shaded.white = 0;
    for (MeshBuffers& b : shaded.meshes) b = MeshBuffers{};
    shaded.nextEviction = 0;
}

void LeaveShadedDrawing() {
    glUseProgram(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    for (GLuint a : {AttributePosition, AttributeTexCoord, AttributeNormal})
        glDisableVertexAttribArray(a);
    glActiveTexture(GL_TEXTURE0);
}
