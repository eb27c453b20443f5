// The default frame path's glow chain and frame finish. The scene is rendered into a target of
// the frame's own, as the literal passes render into the window: the glow source into its lower
// left 512x512 and copied out as level 0, then the visible frame. The levels are shrunk with one
// pass each, levels 1 to 7 summed on level 1's grid, and one full-screen pass with no blending
// writes the frame: the scene, level 0 and that sum as the eight additive quads would add them,
// the intro's white and the dirt. In the end fade every level is sampled at the frame's size and
// both composites and the black are worked out step by step. The weights are the literal passes'
// byte alphas and every product is rounded to a byte where the blending rounds it.
#pragma once
#include <cstdint>

struct FrameFinish;

// Prepares the programs and render targets once per context; returns why the default path
// cannot run here, or null when it can.
const char* PrepareShadedFrame();
// The frame-sized targets follow frameWidth x frameHeight where it changed since they were made.
void ResizeShadedFrame();
// The next PrepareShadedFrame checks the context again; the dirt is sampled afresh.
void ForgetShadedFrame();
// The context is gone with the render targets: the next PrepareShadedFrame makes them again.
void ForgetShadedTargets();
// The show's pictures were replaced (a texture name may come back for another picture): the
// dirt is sampled afresh.
void ForgetShadedPictures();
// UpdateGlow on the default path: renders the draw list into the glow source unless *captured,
// shrinks the levels and leaves the frame's texture bound and clear for the visible pass.
void UpdateGlowShaded(bool* captured);
void CompositeGlowShaded(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
void FinishFrameShaded(const FrameFinish& finish);
// Back to the framebuffer the frames are finished in, where a pass left one of its own bound.
void LeaveShadedFrame();
// A glow level's size in texels when name is one of the default path's levels, else 0.
int ShadedGlowLevelSize(uint32_t name);
