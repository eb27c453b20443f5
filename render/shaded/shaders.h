// The shaders of the default frame path, written once in GLSL ES 1.00 and compiled as desktop
// GLSL 1.10 with a different first line: the fixed-function stand-in that draws meshes and
// quads, and the full-screen passes that shrink, sum and fold the glow and finish the frame.
#pragma once
#include <cstdint>

enum ShaderProgram : int32_t {
    ProgramDraw,      // meshes and quads: modulate, sphere map
    ProgramDrawLevel, // the same for a glow level: no alpha of its own, T clamped to black
    ProgramCopy,   // one texture, unchanged: level 0 from the frame, a level from the one before
    ProgramSum,    // glow levels 2 to 7, weighted, on level 2's grid
    ProgramGlow,   // a level, weighted, and the sum of those after it folded on its grid
    ProgramFinish, // the frame, the folded glow, the intro white and the dirt
    ProgramFade,   // the end fade: every level at the frame's size, both composites, the black
    kProgramCount,
};

// Vertex attribute locations, the same in every program.
enum ShaderAttribute : uint32_t {
    AttributePosition = 0, // vec3; the full-screen passes give vec2 corners 0..1
    AttributeTexCoord = 1,
    AttributeNormal = 2,
};

// Compiles and links every program for an OpenGL ES (es) or desktop context; on failure says
// why in *reason and returns false.
bool BuildShaderPrograms(bool es, const char** reason);
// The context is gone: the programs are built afresh in the next one.
void ForgetShaderPrograms();
// The program's GL name (0 before BuildShaderPrograms succeeded).
uint32_t ShaderProgramName(ShaderProgram program);
