// The default frame path's glow chain and frame finish. The scene is rendered once, into a
// target of the frame's size, and the glow source is taken from that visible frame: level 1
// resampled from it (level 0 too where a composite needs it), each smaller level shrunk from the
// one before. A frame of more than 8 pixels a level 1 texel (larger than about 836x627) is no
// faithful source: there the glow source is rendered at its own size first, as the literal
// passes render it. The glow the eight additive quads would add is folded into one texture on level
// 0's grid, from the smallest levels up (levels 2 to 7 summed on level 2's grid, level 1 added
// on its own, then level 0 resampled from the frame), each product rounded to a byte where the
// blending rounds it. One full-screen pass with no blending then reads the frame once and the
// glow once and writes the frame with the intro's white and the dirt. In the end fade every
// level is sampled at the frame's size and both composites and the black are worked out step by
// step, as the literal passes round them.
#pragma once
#include <cstdint>
#include "render/frame_path_ops.h"

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
// UpdateGlow on the default path: leaves the frame's texture bound and clear for the visible
// pass, whose picture becomes the glow source once the glow is needed (a composite, the finish
// or a second update in the frame, which keeps what was drawn since the first).
void UpdateGlowShaded();
void CompositeGlowShaded(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
void FinishFrameShaded(const FrameFinish& finish);
// Back to the framebuffer the frames are finished in, where a pass left one of its own bound.
void LeaveShadedFrame();
// A glow level's size in texels when name is one of the default path's levels, else 0.
int ShadedGlowLevelSize(uint32_t name);
