#include "render/render_state.h"

#include "platform/gl_api.h"

namespace {

RenderState Defaults() {
    RenderState s = {};
    s.blendSrc = GL_ONE;
    s.blendDst = GL_ZERO;
    s.depthMask = true;
    s.depthTest = true;
    s.cull = true;
    for (float& c : s.colour) c = 1.0f;
    s.projection = IdentityMatrix();
    return s;
}

RenderState state = Defaults();

void Enable(GLenum cap, bool on) {
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

} // namespace

const RenderState& CurrentRenderState() {
    return state;
}

void ResetRenderState() {
    state = Defaults();
}

void SetBlend(bool on) {
    state.blend = on;
    Enable(GL_BLEND, on);
}

void SetBlendFunc(uint32_t src, uint32_t dst) {
    state.blendSrc = src;
    state.blendDst = dst;
    glBlendFunc(src, dst);
}

void SetDepthMask(bool on) {
    state.depthMask = on;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void SetDepthTest(bool on) {
    state.depthTest = on;
    Enable(GL_DEPTH_TEST, on);
}

void SetCull(bool on) {
    state.cull = on;
    Enable(GL_CULL_FACE, on);
}

void SetSphereMap(bool on) {
    state.sphereMap = on;
}

void SetColour(float r, float g, float b, float a) {
    state.colour[0] = r;
    state.colour[1] = g;
    state.colour[2] = b;
    state.colour[3] = a;
}

void SetBoundTexture(uint32_t name) {
    state.texture = name;
}

void SetProjection(const Mat4& projection) {
    state.projection = projection;
}

void ReapplyRenderState() {
    Enable(GL_BLEND, state.blend);
    glBlendFunc(state.blendSrc, state.blendDst);
    glDepthMask(state.depthMask ? GL_TRUE : GL_FALSE);
    Enable(GL_DEPTH_TEST, state.depthTest);
    Enable(GL_CULL_FACE, state.cull);
}

RenderEnables SaveEnables() {
    return RenderEnables{state.blend, state.depthTest, state.cull, state.sphereMap};
}

void RestoreEnables(const RenderEnables& enables) {
    SetBlend(enables.blend);
    SetDepthTest(enables.depthTest);
    SetCull(enables.cull);
    SetSphereMap(enables.sphereMap);
}

bool HasFixedFunction() {
    return GLAD_GL_VERSION_1_1 != 0;
}

void ReadRenderStateFromGL() {
    if (!HasFixedFunction()) return;
    GLint value = 0;
    GLboolean flag = GL_FALSE;
    state.blend = glIsEnabled(GL_BLEND);
    glGetIntegerv(GL_BLEND_SRC, &value);
    state.blendSrc = static_cast<uint32_t>(value);
    glGetIntegerv(GL_BLEND_DST, &value);
    state.blendDst = static_cast<uint32_t>(value);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &flag);
    state.depthMask = flag;
    state.depthTest = glIsEnabled(GL_DEPTH_TEST);
    state.cull = glIsEnabled(GL_CULL_FACE);
    state.sphereMap = glIsEnabled(GL_TEXTURE_GEN_S);
    glGetFloatv(GL_CURRENT_COLOR, state.colour);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    state.texture = static_cast<uint32_t>(value);
}

void WriteRenderStateToGL() {
    if (!HasFixedFunction()) return;
    Enable(GL_BLEND, state.blend);
    glBlendFunc(state.blendSrc, state.blendDst);
    glDepthMask(state.depthMask ? GL_TRUE : GL_FALSE);
    Enable(GL_DEPTH_TEST, state.depthTest);
    Enable(GL_CULL_FACE, state.cull);
    Enable(GL_TEXTURE_GEN_S, state.sphereMap);
    Enable(GL_TEXTURE_GEN_T, state.sphereMap);
    glColor4fv(state.colour);
    glBindTexture(GL_TEXTURE_2D, state.texture);
}
