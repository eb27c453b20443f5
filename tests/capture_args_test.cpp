// The capture tool's command line and the frames it plans.
#include <gtest/gtest.h>

#include <string>
#include <vector>

// The tool is an executable of its own; its parser is compiled into this test directly.
#include "tools/capture/capture_args.cpp"

namespace {

struct Parsed {
    bool ok;
    CaptureArgs args;
    std::string error;
};

Parsed Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "lockstep-capture");
    Parsed p;
    p.ok = ParseCaptureArgs(static_cast<int>(words.size()), words.data(), &p.args, &p.error);
    return p;
}

std::vector<int32_t> Times(const std::vector<CaptureFrame>& frames) {
    std::vector<int32_t> times;
    for (const CaptureFrame& f : frames) times.push_back(f.timeMs);
    return times;
}

} // namespace

TEST(CaptureArgs, DefaultsRunTheWholeShowAtSixtyFramesAndWriteNothing) {
    Parsed p = Parse({});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.args.root, ".");
    EXPECT_EQ(p.args.fps, 60);
    EXPECT_EQ(p.args.toMs, 104000);
    EXPECT_TRUE(p.args.stills.empty());
    EXPECT_TRUE(p.args.framesDir.empty() && p.args.videoPath.empty() &&
                p.args.spectrumPath.empty());
}

TEST(CaptureArgs, EveryOptionIsTakenAndStillsAreSortedByTime) {
    Parsed p = Parse({"--root", "/r", "--fps", "25", "--to", "5000", "--still", "4000=b.png",
                      "--still", "1500=a=x.png", "--frames", "f", "--video", "v.mp4", "--spectrum",
                      "s.csv", "--still", "0=c.png", "--frame-path", "literal", "--size",
                      "1440x1080", "--video-size", "1920x1080"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.args.frameWidth, 1440);
    EXPECT_EQ(p.args.frameHeight, 1080);
    EXPECT_EQ(p.args.videoWidth, 1920);
    EXPECT_EQ(p.args.videoHeight, 1080);
    EXPECT_EQ(Parse({}).args.frameWidth, 800);
    EXPECT_EQ(Parse({}).args.frameHeight, 600);
    EXPECT_EQ(p.args.root, "/r");
    EXPECT_EQ(p.args.fps, 25);
    EXPECT_EQ(p.args.toMs, 5000);
    ASSERT_EQ(p.args.stills.size(), 3u);
    EXPECT_EQ(p.args.stills[0].timeMs, 0);
    EXPECT_EQ(p.args.stills[1].timeMs, 1500);
    EXPECT_EQ(p.args.stills[1].path, "a=x.png"); // only the first '=' splits
    EXPECT_EQ(p.args.stills[2].path, "b.png");
    EXPECT_EQ(p.args.framesDir, "f");
    EXPECT_EQ(p.args.videoPath, "v.mp4");
    EXPECT_EQ(p.args.spectrumPath, "s.csv");
    EXPECT_EQ(p.args.framePath, "literal");
    EXPECT_TRUE(Parse({"--help"}).args.help);
}

TEST(CaptureArgs, BadArgumentsAreRefusedWithAReasonNamingThem) {
    struct Case {
        std::vector<const char*> words;
        const char* mention;
    };
    const Case cases[] = {
        {{"--speed", "2"}, "--speed"},
        {{"out.png"}, "out.png"},
        {{"--fps"}, "--fps needs a value"},
        {{"--root", ""}, "--root needs a value"},
        {{"--fps", "0"}, "--fps"},
        {{"--fps", "1001"}, "1001"},
        {{"--fps", "-5"}, "-5"},
        {{"--fps", "30fps"}, "30fps"},
        {{"--fps", " 30"}, "--fps"},
        {{"--to", "-1"}, "--to"},
        {{"--to", "99999999999999999999"}, "--to"},
        {{"--to", "1.5"}, "1.5"},
        {{"--still", "1000"}, "MS=FILE.png"},
        {{"--still", "=a.png"}, "--still"},
        {{"--still", "1s=a.png"}, "1s"},
        {{"--still", "1000="}, "names no file"},
        {{"--to", "3000", "--still", "3001=a.png"}, "past --to"},
        {{"--fps", "30", "--fps", "60"}, "--fps is given twice"},
        {{"--video", "a.mp4", "--video", "b.mp4"}, "--video is given twice"},
        {{"--still", "10=a.png", "--still", "20=a.png"}, "a.png is named twice"},
        {{"--still", "10=x", "--spectrum", "x"}, "x is named twice"},
        {{"--frame-path", "quick"}, "--frame-path wants fast or literal, not 'quick'"},
        {{"--size", "800x601"}, "not 4:3"},
        {{"--size", "640x480", "--size", "800x600"}, "--size is given twice"},
        {{"--size", "324x243", "--video", "v.mp4"}, "even sides"},
        {{"--from", "-5"}, "--from wants"},
        {{"--from", "5000", "--to", "4000"}, "--from 5000 lies past --to 4000"},
        {{"--from", "5000", "--still", "4000=a.png"}, "--still 4000 lies before --from 5000"},
        {{"--hud", "--hud"}, "--hud is given twice"},
        {{"--video-size", "1920x1080"}, "without --video"},
        {{"--video", "v.mp4", "--video-size", "1920"}, "wants WxH"},
        {{"--video", "v.mp4", "--video-size", "99999x1080"}, "99999x1080"},
        {{"--video", "v.mp4", "--video-size", "1921x1080"}, "even sides"},
        {{"--video", "v.mp4", "--video-size", "1920x480"}, "smaller than the frame, 800x600"},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.words);
        std::string line;
        for (const char* w : c.words) line += std::string(w) + " ";
        EXPECT_FALSE(p.ok) << line;
        EXPECT_NE(p.error.find(c.mention), std::string::npos) << line << "-> " << p.error;
    }
}

TEST(CaptureArgs, AStillAtTheEndTimeIsAccepted) {
    EXPECT_TRUE(Parse({"--to", "3000", "--still", "3000=a.png"}).ok);
    EXPECT_TRUE(Parse({"--still", "104000=a.png"}).ok);
}

TEST(CaptureFrames, RegularTimesAreRoundedMilliseconds) {
    EXPECT_EQ(RegularFrameTime(0, 60), 0);
    EXPECT_EQ(RegularFrameTime(1, 60), 17); // 16.67
    EXPECT_EQ(RegularFrameTime(2, 60), 33); // 33.33
    EXPECT_EQ(RegularFrameTime(1, 16), 63); // 62.5 rounds up
    EXPECT_EQ(RegularFrameTime(3, 7), 429); // 428.57
    EXPECT_EQ(RegularFrameTime(6240, 60), 104000);
    // Far beyond the show: no overflow in the intermediate product.
    EXPECT_EQ(RegularFrameTime(3600000, 1000), 3600000);
}

TEST(CaptureFrames, TheLastFrameIsTheFirstAtOrPastTheEnd) {
    EXPECT_EQ(Times(PlanCaptureFrames(3, 1000, {})), (std::vector<int32_t>{0, 333, 667, 1000}));
    EXPECT_EQ(Times(PlanCaptureFrames(3, 1001, {})),
              (std::vector<int32_t>{0, 333, 667, 1000, 1333}));
    EXPECT_EQ(Times(PlanCaptureFrames(60, 0, {})), (std::vector<int32_t>{0}));
    std::vector<CaptureFrame> show = PlanCaptureFrames(60, 104000, {});
    ASSERT_EQ(show.size(), 6241u);
    EXPECT_EQ(show.back().timeMs, 104000);
    EXPECT_EQ(show.back().index, 6240);
}

TEST(CaptureFrames, StillsBetweenFramesGetOneExtraFrameAtTheirExactTime) {
    const std::vector<CaptureStill> stills = {
        {333, "on-a-frame.png"}, {500, "a.png"}, {500, "b.png"}, {1000, "end.png"}, {0, "z.png"}};
    std::vector<CaptureFrame> frames = PlanCaptureFrames(3, 1000, stills);
    ASSERT_EQ(Times(frames), (std::vector<int32_t>{0, 333, 500, 667, 1000}));
    EXPECT_EQ(frames[1].index, 1);
    EXPECT_EQ(frames[2].index, -1); // the extra frame has no place in the fixed-rate sequence
    EXPECT_EQ(frames[3].index, 2);
    EXPECT_EQ(frames[4].index, 3);
}

TEST(CaptureFrames, FromAPlaceTheFramesKeepTheirNumbersAndTheScenesTheirEntries) {
    // At 3 frames a second the scenes are entered on the first frame past their starts, an extra
    // frame for a still among them.
    const std::vector<CaptureFrame> plan = PlanCaptureFrames(3, 40000, {{34990, "x.png"}});
    const SceneEntryTimes entries = CaptureEntryTimes(plan);
    const int32_t expected[kSceneTableSize] = {333, 33333, 34990, 36667, 53313, 86633};
    for (int32_t i = 0; i < kSceneTableSize; ++i) {
        EXPECT_EQ(entries.times[i], expected[i]) << "scene " << i;
    }
    const std::vector<CaptureFrame> from = CaptureFramesFrom(plan, 35000);
    ASSERT_FALSE(from.empty());
    EXPECT_EQ(from.front().timeMs, 35000);
    EXPECT_EQ(from.front().index, 105);
    EXPECT_EQ(from.back().timeMs, 40000);
    EXPECT_EQ(CaptureFramesFrom(plan, 35001).front().timeMs, 35333);
}
