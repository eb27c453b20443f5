// The fast way to finish a frame. The literal passes lay the glow chain over the visible render
// as eight blended full-screen quads, and in the end fade eight more and a black one. Here
// levels 1 to 7, smooth enough to be resampled, are summed at level 1's size before the visible
// render; after it one additive pass adds level 0 and that sum. The end fade is worked out in one
// pass over a copy of the frame, every level at full size, step by step. The dirt is sampled once
// into a frame-sized texture and multiplied with the nearest texel. The weights are the literal
// passes' running byte alphas, and every product is rounded to a byte as the blending rounds it.
#pragma once
#include <cstdint>

enum FramePath : int32_t {
    FramePathUnchosen = -1, // read from LOCKSTEP_FRAME_PATH on first use
    FramePathFast = 0,
    FramePathLiteral = 1,
};

// The path asked for. The fast one needs GLSL; where the context has none the literal runs.
extern int32_t framePath;

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
// True when the fast path is asked for and ready. The first call after the context opened
// prepares it, and when the context lacks what it needs says so in one stderr line.
bool FastFrameReady();
// Forgets the preparation, so the next FastFrameReady checks the context again.
void ResetFastFrame();
// After UpdateGlow, before the visible render: sums levels 1 to 7 in the frame's corner and
// clears it again.
void SumGlowLevels(const FrameFinish& finish);
// After the visible render: the glow, the fades and the dirt.
void FinishFrameFast(const FrameFinish& finish);
