// The frame loop's stop rule and clock, driven by a fake tick and key source.
#include <gtest/gtest.h>

#include <vector>

#include "programs/frame_loop.h"
#include "render/glow.h"

namespace {

struct Fake {
    std::vector<uint32_t> ticks; // successive tick readings; the last one repeats
    size_t tickIndex = 0;
    std::vector<int32_t> keys; // successive key states; 0 after the list
    size_t keyIndex = 0;
    std::vector<int32_t> frameTimes;
    int sleeps = 0;
    int escapeQueries = 0;
};
Fake fake;

uint32_t FakeTicks() {
    uint32_t t = fake.ticks[fake.tickIndex];
    if (fake.tickIndex + 1 < fake.ticks.size()) ++fake.tickIndex;
    return t;
}
int32_t FakeEscape() {
    ++fake.escapeQueries;
    return fake.keyIndex < fake.keys.size() ? fake.keys[fake.keyIndex++] : 0;
}
void FakeSleep(uint32_t ms) {
    EXPECT_EQ(ms, 1u);
    ++fake.sleeps;
}
void FakeStep(int32_t t) {
    EXPECT_FALSE(GlowCaptured()) << "BeginFrame must clear the captured flag before each frame";
    SetGlowCaptured(true);
    fake.frameTimes.push_back(t);
}

int32_t RunLoop(std::vector<uint32_t> ticks, std::vector<int32_t> keys) {
    fake = Fake{};
    fake.ticks = std::move(ticks);
    fake.keys = std::move(keys);
    FrameLoopSource source = {FakeTicks, FakeEscape, FakeSleep, FakeStep, nullptr};
    return RunFrameLoop(source);
}

} // namespace

TEST(FrameLoop, EscapeHeldFromTheStartDrawsExactlyOneFrame) {
    int32_t frames = RunLoop({5000, 5000, 5016}, {static_cast<int16_t>(0x8001)});
    EXPECT_EQ(frames, 1);
    ASSERT_EQ(fake.frameTimes.size(), 1u);
    EXPECT_EQ(fake.frameTimes[0], 0);
    EXPECT_EQ(fake.sleeps, 1);
}

TEST(FrameLoop, PressReleasedBetweenPassesStopsAtTheNextTest) {
    // Only the "pressed since last query" bit is set on the third query.
    int32_t frames = RunLoop({100, 100, 116, 132, 148, 164}, {0, 0, 1});
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(fake.frameTimes, (std::vector<int32_t>{0, 16, 32}));
}

TEST(FrameLoop, TheFirstFrameAtOrPastTheEndIsTheLast) {
    int32_t frames =
        RunLoop({1000, 1000 + 103998, 1000 + 103999, 1000 + 104000, 1000 + 104016}, {});
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(fake.frameTimes, (std::vector<int32_t>{103998, 103999, 104000}));
    EXPECT_EQ(fake.escapeQueries, 3);
}

TEST(FrameLoop, DemoTimeIsTakenModuloTheTickWrap) {
    // The tick counter wraps during the show; the demo time keeps counting.
    int32_t frames = RunLoop({0xFFFFFF00u, 0xFFFFFF00u, 0x00000010u, 0xFFFFFF00u + 104000u}, {});
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(fake.frameTimes, (std::vector<int32_t>{0, 0x110, 104000}));
}

TEST(FrameLoop, ATimeFarPastTheEndStopsAfterOneFrame) {
    int32_t frames = RunLoop({0, 200000}, {});
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(fake.frameTimes[0], 200000);
}

TEST(FrameLoop, AClockOfTheSourceGivesTheDemoTimeAndTheEndFollowsIt) {
    fake = Fake{};
    fake.ticks = {500, 500, 516, 532};
    // Started 103990 ms in: the loop hands it the ticks since the loop began.
    FrameLoopSource source = {FakeTicks, FakeEscape, FakeSleep, FakeStep,
                              [](uint32_t elapsed) { return 103990 + int32_t(elapsed); }};
    EXPECT_EQ(RunFrameLoop(source), 2);
    EXPECT_EQ(fake.frameTimes, (std::vector<int32_t>{103990, 104006}));
}
