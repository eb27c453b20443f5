// The fast way to finish a frame. After the visible render the literal passes draw the glow
// chain as eight blended full-screen quads, then the fades and the dirt as more of them; here
// the frame is copied to a texture and one shader pass computes the same picture, with the same
// byte weights and the same rounding after every step the blending would take.
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
void FinishFrameFast(const FrameFinish& finish);
