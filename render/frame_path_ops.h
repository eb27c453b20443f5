// The operations each frame path implements: the literal passes (render/literal/) and the shaded
// path (render/shaded/) fill one table each, and the front end's functions (DrawScreenImage,
// UpdateGlow, RenderDrawList, FinishFrame, ...) call the table of the path chosen for the
// context (render/frame.h).
#pragma once
#include <cstdint>

struct Mesh;

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

struct FramePathOps {
    // Why the path cannot draw in the current context, or null when it can (made ready then).
    const char* (*prepare)();
    // On a change of path in one context: handOver, on the path giving the context up, puts
    // back what it left bound (null: nothing to); takeOver, on the path taking it, takes its
    // state from what the other left.
    void (*takeOver)();
    void (*handOver)();

    void (*drawMesh)(Mesh* mesh);
    void (*renderDrawList)();
    void (*drawScreenImage)(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend);
    void (*beginOverlay2D)();
    void (*endOverlay2D)();
    void (*drawTintedQuad)(float x0, float y0, float x1, float y1, float r, float g, float b,
                           float a, int32_t slot);
    void (*drawOverlayRect)(float x0, float y0, float x1, float y1);
    void (*updateGlow)();
    void (*compositeGlow)(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive);
    void (*finishFrame)(const FrameFinish& finish);
    // The current colour that tints what is drawn.
    void (*readColour)(float rgba[4]);
    void (*writeColour)(float r, float g, float b, float a);
};
