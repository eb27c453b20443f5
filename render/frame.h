// The two ways of finishing a frame, and which one runs. The literal passes lay the glow chain
// over the visible render as eight blended full-screen quads (and in the end fade eight more
// and a black one), the intro and the end fade as tinted quads and the dirt as a multiplied
// picture: the GL 1.1 reference. The default path renders the scene into textures with shaders
// and buffer objects only (OpenGL ES 2.0 and WebGL draw the same way) and finishes the frame in
// one full-screen pass, rounding every product to a byte where the blended passes round it.
#pragma once
#include <cstdint>

enum FramePath : int32_t {
    FramePathUnchosen = -1, // LOCKSTEP_FRAME_PATH decides on first use
    FramePathFast = 0,      // the default: shaders and buffer objects
    FramePathLiteral = 1,   // the GL 1.1 passes, the reference
};

// What the post passes of one frame lay over the visible render.
struct FrameFinish {
    int32_t glowAlpha; // the additive composite's first alpha (low byte counts)
    bool intro;
    float introAlpha; // white over the frame
    bool endFade;
    int32_t endGlowAlpha; // the blended composite's first alpha (low byte counts)
    float endLevel;       // black over the frame
    int32_t dirtSlot;
    int32_t whiteSlot;
};

// Parses "fast" or "literal"; false for anything else.
bool ParseFramePath(const char* text, int32_t* path);
// Asks for a path from the next frame on; FramePathUnchosen reads LOCKSTEP_FRAME_PATH again and
// checks the context afresh.
void SetFramePath(int32_t path);
// True while the literal passes draw. The first call after a choice checks the context: OpenGL
// ES has no fixed function and gets the default path, a context without what the default path
// needs gets the literal one; each says so in one line on stderr.
bool LiteralFrames();
// The frame's size changed after the first frames were drawn (the web page settles it only when
// the viewer answers): what the default path keeps at the frame's size follows it.
void FollowFrameSize();
// The show's pictures were torn down: what the default path keeps of them is made afresh.
void ForgetFramePictures();
// The GL context was lost, or replaced by a new one: every GL name the renderer and the texture
// slots hold belonged to it. All are forgotten, none deleted, and the render-state record goes
// back to the default; each object is made again in the current context on its next use
// (textures when the scenes are set up again). The caller sets the default render state.
void ForgetGLObjects();
// A new frame: the glow source is captured afresh.
void StartRenderFrame();
// After the visible render: the glow, the fades and the dirt.
void FinishFrame(const FrameFinish& finish);
