// The default frame path against the literal one on whole frames of the show and on frames whose
// draw list leaves its state behind, held to the bar bench/fidelity.sh holds the stills to, and
// the literal path with one line of explanation where the context has no shaders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "support/show_data_set.h"
#include "support/test_support.h"
#include "tools/frame_compare.h"

namespace {

void LoadShow() {
    LoadShowDataSet();
}

// The default path takes its glow from the visible frame, so it differs from the literal passes
// along sharp edges and in texture detail, softly: no area as large as a 16x16 block is off.
void ExpectNearTheLiteralPath(const FrameDifference& d, const std::string& name) {
    EXPECT_GE(d.psnr, 45.0) << name;
    EXPECT_GE(d.withinTwo, 0.97) << name;
    EXPECT_LE(d.worstBlock, 3.0) << name << " at " << d.worstBlockX << "," << d.worstBlockY;
}

// The state a frame leaves for the next back to the defaults, on whichever path draws next: each
// path keeps its own depth buffer, which a list that leaves depth writes off does not clear.
void ResetCarriedState() {
    envOverride = false;
    ResetRenderState();
    WriteRenderStateToGL();
    ReapplyRenderState();
}

// The frame at t on one path, after a frame at entry that enters its scene: the same sequence
// on either path, so the scripts pose the same scene.
std::vector<uint8_t> FrameOn(int32_t path, int32_t entry, int32_t t) {
    SetFramePath(path);
    ResetCarriedState();
    ResetTimeline();
    for (int32_t time : {entry, t}) {
        BeginFrame();
        StepFrame(time);
    }
    return ReadFrame();
}

// A frame as StepFrame draws one, of a list that switches blending and the environment on and
// never back: the next frame's meshes start from what this one left, depth writes off (so the
// next frame's depth clears clear nothing) and the blending the glow passes left. The literal
// path renders the scene twice, and its second render, the glow source, differs from the
// visible one here: it starts from the composite's colour and blending, and squeezed into the
// window's lower left 512x512 it leaves depth of its own. The default path takes its glow from
// the visible render. So these frames have no glow and write no depth.
void LeakyFrame(bool reset) {
    BeginFrame();
    ClearDepthBuffer();
    ResetDrawList();
    ClearToColor(0x402010);
    if (reset) {
        QueueCommand(BlendAlpha);
        QueueCommand(SphereMapOff);
        QueueCommand(EnvTextureOff);
    }
    QueueMesh(&city);
    QueueCommand(BlendAlpha);
    QueueMesh(&robot1);
    QueueCommand(SphereMapOn);
    QueueCommand(EnvTextureOn);
    QueueMesh(&balls);
    QueueCommand(SphereMapOff);
    Camera view = {0, 150, -600, 0, 10, 0, 254, 100, 5000};
    ApplyCamera(&view);
    UpdateGlow();
    RenderDrawList();
    FrameFinish finish = {};
    finish.glowAlpha = 0;
    finish.dirtSlot = dirtTexture;
    finish.whiteSlot = whiteTexture;
    FinishFrame(finish);
    PresentFrame();
}

} // namespace

// ctest runs each case in a process of its own: here no display is open and no path chosen, so a
// drawing call that reached GL would crash.
TEST(FramePaths, DrawingBeforeAPathIsChosenDoesNothing) {
    ResetDrawList();
    QueueMesh(&city);
    RenderDrawList();
    DrawMesh(&city);
    UpdateGlow();
    BeginOverlay2D();
    DrawScreenImage(0, 0, 0, 1, 1, ScreenAlpha);
    DrawTintedQuad(0, 0, 1, 1, 1, 1, 1, 1, 0);
    DrawOverlayRect(0, 0, 1, 1);
    EndOverlay2D();
    CompositeGlow(0, 0, 1, 1, 255, 1);
    FinishFrame(FrameFinish{});
    EXPECT_EQ(ChosenFramePath(), FramePathFast);
}

TEST(FramePaths, StateALeakyListLeavesIsCarriedAlikeOnBothPaths) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    std::vector<uint8_t> frames[2];
    for (int32_t path : {FramePathLiteral, FramePathFast}) {
        SetFramePath(path);
        ResetCarriedState();
        LeakyFrame(true);
        LeakyFrame(false);
        frames[path == FramePathFast] = ReadFrame();
    }
    ExpectNearTheLiteralPath(
        CompareFrames(frames[0].data(), frames[1].data(), frameWidth, frameHeight), "leaky");
    if (HasFailure()) SaveFrame("default_frame_leaky");
    RestoreFramePath();
}

TEST(FramePaths, DefaultMatchesTheLiteralPathInEveryScene) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    SetFramePath(FramePathFast);
    ASSERT_EQ(ChosenFramePath(), FramePathFast) << "llvmpipe offers GLSL, so the default path must run here";
    struct Still {
        int32_t entry, t;
        const char* name;
    };
    const Still stills[] = {
        {16, 3000, "intro_fade"}, {16, 26000, "city"},        {36653, 40000, "road"},
        {53313, 60000, "credits"}, {86633, 98294, "end_fade"}, {86633, 103300, "black"},
    };
    for (const Still& s : stills) {
        const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, s.entry, s.t);
        const std::vector<uint8_t> fast = FrameOn(FramePathFast, s.entry, s.t);
        ExpectNearTheLiteralPath(
            CompareFrames(literal.data(), fast.data(), frameWidth, frameHeight), s.name);
        if (HasFailure()) SaveFrame(std::string("default_frame_") + s.name);
    }
    RestoreFramePath();
}

// The web page settles the frame's size only when the viewer answers, after the loading picture
// has been drawn: the default path's frame-sized targets follow the new size.
TEST(FramePaths, DefaultFollowsAFrameSizeChangedAfterItsFirstFrames) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    FrameOn(FramePathFast, 16, 3000);
    // Larger than the test window: the platform gives an offscreen surface to hold it.
    frameWidth = 1024;
    frameHeight = 768;
    ASSERT_TRUE(PlatformReserveSurface(frameWidth));
    FollowFrameSize();
    const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, 36653, 40000);
    const std::vector<uint8_t> fast = FrameOn(FramePathFast, 36653, 40000);
    ExpectNearTheLiteralPath(
        CompareFrames(literal.data(), fast.data(), frameWidth, frameHeight), "1024x768");
    if (HasFailure()) SaveFrame("default_frame_resized");
    frameWidth = kDefaultFrameWidth;
    frameHeight = kDefaultFrameHeight;
    FollowFrameSize();
    RestoreFramePath();
}

TEST(FramePaths, WithoutShadersTheLiteralPathRunsAndSaysSoOnce) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, 16, 26000);
    setenv("LOCKSTEP_HIDE_GLSL", "1", 1);
    std::vector<uint8_t> fallback;
    const Captured out = CaptureOutputOf([&] {
        RestoreFramePath(); // the context is checked afresh as the path is chosen
        FrameOn(FramePathFast, 16, 20000);
        fallback = FrameOn(FramePathFast, 16, 26000);
    });
    unsetenv("LOCKSTEP_HIDE_GLSL");
    RestoreFramePath();
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
    EXPECT_NE(out.err.find("no GLSL shaders; drawing the literal frame path"), std::string::npos)
        << out.err;
    EXPECT_TRUE(fallback == literal);
}
