// The default frame path against the literal one on whole frames of the show, and the literal
// path with one line of explanation where the context has no shaders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/frame_loop.h"
#include "host/platform.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "support/show_data_set.h"
#include "support/test_support.h"
#include "tools/frame_compare.h"

namespace {

void LoadShow() {
    OpenTestDisplay();
    TearDownScenes();
    const std::string dir = MakeScratchDir();
    WriteShowDataSet(dir);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    SetUpScenes();
}

// The frame at t on one path, after a frame at entry that enters its scene: the same sequence
// on either path, so the scripts pose the same scene.
std::vector<uint8_t> FrameOn(int32_t path, int32_t entry, int32_t t) {
    SetFramePath(path);
    ResetTimeline();
    for (int32_t time : {entry, t}) {
        BeginFrame();
        StepFrame(time);
    }
    return ReadFrame();
}

} // namespace

TEST(FramePaths, DefaultMatchesTheLiteralPathInEveryScene) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    SetFramePath(FramePathFast);
    ASSERT_FALSE(LiteralFrames()) << "llvmpipe offers GLSL, so the default path must run here";
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
        const FrameDifference d =
            CompareFrames(literal.data(), fast.data(), frameWidth, frameHeight);
        EXPECT_GE(d.psnr, 42.0) << s.name;
        EXPECT_GE(d.withinTwo, 0.99) << s.name;
        if (d.max > 2) SaveFrame(std::string("default_frame_") + s.name);
    }
    SetFramePath(FramePathUnchosen);
}

// The web page settles the frame's size only when the viewer answers, after the loading picture
// has been drawn: the default path's frame-sized targets follow the new size.
TEST(FramePaths, DefaultFollowsAFrameSizeChangedAfterItsFirstFrames) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    FrameOn(FramePathFast, 16, 3000);
    frameWidth = 640;
    frameHeight = 480;
    FollowFrameSize();
    const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, 36653, 40000);
    const std::vector<uint8_t> fast = FrameOn(FramePathFast, 36653, 40000);
    const FrameDifference d = CompareFrames(literal.data(), fast.data(), frameWidth, frameHeight);
    EXPECT_GE(d.psnr, 42.0);
    if (d.max > 2) SaveFrame("default_frame_resized");
    frameWidth = kDefaultFrameWidth;
    frameHeight = kDefaultFrameHeight;
    FollowFrameSize();
    SetFramePath(FramePathUnchosen);
}

TEST(FramePaths, WithoutShadersTheLiteralPathRunsAndSaysSoOnce) {
    LoadShow();
    if (!HasFixedFunction()) GTEST_SKIP() << "no literal path in OpenGL ES";
    const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, 16, 26000);
    setenv("LOCKSTEP_HIDE_GLSL", "1", 1);
    SetFramePath(FramePathUnchosen);
    std::vector<uint8_t> fallback;
    const Captured out = CaptureOutputOf([&] {
        FrameOn(FramePathFast, 16, 20000);
        fallback = FrameOn(FramePathFast, 16, 26000);
    });
    unsetenv("LOCKSTEP_HIDE_GLSL");
    SetFramePath(FramePathUnchosen);
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
    EXPECT_NE(out.err.find("no GLSL shaders; drawing the literal frame path"), std::string::npos)
        << out.err;
    EXPECT_TRUE(fallback == literal);
}
