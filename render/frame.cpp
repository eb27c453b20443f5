#include "render/frame.h"

#include <cstdio>
#include <cstring>
#include "assets/texture_slots.h"
#include "render/glow_levels.h"
#include "render/literal/literal_path.h"
#include "render/render_state.h"
#include "render/shaded/shaded_draw.h"
#include "render/shaded/shaded_frame.h"
#include "render/shaded/shaded_path.h"

namespace {

// What draws before any path is chosen: nothing, and no GL call, since there may be no context.
const char* PrepareNothing() {
    return "no frame path is chosen";
}
void DoNothing() {}
void DrawNoMesh(Mesh*) {}
void DrawNoImage(int32_t, float, float, float, float, int32_t) {}
void DrawNoTintedQuad(float, float, float, float, float, float, float, float, int32_t) {}
void DrawNoRect(float, float, float, float) {}
void CompositeNoGlow(float, float, float, float, int32_t, int32_t) {}
void FinishNoFrame(const FrameFinish&) {}
void ReadWhite(float rgba[4]) {
    for (int i = 0; i < 4; ++i) rgba[i] = 1.0f;
}
void WriteNoColour(float, float, float, float) {}

const FramePathOps noFramePath = {
    PrepareNothing,
    DoNothing,
    nullptr,
    DrawNoMesh,
    DoNothing,
    DrawNoImage,
    DoNothing,
    DoNothing,
    DrawNoTintedQuad,
    DrawNoRect,
    DoNothing,
    CompositeNoGlow,
    FinishNoFrame,
    ReadWhite,
    WriteNoColour,
};

} // namespace

const FramePathOps* framePathOps = &noFramePath;

namespace {

struct FrameChoice {
    int32_t asked;
    bool resolved;
    bool chosenInContext; // a path drew in this context: its state is handed over on a change
    bool reported;        // the line about a path that cannot run is said once
};

FrameChoice choice = {FramePathFast, false, false, false};

void Report(const char* line, const char* reason) {
    if (choice.reported) return;
    fprintf(stderr, line, reason);
    choice.reported = true;
}

const FramePathOps* Resolve() {
    const char* literalMissing = literalFramePath.prepare();
    if (choice.asked == FramePathLiteral) {
        if (!literalMissing) return &literalFramePath;
        Report("lockstep: %s; drawing the default one\n", literalMissing);
    }
    const char* missing = shadedFramePath.prepare();
    if (!missing) return &shadedFramePath;
    if (!literalMissing) {
        Report("lockstep: %s; drawing the literal frame path\n", missing);
        return &literalFramePath;
    }
    Report("lockstep: %s; the frames cannot be drawn\n", missing);
    return &shadedFramePath;
}

} // namespace

bool ParseFramePath(const char* text, int32_t* path) {
    if (!strcmp(text, "fast")) {
        *path = FramePathFast;
    } else if (!strcmp(text, "literal")) {
        *path = FramePathLiteral;
    } else {
        return false;
    }
    return true;
}

void SetFramePath(int32_t path) {
    if (path == choice.asked && choice.resolved) return;
    choice.asked = path;
    CheckFramePath();
}

void SetFramePathAfresh(int32_t path) {
    ForgetShadedFrame();
    choice.reported = false;
    choice.asked = path;
    CheckFramePath();
}

// Both paths share a desktop context: the one taking over starts from the state the other left.
void CheckFramePath() {
    const FramePathOps* chosen = Resolve();
    if (choice.chosenInContext && chosen != framePathOps) {
        if (framePathOps->handOver) framePathOps->handOver();
        chosen->takeOver();
    }
    framePathOps = chosen;
    choice.resolved = true;
    choice.chosenInContext = true;
}

int32_t ChosenFramePath() {
    return framePathOps == &literalFramePath ? FramePathLiteral : FramePathFast;
}

void FollowFrameSize() {
    ResizeShadedFrame();
}

void ForgetFramePictures() {
    ForgetShadedPictures();
}

void ForgetMeshBuffers() {
    ForgetShadedMeshBuffers();
}

void ForgetGLObjects() {
    ForgetShadedGLObjects();
    ForgetLiteralGLObjects();
    ForgetAllTextures();
    ResetRenderState();
    // The path is checked against the new context, with no state to hand over.
    choice.resolved = false;
    choice.chosenInContext = false;
}

void StartRenderFrame() {
    SetGlowCaptured(false);
}

void FinishFrame(const FrameFinish& finish) {
    framePathOps->finishFrame(finish);
}
