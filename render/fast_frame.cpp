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
// Texture units: the glow levels on 0 to 7, then the frame's copy and the dirt.
constexpr int kFrameUnit = kGlowLevels;
constexpr int kDirtUnit = kGlowLevels + 1;
constexpr int kUnitsNeeded = kGlowLevels + 2;
// The four programs: with or without the intro's white, with or without the end fade.
constexpr int kVariantIntro = 1;
constexpr int kVariantEndFade = 2;
constexpr int kVariants = 4;
constexpr GLsizei kLogSize = 1024;

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
    PFNGLUNIFORM1FVPROC uniform1fv;
    PFNGLUNIFORM2FPROC uniform2f;
};

struct FinishProgram {
    GLuint program;
    GLint frameScale, glowWeight, fadeWeight, fadeKeep, introByte, introKeep, blackKeep, dirtOn;
};

struct FastFrameState {
    bool tried;
    bool ready;
    ShaderCalls gl;
    FinishProgram programs[kVariants];
    GLuint frameCopy;
    int copyWidth, copyHeight;
};

FastFrameState fast;

// Every blend step works on bytes: each product is rounded to a byte before the sum, and the
// additive sum saturates. Weights come as byte / 255.
const char kFinishShader[] = R"(
uniform sampler2D level0, level1, level2, level3, level4, level5, level6, level7;
uniform sampler2D frame, dirt;
uniform vec2 frameScale;
uniform float glowWeight[8];
uniform float fadeWeight[8];
uniform float fadeKeep[8];
uniform float introByte, introKeep, blackKeep, dirtOn;

vec3 Bytes(vec4 c) { return floor(c.rgb * 255.0 + 0.5); }
vec3 Scaled(vec3 v, vec3 w) { return floor(v * w + 0.5); }

void main() {
    vec2 at = gl_TexCoord[0].st;
    vec3 f = Bytes(texture2D(frame, gl_FragCoord.xy * frameScale));
    vec3 g[8];
    g[0] = Bytes(texture2D(level0, at));
    g[1] = Bytes(texture2D(level1, at));
    g[2] = Bytes(texture2D(level2, at));
    g[3] = Bytes(texture2D(level3, at));
    g[4] = Bytes(texture2D(level4, at));
    g[5] = Bytes(texture2D(level5, at));
    g[6] = Bytes(texture2D(level6, at));
    g[7] = Bytes(texture2D(level7, at));
    for (int i = 0; i < 8; ++i) f = min(f + Scaled(g[i], vec3(glowWeight[i])), 255.0);
#ifdef INTRO
    f = introByte + Scaled(f, vec3(introKeep));
#endif
#ifdef END_FADE
    for (int i = 0; i < 8; ++i)
        f = min(Scaled(g[i], vec3(fadeWeight[i])) + Scaled(f, vec3(fadeKeep[i])), 255.0);
    f = Scaled(f, vec3(blackKeep));
#endif
    vec3 d = Bytes(texture2D(dirt, vec2(at.s, 1.0 - at.t)));
    f = Scaled(f, mix(vec3(1.0), d / 255.0, dirtOn));
    gl_FragColor = vec4(f / 255.0, 1.0);
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
           LoadCall(&gl->uniform1fv, "glUniform1fv") && LoadCall(&gl->uniform2f, "glUniform2f");
}

// Major version 2 or later from the version string ("2.1 Mesa ...", "4.5 (Compatibility...").
bool HasGLSL() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version) return false;
    return atoi(version) >= 2;
}

bool BuildProgram(int variant, FinishProgram* out) {
    const ShaderCalls& gl = fast.gl;
    char defines[64];
    snprintf(defines, sizeof defines, "#version 110\n%s%s",
             variant & kVariantIntro ? "#define INTRO\n" : "",
             variant & kVariantEndFade ? "#define END_FADE\n" : "");
    const GLchar* sources[2] = {defines, kFinishShader};
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

    gl.useProgram(program);
    char name[16];
    for (int i = 0; i < kGlowLevels; ++i) {
        snprintf(name, sizeof name, "level%d", i);
        gl.uniform1i(gl.getUniformLocation(program, name), i);
    }
    gl.uniform1i(gl.getUniformLocation(program, "frame"), kFrameUnit);
    gl.uniform1i(gl.getUniformLocation(program, "dirt"), kDirtUnit);
    out->program = program;
    out->frameScale = gl.getUniformLocation(program, "frameScale");
    out->glowWeight = gl.getUniformLocation(program, "glowWeight");
    out->fadeWeight = gl.getUniformLocation(program, "fadeWeight");
    out->fadeKeep = gl.getUniformLocation(program, "fadeKeep");
    out->introByte = gl.getUniformLocation(program, "introByte");
    out->introKeep = gl.getUniformLocation(program, "introKeep");
    out->blackKeep = gl.getUniformLocation(program, "blackKeep");
    out->dirtOn = gl.getUniformLocation(program, "dirtOn");
    gl.useProgram(0);
    return true;
}

int PowerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// The texture the finished frame is copied into; power-of-two sides for older drivers.
void CreateFrameCopy() {
    fast.copyWidth = PowerOfTwoAtLeast(frameWidth);
    fast.copyHeight = PowerOfTwoAtLeast(frameHeight);
    glGenTextures(1, &fast.frameCopy);
    glBindTexture(GL_TEXTURE_2D, fast.frameCopy);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, fast.copyWidth, fast.copyHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The reason the fast path cannot run, or null when it can.
const char* PrepareFastFrame() {
    const char* hide = getenv("LOCKSTEP_HIDE_GLSL");
    if ((hide && *hide && strcmp(hide, "0") != 0) || !HasGLSL())
        return "this OpenGL context has no GLSL shaders";
    if (!LoadShaderCalls(&fast.gl)) return "this OpenGL context lacks the shader calls";
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    if (units < kUnitsNeeded) return "this OpenGL context has too few texture units";
    for (int v = 0; v < kVariants; ++v) {
        if (!BuildProgram(v, &fast.programs[v])) return "the frame shader does not build";
    }
    CreateFrameCopy();
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
void LevelAlphas(int32_t first, float weight[kGlowLevels], float keep[kGlowLevels]) {
    uint8_t alpha = static_cast<uint8_t>(first & kByteMask);
    for (int i = 0; i < kGlowLevels; ++i) {
        weight[i] = alpha / kByte;
        keep[i] = (kByteMask - alpha) / kByte;
        alpha = static_cast<uint8_t>((alpha * 15) >> 4);
    }
}

// A colour's alpha as the blending sees it: clamped and stored as a byte.
int32_t AlphaByte(float a) {
    if (!(a > 0.0f)) return 0;
    if (a >= 1.0f) return kByteMask;
    return static_cast<int32_t>(a * kByte + 0.5f);
}

// The state the literal passes leave behind, for the next frame's scene to start from.
void LeaveLiteralState(const FrameFinish& finish) {
    const ShaderCalls& gl = fast.gl;
    gl.useProgram(0);
    for (int unit = kUnitsNeeded - 1; unit >= 0; --unit) {
        gl.activeTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    const bool faded = finish.intro || finish.endFade;
    glBindTexture(GL_TEXTURE_2D, faded ? TextureSlotName(finish.whiteSlot) : glowChain[7]);
    glEnable(GL_BLEND);
    if (faded) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, 1);
    } else {
        // The colour of the composite's last level, with that level's alpha.
        uint8_t alpha = static_cast<uint8_t>(finish.glowAlpha & kByteMask);
        for (int i = 1; i < kGlowLevels; ++i) alpha = static_cast<uint8_t>((alpha * 15) >> 4);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4ub(glowColor[0], glowColor[1], glowColor[2], alpha);
    }
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
        if (missing) fprintf(stderr, "lockstep: %s; drawing the literal frame path\n", missing);
    }
    return fast.ready;
}

void ResetFastFrame() {
    fast.tried = false;
    fast.ready = false;
}

void FinishFrameFast(const FrameFinish& finish) {
    const ShaderCalls& gl = fast.gl;
    const int variant = (finish.intro ? kVariantIntro : 0) | (finish.endFade ? kVariantEndFade : 0);
    const FinishProgram& p = fast.programs[variant];

    BeginOverlay2D();
    glDisable(GL_BLEND);
    glViewport(0, 0, frameWidth, frameHeight);

    // The frame as drawn so far, from the buffer being drawn (the back buffer, or the
    // offscreen frame in full screen), whatever the reader asked to read afterwards.
    gl.activeTexture(GL_TEXTURE0 + kFrameUnit);
    glBindTexture(GL_TEXTURE_2D, fast.frameCopy);
    GLint readBuffer = 0, drawBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer(static_cast<GLenum>(drawBuffer));
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, frameWidth, frameHeight);
    glReadBuffer(static_cast<GLenum>(readBuffer));

    const GLuint dirt = TextureSlotName(finish.dirtSlot);
    gl.activeTexture(GL_TEXTURE0 + kDirtUnit);
    glBindTexture(GL_TEXTURE_2D, dirt);
    for (int i = kGlowLevels - 1; i >= 0; --i) {
        gl.activeTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
    }

    float glowWeight[kGlowLevels], glowKeep[kGlowLevels];
    float fadeWeight[kGlowLevels], fadeKeep[kGlowLevels];
    LevelAlphas(finish.glowAlpha, glowWeight, glowKeep);
    LevelAlphas(finish.endGlowAlpha, fadeWeight, fadeKeep);
    const int32_t white = AlphaByte(finish.introAlpha);
    const int32_t black = AlphaByte(finish.endLevel);

    gl.useProgram(p.program);
    gl.uniform2f(p.frameScale, 1.0f / fast.copyWidth, 1.0f / fast.copyHeight);
    gl.uniform1fv(p.glowWeight, kGlowLevels, glowWeight);
    gl.uniform1fv(p.fadeWeight, kGlowLevels, fadeWeight);
    gl.uniform1fv(p.fadeKeep, kGlowLevels, fadeKeep);
    gl.uniform1f(p.introByte, static_cast<float>(white));
    gl.uniform1f(p.introKeep, (kByteMask - white) / kByte);
    gl.uniform1f(p.blackKeep, (kByteMask - black) / kByte);
    gl.uniform1f(p.dirtOn, dirt != 0 ? 1.0f : 0.0f);
    DrawOverlayRect(0, 0, 1, 1);

    LeaveLiteralState(finish);
    EndOverlay2D();
}
