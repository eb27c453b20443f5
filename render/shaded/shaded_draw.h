// Drawing with shaders and buffer objects only, as OpenGL ES 2.0 and WebGL draw: the default
// frame path's stand-in for the fixed-function pipeline (meshes and quads, modulated by the
// current colour, textured or sphere-mapped), and the full-screen passes.
#pragma once
#include <cstdint>
#include "assets/mesh.h"
#include "render/matrix.h"
#include "render/shaded/shaders.h"

// One corner of a quad: position in the projection's space, texture coordinates.
struct QuadCorner {
    float x, y, z;
    float s, t;
};

// How a quad's texture is read: a glow level (edgeSize texels a side) has no alpha and clamps T
// against a black border; edgeSize is 0 for every other texture.
struct QuadTexture {
    uint32_t name; // 0: no texture, the plain colour
    float edgeSize;
};

// Builds the programs and the buffers once per context; says why not in *reason.
bool PrepareShadedDrawing(bool es, const char** reason);
// The draw list's mesh, placed and modulated as DrawMesh places and modulates it.
void DrawMeshShaded(Mesh* mesh);
// The draw list walked with DrawMeshShaded, its commands kept in the render-state record.
void RenderDrawListShaded();
// Four corners as a GL_QUADS quad draws them (two triangles, 0-1-2 and 0-2-3), through
// projection, in the current colour; the blend and the rest as the record holds them.
void DrawQuadShaded(const QuadCorner corners[4], const Mat4& projection, const QuadTexture& texture);
// A full-screen pass of one of the pass programs into the bound framebuffer's viewport.
void DrawFullScreenPass(ShaderProgram program);
// Binds name on the given texture unit; 0 binds a white stand-in (the fixed-function pipeline
// draws the plain colour where no texture is bound; a shader would read black).
void BindTextureUnit(int unit, uint32_t name);
// Leaves the GL state as the fixed-function passes expect it: no program, no buffers, no
// attribute arrays, texture unit 0.
void LeaveShadedDrawing();
// The context is gone with the programs' uniforms and every buffer: all are made again on use.
void ForgetShadedDrawing();
// Each mesh's frames and triangles stay in buffer objects from its first draw on; a mesh whose
// contents change afterwards (another data set, a test's) needs this.
void ForgetShadedMeshBuffers();
