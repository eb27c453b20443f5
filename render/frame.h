// The two ways of finishing a frame and the one switch between them. The literal passes
// (render/literal/) draw with GL 1.1, the reference; the shaded path (render/shaded/), the
// default, draws with shaders and buffer objects only, as OpenGL ES 2.0 and WebGL do. Whoever
// makes or changes the GL context chooses the path; every drawing function of render/ then goes
// through that path's table of operations.
#pragma once
#include <cstdint>
#include "render/frame_path_ops.h"

enum FramePath : int32_t {
    FramePathFast = 0,    // the default: shaders and buffer objects
    FramePathLiteral = 1, // the GL 1.1 passes, the reference
};

// The chosen path's operations. Until a path is chosen, a table that draws nothing: there may
// be no context to draw with yet.
extern const FramePathOps* framePathOps;

// Parses "fast" or "literal"; false for anything else.
bool ParseFramePath(const char* text, int32_t* path);
// Chooses the path that draws from now on, checked against the current context at once: OpenGL
// ES has no fixed function and gets the default path, a context without what the default path
// needs gets the literal one; each says so in one line on stderr. The program on top decides
// which path to ask for (programs/options.h reads LOCKSTEP_FRAME_PATH).
void SetFramePath(int32_t path);
// As SetFramePath, with what the context offers looked at anew and a path that cannot run said
// again (a test hides the shaders between two choices).
void SetFramePathAfresh(int32_t path);
// A new context is current (after ForgetGLObjects): the path asked for last is checked against it.
void CheckFramePath();
// Which path draws: FramePathFast or FramePathLiteral.
int32_t ChosenFramePath();

// The frame's size changed after the first frames were drawn (the web page settles it only when
// the viewer answers): what the shaded path keeps at the frame's size follows it.
void FollowFrameSize();
// The show's pictures were torn down: what the shaded path keeps of them is made afresh.
void ForgetFramePictures();
// The shaded path keeps each mesh's frames and triangles in buffer objects from its first draw
// on; a mesh whose contents change afterwards (another data set, a test's) needs this.
void ForgetMeshBuffers();
// The GL context was lost, or replaced by a new one: every GL name the renderer and the texture
// slots hold belonged to it. All are forgotten, none deleted, and the render-state record goes
// back to the default; each object is made again in the current context on its next use
// (textures when the scenes are set up again). The caller sets the default render state and,
// once a context is current, calls CheckFramePath.
void ForgetGLObjects();
// A new frame: the glow source is captured afresh.
void StartRenderFrame();
// After the visible render: the glow, the fades and the dirt.
void FinishFrame(const FrameFinish& finish);
