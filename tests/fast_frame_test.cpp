// The fast frame path against the literal one on whole frames of the show, and the literal path
// with one line of explanation where the context has no shaders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/frame_loop.h"
#include "host/platform.h"
#include "render/fast_frame.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "support/show_data_set.h"
#include "support/test_support.h"
#include "tools/frame_compare.h"

namespace {

void LoadShow() {
    LoadShowDataSet();
}

// The frame at t on one path, after a frame at entry that enters its scene: the same sequence
// on either path, so the scripts pose the same scene.
std::vector<uint8_t> FrameOn(int32_t path, int32_t entry, int32_t t) {
    framePath = path;
    ResetTimeline();
    for (int32_t time : {entry, t}) {
        BeginFrame();
        StepFrame(time);
    }
    return ReadFrame();
}

} // namespace

TEST(FastFrame, MatchesTheLiteralPathInEveryScene) {
    LoadShow();
    framePath = FramePathFast;
    ASSERT_TRUE(FastFrameReady()) << "llvmpipe offers GLSL, so the fast path must run here";
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
        if (d.max > 2) SaveFrame(std::string("fast_frame_") + s.name);
    }
    framePath = FramePathUnchosen;
}

TEST(FastFrame, WithoutShadersTheLiteralPathRunsAndSaysSoOnce) {
    LoadShow();
    const std::vector<uint8_t> literal = FrameOn(FramePathLiteral, 16, 26000);
    setenv("LOCKSTEP_HIDE_GLSL", "1", 1);
    ResetFastFrame();
    std::vector<uint8_t> fallback;
    const Captured out = CaptureOutputOf([&] {
        FrameOn(FramePathFast, 16, 20000);
        fallback = FrameOn(FramePathFast, 16, 26000);
    });
    unsetenv("LOCKSTEP_HIDE_GLSL");
    ResetFastFrame();
    framePath = FramePathUnchosen;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
    EXPECT_NE(out.err.find("no GLSL shaders; drawing the literal frame path"), std::string::npos)
        << out.err;
    EXPECT_TRUE(fallback == literal);
}
