#include "render/fast_frame.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "assets/texture_slots.h"
#include "host/gl_calls.h"
#include "host/platform.h"
#include "render/glow.h"
#include "render/screen_quads.h"

int32_t framePath = FramePathUnchosen;

namespace {

constexpr int32_t kByteMask = 0xFF;
constexpr float kByte = 255.0f;
// The sum of levels 1 to 7 is taken on level 1's texel grid.
constexpr int kSumSize = kGlowSourceSize / 2;
constexpr GLsizei kLogSize = 1024;
constexpr int kFrameUnit = kGlowLevels; // the frame's copy, after the levels

struct ShaderCalls {
    PFNGLACTIVETEXTUREPROC activeTexture;
    PFNGLCREATESHADERPROC createShader;
    PFNGLSHADERSOURCEPROC shaderSource;
    PFNGLCOMPILESHADERPROC compileShader;
    PFNGLGETSHADERIVPROC getShaderiv;
    PFNGLGETSHADERINFOLOGPROC getShaderInfoLog;
    PFNGLDELETESHADERPROC deleteShader;
    PFNGLCREATEPROGRAMPROC createProgram;
    PFNGLATTACHSHADERPROC attachShader;
    PFNGLLINKPROGRAMPROC linkProgram;
    PFNGLGETPROGRAMIVPROC getProgramiv;
    PFNGLUSEPROGRAMPROC useProgram;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation;
    PFNGLUNIFORM1IPROC uniform1i;
    PFNGLUNIFORM1FPROC uniform1f;
    PFNGLUNIFORM2FPROC uniform2f;
    PFNGLUNIFORM4FVPROC uniform4fv;
};

struct Program {
    GLuint name;
    GLint weights[2]; // levels 0-3 and 4-7
    GLint keep;
};

struct FastFrameState {
    bool tried;
    bool ready;
    ShaderCalls gl;
    Program sum;  // levels 1 to 7, weighted, at level 1's size
    Program glow; // level 0 and that sum over the frame, added
    Program fade; // the end fade: the frame's copy, both composites and the black
    GLint fadeWeights[2], fadeKeeps[2], frameScale;
    GLuint glowSum;
    GLuint frameCopy; // power-of-two sides, for older drivers
    int copyWidth, copyHeight;
    bool created;
    // The dirt picture as the frame's pixels see it, one texel each, so the multiply pass
    // samples the nearest texel instead of filtering the mipmapped picture every frame.
    GLuint dirtFrame;
    GLuint dirtBakedFrom; // the dirt texture it was made from; 0: none
    bool dirtStale;
    int dirtWidth, dirtHeight;
};

FastFrameState fast;

// Blending works on bytes: every level's product is rounded to a byte, as each blended pass
// rounds it, and sums saturate. Weights come as byte / 255.
const char kCommon[] = R"(#version 110
uniform sampler2D level0, level1, level2, level3, level4, level5, level6, level7, levelSum;
uniform vec4 weights0, weights1;
uniform float keep;
vec3 Bytes(vec4 c) { return floor(c.rgb * 255.0 + 0.5); }
vec3 Scaled(vec3 v, float w) { return floor(v * w + 0.5); }
)";

// Written out level by level: llvmpipe runs straight code far faster than arrays and loops.
const char kSumShader[] = R"(
void main() {
    vec2 at = gl_TexCoord[0].st;
    vec3 sum = Scaled(Bytes(texture2D(level1, at)), weights0.y);
    sum += Scaled(Bytes(texture2D(level2, at)), weights0.z);
    sum += Scaled(Bytes(texture2D(level3, at)), weights0.w);
    sum += Scaled(Bytes(texture2D(level4, at)), weights1.x);
    sum += Scaled(Bytes(texture2D(level5, at)), weights1.y);
    sum += Scaled(Bytes(texture2D(level6, at)), weights1.z);
    sum += Scaled(Bytes(texture2D(level7, at)), weights1.w);
    gl_FragColor = vec4(min(sum, 255.0) / 255.0, 1.0);
}
)";

// Added over the frame with (ONE, ONE): the eight additive passes at once.
const char kGlowShader[] = R"(
void main() {
    vec2 at = gl_TexCoord[0].st;
    vec3 glow = Scaled(Bytes(texture2D(level0, at)), weights0.x) + Bytes(texture2D(levelSum, at));
    gl_FragColor = vec4(min(glow, 255.0) / 255.0, 1.0);
}
)";

// The end fade, over a copy of the frame: both composites and the black step by step, every
// level at the frame's size, so each rounding falls where the blended passes round. Collapsing
// the eight blends into one leaves a difference of up to 8/255 once the blended glow is strong.
const char kFadeShader[] = R"(
uniform sampler2D frame;
uniform vec2 frameScale;
uniform vec4 fadeWeights0, fadeWeights1, fadeKeeps0, fadeKeeps1;
vec3 Glowed(vec3 f, vec3 g, float w) { return min(f + Scaled(g, w), 255.0); }
vec3 Blended(vec3 f, vec3 g, float w, float k) { return min(Scaled(g, w) + Scaled(f, k), 255.0); }
void main() {
    vec2 at = gl_TexCoord[0].st;
    vec3 f = Bytes(texture2D(frame, gl_FragCoord.xy * frameScale));
    vec3 g0 = Bytes(texture2D(level0, at));
    vec3 g1 = Bytes(texture2D(level1, at));
    vec3 g2 = Bytes(texture2D(level2, at));
    vec3 g3 = Bytes(texture2D(level3, at));
    vec3 g4 = Bytes(texture2D(level4, at));
    vec3 g5 = Bytes(texture2D(level5, at));
    vec3 g6 = Bytes(texture2D(level6, at));
    vec3 g7 = Bytes(texture2D(level7, at));
    f = Glowed(f, g0, weights0.x);
    f = Glowed(f, g1, weights0.y);
    f = Glowed(f, g2, weights0.z);
    f = Glowed(f, g3, weights0.w);
    f = Glowed(f, g4, weights1.x);
    f = Glowed(f, g5, weights1.y);
    f = Glowed(f, g6, weights1.z);
    f = Glowed(f, g7, weights1.w);
    f = Blended(f, g0, fadeWeights0.x, fadeKeeps0.x);
    f = Blended(f, g1, fadeWeights0.y, fadeKeeps0.y);
    f = Blended(f, g2, fadeWeights0.z, fadeKeeps0.z);
    f = Blended(f, g3, fadeWeights0.w, fadeKeeps0.w);
    f = Blended(f, g4, fadeWeights1.x, fadeKeeps1.x);
    f = Blended(f, g5, fadeWeights1.y, fadeKeeps1.y);
    f = Blended(f, g6, fadeWeights1.z, fadeKeeps1.z);
    f = Blended(f, g7, fadeWeights1.w, fadeKeeps1.w);
    gl_FragColor = vec4(Scaled(f, keep) / 255.0, 1.0);
}
)";

template <typename T> bool LoadCall(T* out, const char* name) {
    *out = reinterpret_cast<T>(LookUpGLCall(name));
    return *out != nullptr;
}

bool LoadShaderCalls(ShaderCalls* gl) {
    return LoadCall(&gl->activeTexture, "glActiveTexture") &&
           LoadCall(&gl->createShader, "glCreateShader") &&
           LoadCall(&gl->shaderSource, "glShaderSource") &&
           LoadCall(&gl->compileShader, "glCompileShader") &&
           LoadCall(&gl->getShaderiv, "glGetShaderiv") &&
           LoadCall(&gl->getShaderInfoLog, "glGetShaderInfoLog") &&
           LoadCall(&gl->deleteShader, "glDeleteShader") &&
           LoadCall(&gl->createProgram, "glCreateProgram") &&
           LoadCall(&gl->attachShader, "glAttachShader") &&
           LoadCall(&gl->linkProgram, "glLinkProgram") &&
           LoadCall(&gl->getProgramiv, "glGetProgramiv") &&
           LoadCall(&gl->useProgram, "glUseProgram") &&
           LoadCall(&gl->getUniformLocation, "glGetUniformLocation") &&
           LoadCall(&gl->uniform1i, "glUniform1i") && LoadCall(&gl->uniform1f, "glUniform1f") &&
           LoadCall(&gl->uniform2f, "glUniform2f") &&
           LoadCall(&gl->uniform4fv, "glUniform4fv");
}

// Major version 2 or later from the version string ("2.1 Mesa ...", "4.5 (Compatibility...").
bool HasGLSL() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version && atoi(version) >= 2;
}

bool BuildProgram(const char* body, Program* out) {
    const ShaderCalls& gl = fast.gl;
    const GLchar* sources[2] = {kCommon, body};
    const GLuint shader = gl.createShader(GL_FRAGMENT_SHADER);
    gl.shaderSource(shader, 2, sources, nullptr);
    gl.compileShader(shader);
    GLint ok = 0;
    gl.getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[kLogSize] = "";
        gl.getShaderInfoLog(shader, kLogSize, nullptr, log);
        fprintf(stderr, "lockstep: frame shader does not compile: %s\n", log);
        gl.deleteShader(shader);
        return false;
    }
    const GLuint program = gl.createProgram();
    gl.attachShader(program, shader);
    gl.linkProgram(program);
    gl.deleteShader(shader); // kept alive by the program
    gl.getProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) return false;

    // Level i on texture unit i; the sum beside level 0 on unit 1.
    gl.useProgram(program);
    char name[16];
    for (int i = 0; i < kGlowLevels; ++i) {
        snprintf(name, sizeof name, "level%d", i);
        gl.uniform1i(gl.getUniformLocation(program, name), i);
    }
    gl.uniform1i(gl.getUniformLocation(program, "levelSum"), 1);
    gl.uniform1i(gl.getUniformLocation(program, "frame"), kFrameUnit);
    out->name = program;
    out->weights[0] = gl.getUniformLocation(program, "weights0");
    out->weights[1] = gl.getUniformLocation(program, "weights1");
    out->keep = gl.getUniformLocation(program, "keep");
    gl.useProgram(0);
    return true;
}

// Sampled like level 1: linear, S repeating, T clamped against the black border.
GLuint CreateSumTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, kSumSize, kSumSize, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

int PowerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// A frame-sized texture, one texel a pixel, with power-of-two sides for older drivers.
GLuint CreateFrameTexture(int* width, int* height) {
    *width = PowerOfTwoAtLeast(frameWidth);
    *height = PowerOfTwoAtLeast(frameHeight);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, *width, *height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

void LocateFadeUniforms() {
    const ShaderCalls& gl = fast.gl;
    const GLuint p = fast.fade.name;
    fast.fadeWeights[0] = gl.getUniformLocation(p, "fadeWeights0");
    fast.fadeWeights[1] = gl.getUniformLocation(p, "fadeWeights1");
    fast.fadeKeeps[0] = gl.getUniformLocation(p, "fadeKeeps0");
    fast.fadeKeeps[1] = gl.getUniformLocation(p, "fadeKeeps1");
    fast.frameScale = gl.getUniformLocation(p, "frameScale");
}

// The literal dirt quad drawn opaque in white, kept pixel for pixel. Run while the frame is
// free to draw in (it is cleared afterwards).
void BakeDirt(int32_t slot) {
    fast.dirtBakedFrom = TextureSlotName(slot);
    fast.dirtStale = false;
    if (fast.dirtBakedFrom == 0) return; // no picture: the multiply changes nothing
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glColor4f(1, 1, 1, 1);
    DrawScreenImage(slot, 0, 0, 1, 1, ScreenOpaque);
    glColor4fv(colour);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, fast.dirtFrame);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, frameWidth, frameHeight);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

// The frame times the baked dirt: the multiply of the literal dirt quad, texel for pixel.
void MultiplyByDirt() {
    if (fast.dirtBakedFrom == 0) return;
    BeginOverlay2D();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glBindTexture(GL_TEXTURE_2D, fast.dirtFrame);
    glColor4f(1, 1, 1, 1);
    const float s = static_cast<float>(frameWidth) / fast.dirtWidth;
    const float t = static_cast<float>(frameHeight) / fast.dirtHeight;
    glBegin(GL_QUADS);
    glTexCoord2f(0, t);
    glVertex2f(0, 0);
    glTexCoord2f(s, t);
    glVertex2f(kOverlayWidth, 0);
    glTexCoord2f(s, 0);
    glVertex2f(kOverlayWidth, kOverlayHeight);
    glTexCoord2f(0, 0);
    glVertex2f(0, kOverlayHeight);
    glEnd();
    EndOverlay2D();
}

// The reason the fast path cannot run, or null when it can.
const char* PrepareFastFrame() {
    const char* hide = getenv("LOCKSTEP_HIDE_GLSL");
    if ((hide && *hide && strcmp(hide, "0") != 0) || !HasGLSL())
        return "this OpenGL context has no GLSL shaders";
    if (!LoadShaderCalls(&fast.gl)) return "this OpenGL context lacks the shader calls";
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    if (units < kFrameUnit + 1) return "this OpenGL context has too few texture units";
    if (fast.created) return nullptr;
    if (!BuildProgram(kSumShader, &fast.sum) || !BuildProgram(kGlowShader, &fast.glow) ||
        !BuildProgram(kFadeShader, &fast.fade))
        return "the frame shaders do not build";
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    fast.glowSum = CreateSumTexture();
    fast.frameCopy = CreateFrameTexture(&fast.copyWidth, &fast.copyHeight);
    LocateFadeUniforms();
    fast.dirtFrame = CreateFrameTexture(&fast.dirtWidth, &fast.dirtHeight);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    fast.created = true;
    return nullptr;
}

void ChooseFramePath() {
    const char* wanted = getenv("LOCKSTEP_FRAME_PATH");
    framePath = FramePathFast;
    if (wanted && *wanted && !ParseFramePath(wanted, &framePath)) {
        fprintf(stderr, "lockstep: LOCKSTEP_FRAME_PATH is '%s', not fast or literal; fast it is\n",
                wanted);
        framePath = FramePathFast;
    }
}

// The running alphas of the eight composite passes: each level gets 15/16 of the one before.
void LevelAlphas(int32_t first, uint8_t alpha[kGlowLevels]) {
    alpha[0] = static_cast<uint8_t>(first & kByteMask);
    for (int i = 1; i < kGlowLevels; ++i) alpha[i] = static_cast<uint8_t>((alpha[i - 1] * 15) >> 4);
}

// A colour's alpha as the blending sees it: clamped and stored as a byte.
int32_t AlphaByte(float a) {
    if (!(a > 0.0f)) return 0;
    if (a >= 1.0f) return kByteMask;
    return static_cast<int32_t>(a * kByte + 0.5f);
}

// The additive composite: level i weighs its alpha.
void AdditiveWeights(const FrameFinish& finish, float weights[kGlowLevels]) {
    uint8_t alpha[kGlowLevels];
    LevelAlphas(finish.glowAlpha, alpha);
    for (int i = 0; i < kGlowLevels; ++i) weights[i] = alpha[i] / kByte;
}

void SetWeights(const Program& p, const float weights[kGlowLevels]) {
    fast.gl.uniform4fv(p.weights[0], 1, weights);
    fast.gl.uniform4fv(p.weights[1], 1, weights + 4);
}

// Levels 1 to 7 at level 1's size, drawn in the corner of the frame and kept in a texture.
void SumLevelsInto(GLuint texture, const float weights[kGlowLevels]) {
    SetWeights(fast.sum, weights);
    DrawOverlayRect(0, 0, 1, 1);
    fast.gl.activeTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kSumSize, kSumSize);
}

void UnbindUnits(int count) {
    for (int unit = count - 1; unit > 0; --unit) {
        fast.gl.activeTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    fast.gl.activeTexture(GL_TEXTURE0);
}

// In the end fade the additive composite is worked out with the blended one, unless the
// intro's white has to come between them.
bool GlowInEndFade(const FrameFinish& finish) {
    return finish.endFade && !finish.intro;
}

// Replaces the frame with the end fade worked out over a copy of it.
void EndFade(const FrameFinish& finish) {
    const ShaderCalls& gl = fast.gl;
    BeginOverlay2D();
    glDisable(GL_BLEND);
    glViewport(0, 0, frameWidth, frameHeight);
    GLint readBuffer = 0, drawBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer(static_cast<GLenum>(drawBuffer));
    gl.activeTexture(GL_TEXTURE0 + kFrameUnit);
    glBindTexture(GL_TEXTURE_2D, fast.frameCopy);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, frameWidth, frameHeight);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    for (int i = kGlowLevels - 1; i >= 0; --i) {
        gl.activeTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
    }
    float weights[kGlowLevels], fadeWeights[kGlowLevels], fadeKeeps[kGlowLevels];
    uint8_t alpha[kGlowLevels];
    AdditiveWeights(finish, weights);
    if (!GlowInEndFade(finish)) {
        for (float& w : weights) w = 0.0f; // added already
    }
    LevelAlphas(finish.endGlowAlpha, alpha);
    for (int i = 0; i < kGlowLevels; ++i) {
        fadeWeights[i] = alpha[i] / kByte;
        fadeKeeps[i] = (kByteMask - alpha[i]) / kByte;
    }
    gl.useProgram(fast.fade.name);
    SetWeights(fast.fade, weights);
    for (int half = 0; half < 2; ++half) {
        gl.uniform4fv(fast.fadeWeights[half], 1, fadeWeights + 4 * half);
        gl.uniform4fv(fast.fadeKeeps[half], 1, fadeKeeps + 4 * half);
    }
    gl.uniform1f(fast.fade.keep, (kByteMask - AlphaByte(finish.endLevel)) / kByte);
    gl.uniform2f(fast.frameScale, 1.0f / fast.copyWidth, 1.0f / fast.copyHeight);
    DrawOverlayRect(0, 0, 1, 1);
    gl.useProgram(0);
    UnbindUnits(kFrameUnit + 1);
    EndOverlay2D();
}

} // namespace

bool ParseFramePath(const char* text, int32_t* path) {
    if (!strcmp(text, "fast")) {
        *path = FramePathFast;
    } else if (!strcmp(text, "literal")) {
        *path = FramePathLiteral;
    } else {
        return false;
    }
    return true;
}

bool FastFrameReady() {
    if (framePath == FramePathUnchosen) ChooseFramePath();
    if (framePath != FramePathFast) return false;
    if (!fast.tried) {
        fast.tried = true;
        const char* missing = PrepareFastFrame();
        fast.ready = missing == nullptr;
        fast.dirtStale = true;
        if (missing) fprintf(stderr, "lockstep: %s; drawing the literal frame path\n", missing);
    }
    return fast.ready;
}

void ResetFastFrame() {
    fast.dirtStale = true;
    fast.tried = false;
    fast.ready = false;
}

void SumGlowLevels(const FrameFinish& finish) {
    const ShaderCalls& gl = fast.gl;
    // Read from the buffer being drawn, whatever the reader asked to read afterwards.
    GLint readBuffer = 0, drawBuffer = 0, bound = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glReadBuffer(static_cast<GLenum>(drawBuffer));
    if (fast.dirtStale || TextureSlotName(finish.dirtSlot) != fast.dirtBakedFrom)
        BakeDirt(finish.dirtSlot);

    BeginOverlay2D();
    glDisable(GL_BLEND);
    glViewport(0, 0, kSumSize, kSumSize);
    for (int i = kGlowLevels - 1; i > 0; --i) {
        gl.activeTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
    }
    if (!GlowInEndFade(finish)) {
        gl.useProgram(fast.sum.name);
        float weights[kGlowLevels];
        AdditiveWeights(finish, weights);
        SumLevelsInto(fast.glowSum, weights);
        gl.useProgram(0);
    }
    UnbindUnits(kGlowLevels);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glViewport(0, 0, frameWidth, frameHeight);
    // The frame is drawn from scratch again, cleared as the glow chain left it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EndOverlay2D();
}

namespace {

// The additive composite: level 0 and the sum of the others added to the frame in one pass.
void AddGlow(const FrameFinish& finish) {
    const ShaderCalls& gl = fast.gl;
    BeginOverlay2D();
    glViewport(0, 0, frameWidth, frameHeight);
    gl.activeTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, fast.glowSum);
    gl.activeTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, glowChain[0]);
    float weights[kGlowLevels];
    AdditiveWeights(finish, weights);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    gl.useProgram(fast.glow.name);
    SetWeights(fast.glow, weights);
    DrawOverlayRect(0, 0, 1, 1);
    gl.useProgram(0);
    UnbindUnits(2);
    EndOverlay2D();
}

} // namespace

void FinishFrameFast(const FrameFinish& finish) {
    if (!GlowInEndFade(finish)) AddGlow(finish);
    if (finish.intro) {
        DrawTintedQuad(0, 0, 1, 1, 1, 1, 1, finish.introAlpha, finish.whiteSlot);
    }
    if (finish.endFade) EndFade(finish);
    MultiplyByDirt();
    // The state the literal passes leave, which the next frame's scene starts from: the black
    // quad's or the white's, else the additive composite's last level with its alpha.
    if (finish.endFade) {
        glBindTexture(GL_TEXTURE_2D, TextureSlotName(finish.whiteSlot));
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, 1);
    } else if (!finish.intro) {
        uint8_t alpha[kGlowLevels];
        LevelAlphas(finish.glowAlpha, alpha);
        glBindTexture(GL_TEXTURE_2D, glowChain[kGlowLevels - 1]);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4ub(glowColor[0], glowColor[1], glowColor[2], alpha[kGlowLevels - 1]);
    }
}
