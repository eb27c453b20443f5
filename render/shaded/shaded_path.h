// The shaded frame path, the default: shaders and buffer objects only, as OpenGL ES 2.0 and
// WebGL draw. The scene is rendered into textures and the frame finished in one full-screen pass,
// rounding every product to a byte where the literal passes' blending rounds it. One table of
// operations. What it keeps whichever path draws (the frame-sized targets, the dirt, the mesh
// buffers) hears of changes through render/shaded/shaded_frame.h and shaded_draw.h.
#pragma once
#include "render/frame_path_ops.h"

extern const FramePathOps shadedFramePath;

// The context is gone with the programs, the buffers and the render targets: all are made
// again on the next prepare or use.
void ForgetShadedGLObjects();
