// The fixed-function state that the pictures depend on, kept by hand for drawing with shaders
// (OpenGL ES 2.0, WebGL, and the default frame path on desktop OpenGL): what glEnable,
// glBlendFunc, glDepthMask, texture generation, glColor, glBindTexture and the projection matrix
// hold in a GL 1.1 context. The draw list restores none of it, so it carries from pass to pass
// and from frame to frame as it does there. Setters change the record and make the GL calls that
// every context has.
#pragma once
#include <cstdint>
#include "render/matrix.h"

struct RenderState {
    bool blend;
    uint32_t blendSrc, blendDst; // GL blend factors
    bool depthMask;
    bool depthTest;
    bool cull;
    bool sphereMap; // texture coordinates generated from the normals
    float colour[4];
    uint32_t texture; // the texture name bound, 0 for none
    Mat4 projection;
};

// Blend, depth test, cull and sphere map: what the overlay mode saves and restores.
struct RenderEnables {
    bool blend, depthTest, cull, sphereMap;
};

const RenderState& CurrentRenderState();
// Back to the state after the default render state: opaque, depth writes on, depth test and
// culling on, no sphere map, white, no texture, identity projection.
void ResetRenderState();

void SetBlend(bool on);
void SetBlendFunc(uint32_t src, uint32_t dst);
void SetDepthMask(bool on);
void SetDepthTest(bool on);
void SetCull(bool on);
void SetSphereMap(bool on);
void SetColour(float r, float g, float b, float a);
void SetBoundTexture(uint32_t name);
void SetProjection(const Mat4& projection);
// The GL calls for blend, depth and culling once more, after a pass that changed them behind the
// record's back.
void ReapplyRenderState();
RenderEnables SaveEnables();
void RestoreEnables(const RenderEnables& enables);

// Whether the context has the fixed-function pipeline (desktop OpenGL) besides shaders.
bool HasFixedFunction();
// Desktop only, where both frame paths share the context: the record from the GL state the
// literal passes left, and back.
void ReadRenderStateFromGL();
void WriteRenderStateToGL();
