// The literal frame path, the reference: the GL 1.1 passes as one table of operations. The glow
// chain is laid over the visible render as eight blended full-screen quads (and in the end fade
// eight more and a black one), the intro and the end fade as tinted quads and the dirt as a
// multiplied picture.
#pragma once
#include "render/frame_path_ops.h"

extern const FramePathOps literalFramePath;
// The context is gone with the glow chain's textures: the next update makes them again.
void ForgetLiteralGLObjects();
