#include "render/frame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "assets/texture_slots.h"
#include "render/glow.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "render/shaded/shaded_draw.h"
#include "render/shaded/shaded_frame.h"
#include "render/shaded/shaders.h"

namespace {

struct FrameChoice {
    int32_t asked;
    bool resolved;
    bool literal;
    bool drawnLiteral; // which path drew last, for handing the state over
    bool drawnAny;
    bool reported; // the line about a path that cannot run is said once
};

FrameChoice choice = {FramePathUnchosen, false, false, false, false, false};

void Report(const char* line, const char* reason) {
    if (choice.reported) return;
    fprintf(stderr, line, reason);
    choice.reported = true;
}

int32_t PathFromEnvironment() {
    const char* wanted = getenv("LOCKSTEP_FRAME_PATH");
    int32_t path = FramePathFast;
    if (wanted && *wanted && !ParseFramePath(wanted, &path)) {
        fprintf(stderr, "lockstep: LOCKSTEP_FRAME_PATH is '%s', not fast or literal; fast it is\n",
                wanted);
        path = FramePathFast;
    }
    return path;
}

bool ResolveLiteral() {
    if (choice.asked == FramePathUnchosen) choice.asked = PathFromEnvironment();
    const bool fixedFunction = HasFixedFunction();
    if (choice.asked == FramePathLiteral) {
        if (fixedFunction) return true;
        Report("lockstep: %s has no fixed-function pipeline for the literal frame path; drawing "
               "the default one\n", "OpenGL ES");
    }
    const char* missing = PrepareShadedFrame();
    if (!missing) return false;
    if (fixedFunction) {
        Report("lockstep: %s; drawing the literal frame path\n", missing);
        return true;
    }
    Report("lockstep: %s; the frames cannot be drawn\n", missing);
    return false;
}

// Both paths share a desktop context: the one taking over starts from the state the other left.
void HandOver(bool toLiteral) {
    if (!choice.drawnAny || choice.drawnLiteral == toLiteral) return;
    if (toLiteral) {
        LeaveShadedFrame();
        LeaveShadedDrawing();
        WriteRenderStateToGL();
    } else {
        ReadRenderStateFromGL();
    }
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

void ForgetFramePictures() {
    ForgetShadedPictures();
}

void ForgetGLObjects() {
    ForgetShaderPrograms();
    ForgetShadedDrawing();
    ForgetShadedTargets();
    for (uint32_t& level : glowChain) level = 0;
    glowChainCreated = 0;
    ForgetAllTextures();
    ResetRenderState();
    // The path is checked against the new context, with no state to hand over.
    choice.resolved = false;
    choice.drawnAny = false;
}

void SetFramePath(int32_t path) {
    if (path == FramePathUnchosen) {
        ForgetShadedFrame();
        choice.reported = false;
    }
    if (path == choice.asked && choice.resolved) return;
    choice.asked = path;
    choice.resolved = false;
}

bool LiteralFrames() {
    if (!choice.resolved) {
        choice.literal = ResolveLiteral();
        choice.resolved = true;
        HandOver(choice.literal);
        choice.drawnLiteral = choice.literal;
        choice.drawnAny = true;
    }
    return choice.literal;
}

void FollowFrameSize() {
    ResizeShadedFrame();
}

void StartRenderFrame() {
    SetGlowCaptured(false);
}

// The post passes one by one, as blended full-screen quads: the reference picture.
void FinishFrame(const FrameFinish& finish) {
    if (!LiteralFrames()) {
        FinishFrameShaded(finish);
        return;
    }
    CompositeGlow(0, 0, 1, 1, finish.glowAlpha, 1);
    if (finish.intro) DrawTintedQuad(0, 0, 1, 1, 1, 1, 1, finish.introAlpha, finish.whiteSlot);
    if (finish.endFade) {
        CompositeGlow(0, 0, 1, 1, finish.endGlowAlpha, 0);
        DrawTintedQuad(0, 0, 1, 1, 0, 0, 0, finish.endLevel, finish.whiteSlot);
    }
    DrawScreenImage(finish.dirtSlot, 0, 0, 1, 1, ScreenMultiply);
}
