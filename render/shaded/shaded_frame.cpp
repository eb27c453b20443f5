#include "render/shaded/shaded_frame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "assets/texture_slots.h"
#include "platform/gl_api.h"
#include "platform/platform.h"
#include "render/glow_levels.h"
#include "render/render_state.h"
#include "render/shaded/shaded_draw.h"
#include "render/shaded/shaded_quads.h"

namespace {

constexpr int32_t kByteMask = 0xFF;
constexpr float kByte = 255.0f;
// Texture units of the passes: the frame's scene on 0, then the levels (the fold reads a level
// and the sum after it), then the dirt; the finish reads the folded glow on 1.
constexpr int kSceneUnit = 0;
constexpr int kFirstLevelUnit = 1;
constexpr int kSumUnit = 2;
constexpr int kGlowUnit = 1;
constexpr int kFinishDirtUnit = 2;
constexpr int kFadeDirtUnit = kFirstLevelUnit + kGlowLevels;
constexpr int kUnitsNeeded = kFadeDirtUnit + 1;

// A texture with a framebuffer that draws into it.
struct Target {
    GLuint texture, framebuffer;
    int width, height;
};

struct PassUniforms {
    GLint alphas[2], fadeAlphas[2], weight0, sumEdge, introAlpha, blackAlpha;
};

struct ShadedFrame {
    bool tried;
    const char* missing; // why the default path cannot run, or null
    bool created;
    Target levels[kGlowLevels];
    // The glow folded as the additive composite adds it: levels 2 to 7 summed on level 2's
    // grid, then level 1 and that on level 1's, then level 0 and that on level 0's.
    Target sums[3];
    // Where the scene is drawn, as the literal passes draw the visible frame into the window,
    // with its depth buffer (a list that leaves depth writes off leaves it uncleared into the
    // next frame). The glow source is taken from it.
    Target scene;
    Target dirt; // the dirt quad as the frame's pixels see it
    GLuint sceneDepth;
    PassUniforms sumPass, glowPass, finishPass, fadePass;
    GLint hostFramebuffer; // where the finished frame goes: the window's or the host's own
    bool sourcePending;    // the frame drawn since UpdateGlow is this frame's glow source
    bool levelZeroMade;    // level 0 is in its texture; else the frame, unchanged, stands for it
    bool levelZeroRendered; // this frame's level 0 was rendered at its own size
    bool fading;            // the frame before ended with the end fade
    uint32_t dirtBakedFrom;
    bool dirtStale;
};

ShadedFrame frame;

bool Hidden(const char* variable) {
    const char* value = getenv(variable);
    return value && *value && strcmp(value, "0") != 0;
}

GLenum DepthFormat() {
    if (HasFixedFunction()) return GL_DEPTH_COMPONENT24;
    return GLAD_GL_OES_depth24 ? GL_DEPTH_COMPONENT24_OES : GL_DEPTH_COMPONENT16;
}

// RGBA: the colour format every context can render into. Levels filter linearly; the frame's
// textures are read one texel a pixel (the scene's linearly while the glow source is read from
// it).
bool CreateTarget(Target* t, int width, int height, bool linear, GLuint depth) {
    t->width = width;
    t->height = height;
    glGenTextures(1, &t->texture);
    glBindTexture(GL_TEXTURE_2D, t->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    // S repeats on the levels as in the literal chain. T is clamped by the shaders' own edge;
    // within 0..1 a mirrored repeat reads as a clamp to the edge, and it keeps llvmpipe on the
    // exact filtering it gives the literal chain's GL_CLAMP (with a plain repeat or clamp it
    // filters in 8-bit steps, a byte off now and then: 96% of pixels within 2/255 where the
    // mirrored repeat gives 98%, and no faster).
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, linear ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, linear ? GL_MIRRORED_REPEAT : GL_CLAMP_TO_EDGE);
    glGenFramebuffers(1, &t->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->texture, 0);
    if (depth)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

GLuint CreateDepthBuffer(GLuint name, int width, int height) {
    glBindRenderbuffer(GL_RENDERBUFFER, name);
    glRenderbufferStorage(GL_RENDERBUFFER, DepthFormat(), width, height);
    return name;
}

// The scene's target (and its depth buffer) and the dirt's, which follow the frame's size.
bool CreateFrameSizedTargets() {
    CreateDepthBuffer(frame.sceneDepth, frameWidth, frameHeight);
    bool complete = CreateTarget(&frame.scene, frameWidth, frameHeight, false, frame.sceneDepth);
    complete &= CreateTarget(&frame.dirt, frameWidth, frameHeight, false, 0);
    return complete;
}

bool CreateTargets() {
    GLint bound = 0, framebuffer = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGenRenderbuffers(1, &frame.sceneDepth);
    bool complete = true;
    for (int i = 0; i < kGlowLevels; ++i) {
        const int size = kGlowSourceSize >> i;
        complete &= CreateTarget(&frame.levels[i], size, size, true, 0);
    }
    for (int level = 0; level < 3; ++level) {
        const int size = kGlowSourceSize >> level;
        complete &= CreateTarget(&frame.sums[level], size, size, true, 0);
    }
    complete &= CreateFrameSizedTargets();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return complete;
}

void LocatePassUniforms(ShaderProgram program, PassUniforms* u) {
    const GLuint p = ShaderProgramName(program);
    glUseProgram(p);
    u->alphas[0] = glGetUniformLocation(p, "alphas0");
    u->alphas[1] = glGetUniformLocation(p, "alphas1");
    u->fadeAlphas[0] = glGetUniformLocation(p, "fadeAlphas0");
    u->fadeAlphas[1] = glGetUniformLocation(p, "fadeAlphas1");
    u->weight0 = glGetUniformLocation(p, "weight0");
    u->sumEdge = glGetUniformLocation(p, "sumEdge");
    u->introAlpha = glGetUniformLocation(p, "introAlpha");
    u->blackAlpha = glGetUniformLocation(p, "blackAlpha");
    // Samplers on their units, once: level i on unit 1 + i.
    char name[16];
    for (int i = 0; i < kGlowLevels; ++i) {
        snprintf(name, sizeof name, "level%d", i);
        glUniform1i(glGetUniformLocation(p, name), kFirstLevelUnit + i);
    }
    glUniform1i(glGetUniformLocation(p, "scene"), kSceneUnit);
    glUniform1i(glGetUniformLocation(p, "image"), kSceneUnit);
    glUniform1i(glGetUniformLocation(p, "levelSum"), kSumUnit);
    glUniform1i(glGetUniformLocation(p, "glow"), kGlowUnit);
    glUniform1i(glGetUniformLocation(p, "dirt"), program == ProgramFade ? kFadeDirtUnit : kFinishDirtUnit);
    glUseProgram(0);
}

const char* Prepare() {
    if (Hidden("LOCKSTEP_HIDE_GLSL") || !(GLAD_GL_VERSION_2_0 || GLAD_GL_ES_VERSION_2_0))
        return "this OpenGL context has no GLSL shaders";
    if (!glGenFramebuffers || !glFramebufferTexture2D)
        return "this OpenGL context has no framebuffer objects";
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    if (units < kUnitsNeeded) return "this OpenGL context has too few texture units";
    if (frame.created) return nullptr;
    const char* reason = nullptr;
    if (!PrepareShadedDrawing(!HasFixedFunction(), &reason)) return reason;
    if (!CreateTargets()) return "the frame's render targets are incomplete";
    LocatePassUniforms(ProgramSum, &frame.sumPass);
    LocatePassUniforms(ProgramGlow, &frame.glowPass);
    LocatePassUniforms(ProgramFinish, &frame.finishPass);
    LocatePassUniforms(ProgramFade, &frame.fadePass);
    PassUniforms copy;
    LocatePassUniforms(ProgramCopy, &copy);
    frame.created = true;
    return nullptr;
}

// The running alphas of the eight composite quads: each level gets 15/16 of the one before.
void LevelAlphas(int32_t first, float alpha[kGlowLevels]) {
    int32_t a = first & kByteMask;
    for (int i = 0; i < kGlowLevels; ++i) {
        alpha[i] = static_cast<float>(a);
        a = (a * 15) >> 4;
    }
}

// A colour's alpha as the blending sees it: clamped and stored as a byte.
float AlphaByte(float a) {
    if (!(a > 0.0f)) return 0.0f;
    if (a >= 1.0f) return kByte;
    return static_cast<float>(static_cast<int32_t>(a * kByte + 0.5f));
}

void SetAlphas(const GLint locations[2], int32_t first) {
    float alpha[kGlowLevels];
    LevelAlphas(first, alpha);
    glUniform4fv(locations[0], 1, alpha);
    glUniform4fv(locations[1], 1, alpha + 4);
}

void BindTarget(const Target& t) {
    glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    glViewport(0, 0, t.width, t.height);
}

// The passes draw every pixel of their target as computed: no blending, no depth, no culling.
void PlainPasses() {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void SetFilter(GLuint texture, GLint filter) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

// A frame of more than 8 pixels a level 1 texel is no glow source: a linear read averages too
// few of them (thin bright things glow by chance), and textures there are sharper than at the
// glow's size, so the halos of stripes and branches come out a few steps off over whole blocks.
// Nor is the frame in the end fade, whose blended composite lays level 0 itself over the frame
// at up to full alpha (the tree's crown came out 3.4 steps off over a block). These render the
// glow source at its own size, as the literal passes do; level 0 would be resampled from the
// frame there anyway, at about the cost of that render. The end fade is known from the frame
// before: UpdateGlow comes before the finish that says so.
bool GlowSourceRendered() {
    constexpr int kLevelOne = kGlowSourceSize / 2;
    constexpr int kPixelsPerLevelOneTexel = 8;
    return frame.fading ||
           frameWidth * frameHeight > kPixelsPerLevelOneTexel * kLevelOne * kLevelOne;
}

// The draw list into the lower left of the frame's target at the glow's size, copied out as
// level 0.
void RenderGlowSource() {
    glViewport(0, 0, kGlowSourceSize, kGlowSourceSize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderDrawListShaded();
    BindTextureUnit(kSceneUnit, frame.levels[0].texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kGlowSourceSize, kGlowSourceSize);
    frame.levelZeroRendered = true;
}

// The glow source from the visible frame: each level the one before at half the size (linear
// filtering averages 2 x 2), level 1 straight from the frame unless level 0 is kept in its
// texture (a composite may draw over the frame before the finish reads it) or was rendered. The
// frame stays linearly filtered until the finish, which reads it one texel a pixel.
void TakeGlowSource(bool keepLevelZero) {
    frame.sourcePending = false;
    frame.levelZeroMade = keepLevelZero || frame.levelZeroRendered;
    GLint bound = 0, viewport[4];
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glGetIntegerv(GL_VIEWPORT, viewport);
    PlainPasses();
    SetFilter(frame.scene.texture, GL_LINEAR);
    const int first = frame.levelZeroMade && !frame.levelZeroRendered ? 0 : 1;
    for (int i = first; i < kGlowLevels; ++i) {
        BindTarget(frame.levels[i]);
        const bool fromFrame = i == 0 || (i == 1 && !frame.levelZeroMade);
        BindTextureUnit(kSceneUnit, fromFrame ? frame.scene.texture : frame.levels[i - 1].texture);
        DrawFullScreenPass(ProgramCopy);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    ReapplyRenderState();
}

// The literal dirt quad drawn opaque in white, kept pixel for pixel.
void BakeDirt(int32_t slot) {
    frame.dirtBakedFrom = TextureSlotName(slot);
    frame.dirtStale = false;
    const RenderState& state = CurrentRenderState();
    const float colour[4] = {state.colour[0], state.colour[1], state.colour[2], state.colour[3]};
    BindTarget(frame.dirt);
    SetColour(1, 1, 1, 1);
    DrawScreenImageShaded(slot, 0, 0, 1, 1, 0);
    SetColour(colour[0], colour[1], colour[2], colour[3]);
}

// The levels from first on, read beyond the outer texel centres of first's grid, weigh 0.5 +
// distance * size each next to the black border.
void SetSumEdge(const float alpha[kGlowLevels], int first) {
    float half = 0.0f, slope = 0.0f;
    for (int i = first; i < kGlowLevels; ++i) {
        half += 0.5f * alpha[i];
        slope += alpha[i] * static_cast<float>(kGlowSourceSize >> i);
    }
    const float atGridEdge = half + slope * (0.5f / (kGlowSourceSize >> first));
    glUniform3f(frame.glowPass.sumEdge, half, slope, atGridEdge > 0.0f ? 1.0f / atGridEdge : 1.0f);
}

// The glow as the additive composite adds it, folded from the smallest levels up: levels 2 to 7
// summed on level 2's grid, then level 1 and that on level 1's grid, then level 0 and that on
// level 0's.
void FoldGlow(int32_t glowAlpha) {
    BindTarget(frame.sums[2]);
    for (int i = 2; i < kGlowLevels; ++i)
        BindTextureUnit(kFirstLevelUnit + i, frame.levels[i].texture);
    glUseProgram(ShaderProgramName(ProgramSum));
    SetAlphas(frame.sumPass.alphas, glowAlpha);
    DrawFullScreenPass(ProgramSum);
    float alpha[kGlowLevels];
    LevelAlphas(glowAlpha, alpha);
    glUseProgram(ShaderProgramName(ProgramGlow));
    for (int level = 1; level >= 0; --level) {
        BindTarget(frame.sums[level]);
        const bool fromFrame = level == 0 && !frame.levelZeroMade;
        BindTextureUnit(kFirstLevelUnit,
                        fromFrame ? frame.scene.texture : frame.levels[level].texture);
        BindTextureUnit(kSumUnit, frame.sums[level + 1].texture);
        glUniform1f(frame.glowPass.weight0, alpha[level]);
        SetSumEdge(alpha, level + 1);
        DrawFullScreenPass(ProgramGlow);
    }
}

void DrawFinish(const FrameFinish& finish) {
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame.hostFramebuffer));
    glViewport(0, 0, frameWidth, frameHeight);
    BindTextureUnit(kSceneUnit, frame.scene.texture);
    const float intro = finish.intro ? AlphaByte(finish.introAlpha) : 0.0f;
    if (!finish.endFade) {
        BindTextureUnit(kGlowUnit, frame.sums[0].texture);
        BindTextureUnit(kFinishDirtUnit, frame.dirt.texture);
        glUseProgram(ShaderProgramName(ProgramFinish));
        glUniform1f(frame.finishPass.introAlpha, intro / kByte);
        DrawFullScreenPass(ProgramFinish);
        return;
    }
    for (int i = 0; i < kGlowLevels; ++i)
        BindTextureUnit(kFirstLevelUnit + i, frame.levels[i].texture);
    BindTextureUnit(kFadeDirtUnit, frame.dirt.texture);
    glUseProgram(ShaderProgramName(ProgramFade));
    SetAlphas(frame.fadePass.alphas, finish.glowAlpha);
    SetAlphas(frame.fadePass.fadeAlphas, finish.endGlowAlpha);
    glUniform1f(frame.fadePass.introAlpha, intro);
    glUniform1f(frame.fadePass.blackAlpha, AlphaByte(finish.endLevel));
    DrawFullScreenPass(ProgramFade);
}

bool IsOwnFramebuffer(GLint name) {
    if (name == 0) return false;
    const GLuint n = static_cast<GLuint>(name);
    for (const Target& t : frame.levels)
        if (t.framebuffer == n) return true;
    for (const Target& t : frame.sums)
        if (t.framebuffer == n) return true;
    return n == frame.scene.framebuffer || n == frame.dirt.framebuffer;
}

} // namespace

const char* PrepareShadedFrame() {
    if (!frame.tried) {
        frame.tried = true;
        frame.missing = Prepare();
        frame.dirtStale = true;
    }
    return frame.missing;
}

void ResizeShadedFrame() {
    if (!frame.created || (frame.dirt.width == frameWidth && frame.dirt.height == frameHeight))
        return;
    GLint bound = 0, framebuffer = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    Target* const sized[] = {&frame.scene, &frame.dirt};
    for (Target* t : sized) {
        glDeleteFramebuffers(1, &t->framebuffer);
        glDeleteTextures(1, &t->texture);
    }
    if (!CreateFrameSizedTargets())
        fprintf(stderr, "lockstep: the %dx%d frame's render targets are incomplete\n", frameWidth,
                frameHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    frame.dirtStale = true;
}

void ForgetShadedFrame() {
    frame.tried = false;
    frame.dirtStale = true;
}

void ForgetShadedTargets() {
    frame = ShadedFrame{};
}

void ForgetShadedPictures() {
    frame.dirtStale = true;
}

void UpdateGlowShaded() {
    const bool first = !GlowCaptured();
    if (first) {
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        if (!IsOwnFramebuffer(bound)) frame.hostFramebuffer = bound;
        SetGlowCaptured(true);
        frame.levelZeroRendered = false;
        glBindFramebuffer(GL_FRAMEBUFFER, frame.scene.framebuffer);
        if (GlowSourceRendered()) RenderGlowSource();
    } else if (frame.sourcePending) {
        // A second update in the frame keeps what was drawn since the first as the source.
        TakeGlowSource(true);
    }
    // What the literal shrinking leaves: alpha blending, white, the last level bound.
    SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    SetColour(1, 1, 1, 1);
    SetBoundTexture(frame.levels[kGlowLevels - 1].texture);
    // The visible pass draws into the frame's texture, cleared as the literal chain leaves the
    // frame; the glow is taken from it once it is drawn.
    glBindFramebuffer(GL_FRAMEBUFFER, frame.scene.framebuffer);
    glViewport(0, 0, frameWidth, frameHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (first) frame.sourcePending = true;
}

void CompositeGlowShaded(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive) {
    if (frame.sourcePending) TakeGlowSource(true);
    BeginOverlay2DShaded();
    SetBlend(true);
    SetBlendFunc(GL_SRC_ALPHA, (additive & kByteMask) ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, frameWidth, frameHeight);
    int32_t a = alpha & kByteMask;
    for (const Target& level : frame.levels) {
        SetBoundTexture(level.texture);
        SetColour(glowColor[0] / kByte, glowColor[1] / kByte, glowColor[2] / kByte, a / kByte);
        a = (a * 15) >> 4;
        DrawOverlayRectShaded(x0, y0, x1, y1);
    }
    EndOverlay2DShaded();
}

void FinishFrameShaded(const FrameFinish& finish) {
    frame.fading = finish.endFade;
    // The end fade reads every level at the frame's size, level 0 too.
    if (frame.sourcePending) TakeGlowSource(finish.endFade);
    if (frame.dirtStale || TextureSlotName(finish.dirtSlot) != frame.dirtBakedFrom)
        BakeDirt(finish.dirtSlot);
    PlainPasses();
    if (!finish.endFade) FoldGlow(finish.glowAlpha);
    SetFilter(frame.scene.texture, GL_NEAREST);
    DrawFinish(finish);
    ReapplyRenderState();
    // The state the literal passes leave, which the next frame's scene starts from: the black
    // quad's or the white's, else the additive composite's last level with its alpha.
    if (finish.endFade || finish.intro) {
        SetBoundTexture(TextureSlotName(finish.whiteSlot));
        SetBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        SetColour(1, 1, 1, 1);
    } else {
        float alpha[kGlowLevels];
        LevelAlphas(finish.glowAlpha, alpha);
        SetBoundTexture(frame.levels[kGlowLevels - 1].texture);
        SetBlendFunc(GL_SRC_ALPHA, GL_ONE);
        SetColour(1, 1, 1, alpha[kGlowLevels - 1] / kByte);
    }
}

void LeaveShadedFrame() {
    if (!frame.created) return;
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    if (IsOwnFramebuffer(bound))
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame.hostFramebuffer));
    glViewport(0, 0, frameWidth, frameHeight);
}

int ShadedGlowLevelSize(uint32_t name) {
    if (name == 0) return 0;
    for (const Target& level : frame.levels)
        if (level.texture == name) return level.width;
    return 0;
}
