#include "render/shaded/shaders.h"

#include <cstdio>
#include "platform/gl_api.h"

namespace {

constexpr GLsizei kLogSize = 1024;

// GLSL ES 1.00 wants a precision for fragment floats, and reads textures at low precision
// unless told otherwise: the byte arithmetic needs full floats. GLSL 1.10 knows no precision
// statement.
const char kESVertexPrefix[] = "#version 100\n";
const char kESFragmentPrefix[] = R"(#version 100
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
precision highp sampler2D;
#else
precision mediump float;
#endif
)";
const char kDesktopPrefix[] = "#version 110\n";

// The fixed-function pipeline's vertex work: the placement and the camera in one matrix, and
// sphere-map texture coordinates from the eye-space position and normal (no normalising of the
// normal, as GL_NORMALIZE is off).
const char kDrawVertex[] = R"(
attribute vec3 position;
attribute vec2 texCoord;
attribute vec3 normal;
uniform mat4 mvp;
uniform mat4 modelView;
uniform float sphereMap;
varying vec2 uv;
void main() {
    gl_Position = mvp * vec4(position, 1.0);
    uv = texCoord;
    if (sphereMap > 0.5) {
        vec3 u = normalize((modelView * vec4(position, 1.0)).xyz);
        vec3 n = (modelView * vec4(normal, 0.0)).xyz;
        vec3 r = u - 2.0 * dot(n, u) * n;
        vec3 m = r + vec3(0.0, 0.0, 1.0);
        uv = r.xy * (0.5 * inversesqrt(dot(m, m))) + 0.5;
    }
}
)";

// Modulate: the texel times the current colour.
const char kDrawFragment[] = R"(
uniform sampler2D image;
uniform vec4 colour;
varying vec2 uv;
void main() {
    gl_FragColor = texture2D(image, uv) * colour;
}
)";

// A glow level has no alpha of its own (it reads as 1, border or not) and clamps T against a
// black border of edgeSize texels (GL_CLAMP, which OpenGL ES lacks).
const char kDrawLevelFragment[] = R"(
uniform sampler2D image;
uniform vec4 colour;
uniform float edgeSize;
varying vec2 uv;
void main() {
    float t = clamp(uv.y, 0.0, 1.0) * edgeSize;
    float keep = 1.0 - max(0.0, 0.5 - t) - max(0.0, t - (edgeSize - 0.5));
    gl_FragColor = vec4(texture2D(image, uv).rgb * keep, 1.0) * colour;
}
)";

// The full-screen passes: corners 0..1, texture coordinates the same.
const char kPassVertex[] = R"(
attribute vec2 position;
varying vec2 at;
void main() {
    at = position;
    gl_Position = vec4(position * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char kCopyFragment[] = R"(
uniform sampler2D image;
varying vec2 at;
void main() {
    gl_FragColor = vec4(texture2D(image, at).rgb, 1.0);
}
)";

// Blending works on bytes: a colour becomes a byte, a product of bytes is rounded to a byte, and
// sums saturate. A glow level clamps T against a black border, which dims the edge rows' colour
// (its alpha stays 1: the levels have none). Written out level by level: llvmpipe runs straight
// code far faster than arrays and loops.
const char kPassCommon[] = R"(
varying vec2 at;
vec3 Bytes(vec3 c) { return floor(c * 255.0 + 0.5); }
vec3 Times(vec3 v, float byte) { return floor(v * (byte / 255.0) + 0.5); }
float KeepAt(float t, float size) {
    float u = t * size;
    return 1.0 - max(0.0, 0.5 - u) - max(0.0, u - (size - 0.5));
}
float Keep(float size) { return KeepAt(at.y, size); }
vec3 LevelBytes(sampler2D level, float keep) { return Bytes(texture2D(level, at).rgb * keep); }
// One additive composite quad of a level at that alpha byte.
vec3 Added(vec3 g, float alpha) { return Times(g, alpha); }
// One alpha-blended composite quad over f.
vec3 Blended(vec3 f, vec3 g, float alpha) {
    return min(Times(g, alpha) + Times(f, 255.0 - alpha), 255.0);
}
// The intro's white quad at that alpha byte, and the dirt multiplied over.
vec3 WhiteOver(vec3 f, float alpha) { return min(alpha + Times(f, 255.0 - alpha), 255.0); }
vec3 Dirty(vec3 f, vec3 dirt) {
    return floor(f * dirt / 255.0 + 0.5);
}
)";

// Levels 2 to 7, weighted, on level 2's grid.
const char kSumFragment[] = R"(
uniform sampler2D level2, level3, level4, level5, level6, level7;
uniform vec4 alphas0, alphas1;
void main() {
    vec3 sum = Added(LevelBytes(level2, Keep(128.0)), alphas0.z);
    sum += Added(LevelBytes(level3, Keep(64.0)), alphas0.w);
    sum += Added(LevelBytes(level4, Keep(32.0)), alphas1.x);
    sum += Added(LevelBytes(level5, Keep(16.0)), alphas1.y);
    sum += Added(LevelBytes(level6, Keep(8.0)), alphas1.z);
    sum += Added(LevelBytes(level7, Keep(4.0)), alphas1.w);
    gl_FragColor = vec4(min(sum, 255.0) / 255.0, 1.0);
}
)";

// One level, weighted, and the sum of the levels after it (on the next level's grid, twice as
// coarse, resampled) folded on the level's grid. Rows beyond the coarse grid's outer texel
// centres lie nearer the black border than the sum saw it: there every level's border weight
// is 0.5 + distance * size, so the sum is dimmed by the ratio of the weighted shares, as if the
// levels were alike near the edge (sumEdge: half the weights' sum, the weights times the sizes,
// and one over the shares at the coarse grid's edge).
const char kGlowFragment[] = R"(
uniform sampler2D level0, levelSum;
uniform float weight0;
uniform vec3 sumEdge;
void main() {
    float edge = min(at.y, 1.0 - at.y);
    float dim = min(1.0, (sumEdge.x + edge * sumEdge.y) * sumEdge.z);
    vec3 glow = Added(LevelBytes(level0, 1.0), weight0);
    glow += floor(Bytes(texture2D(levelSum, at).rgb) * dim + 0.5);
    gl_FragColor = vec4(min(glow, 255.0) / 255.0, 1.0);
}
)";

// The frame once, the folded glow once: the additive composite (saturating as the blending
// does), the intro's white over it and the dirt multiplied over all. The output's conversion to
// bytes rounds once where the blended passes round after each.
const char kFinishFragment[] = R"(
uniform sampler2D scene, glow, dirt;
uniform float introAlpha;
varying vec2 at;
void main() {
    vec3 f = min(texture2D(scene, at).rgb + texture2D(glow, at).rgb, 1.0);
    f += (1.0 - f) * introAlpha;
    gl_FragColor = vec4(f * texture2D(dirt, at).rgb, 1.0);
}
)";

// The end fade: both composites and the black quad step by step, every level at the frame's
// size, so each rounding falls where the blended passes round it: folded, the blended levels'
// roundings part from the literal passes' by 3/255 and more on a tenth of the pixels.
const char kFadeFragment[] = R"(
uniform sampler2D scene, level0, level1, level2, level3, level4, level5, level6, level7, dirt;
uniform vec4 alphas0, alphas1, fadeAlphas0, fadeAlphas1;
uniform float introAlpha, blackAlpha;
void main() {
    vec3 f = Bytes(texture2D(scene, at).rgb);
    float k0 = Keep(512.0), k1 = Keep(256.0), k2 = Keep(128.0), k3 = Keep(64.0);
    float k4 = Keep(32.0), k5 = Keep(16.0), k6 = Keep(8.0), k7 = Keep(4.0);
    vec3 g0 = LevelBytes(level0, k0), g1 = LevelBytes(level1, k1);
    vec3 g2 = LevelBytes(level2, k2), g3 = LevelBytes(level3, k3);
    vec3 g4 = LevelBytes(level4, k4), g5 = LevelBytes(level5, k5);
    vec3 g6 = LevelBytes(level6, k6), g7 = LevelBytes(level7, k7);
    vec3 glow = Added(g0, alphas0.x) + Added(g1, alphas0.y) + Added(g2, alphas0.z) +
                Added(g3, alphas0.w) + Added(g4, alphas1.x) + Added(g5, alphas1.y) +
                Added(g6, alphas1.z) + Added(g7, alphas1.w);
    f = WhiteOver(min(f + glow, 255.0), introAlpha);
    f = Blended(f, g0, fadeAlphas0.x);
    f = Blended(f, g1, fadeAlphas0.y);
    f = Blended(f, g2, fadeAlphas0.z);
    f = Blended(f, g3, fadeAlphas0.w);
    f = Blended(f, g4, fadeAlphas1.x);
    f = Blended(f, g5, fadeAlphas1.y);
    f = Blended(f, g6, fadeAlphas1.z);
    f = Blended(f, g7, fadeAlphas1.w);
    f = Times(f, 255.0 - blackAlpha);
    f = Dirty(f, Bytes(texture2D(dirt, at).rgb));
    gl_FragColor = vec4(f / 255.0, 1.0);
}
)";

struct ProgramSource {
    const char* vertex;
    const char* common; // shared fragment code, or empty
    const char* fragment;
};

const ProgramSource kSources[kProgramCount] = {
    {kDrawVertex, "", kDrawFragment},         {kDrawVertex, "", kDrawLevelFragment},
    {kPassVertex, "", kCopyFragment},
    {kPassVertex, kPassCommon, kSumFragment}, {kPassVertex, kPassCommon, kGlowFragment},
    {kPassVertex, "", kFinishFragment},       {kPassVertex, kPassCommon, kFadeFragment},
};

GLuint programs[kProgramCount];

GLuint CompileShader(GLenum type, const char* prefix, const char* common, const char* body) {
    const GLchar* sources[3] = {prefix, common, body};
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 3, sources, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char log[kLogSize] = "";
    glGetShaderInfoLog(shader, kLogSize, nullptr, log);
    fprintf(stderr, "lockstep: a frame shader does not compile: %s\n", log);
    glDeleteShader(shader);
    return 0;
}

GLuint LinkProgram(bool es, const ProgramSource& source) {
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, es ? kESVertexPrefix : kDesktopPrefix,
                                        "", source.vertex);
    const GLuint fragment = CompileShader(
        GL_FRAGMENT_SHADER, es ? kESFragmentPrefix : kDesktopPrefix, source.common, source.fragment);
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        if (fragment) glDeleteShader(fragment);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, AttributePosition, "position");
    glBindAttribLocation(program, AttributeTexCoord, "texCoord");
    glBindAttribLocation(program, AttributeNormal, "normal");
    glLinkProgram(program);
    glDeleteShader(vertex); // kept alive by the program
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok) return program;
    char log[kLogSize] = "";
    glGetProgramInfoLog(program, kLogSize, nullptr, log);
    fprintf(stderr, "lockstep: a frame shader does not link: %s\n", log);
    glDeleteProgram(program);
    return 0;
}

} // namespace

bool BuildShaderPrograms(bool es, const char** reason) {
    for (int p = 0; p < kProgramCount; ++p) {
        if (programs[p]) continue;
        programs[p] = LinkProgram(es, kSources[p]);
        if (!programs[p]) {
            *reason = "the frame shaders do not build";
            return false;
        }
    }
    return true;
}

void ForgetShaderPrograms() {
    for (GLuint& program : programs) program = 0;
}

uint32_t ShaderProgramName(ShaderProgram program) {
    return programs[program];
}
