// The timeline as numbers: scene selection and entry, beat-locked time, the scripts' animation
// values and the fades, all away from GL.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "script/frame_guard.h"
#include "script/timeline_math.h"

namespace {

int32_t TypeAt(int32_t t) {
    int32_t type = -99, index = -99;
    SelectScene(t, &type, &index);
    return type;
}
int32_t IndexAt(int32_t t) {
    int32_t type = -99, index = -99;
    SelectScene(t, &type, &index);
    return index;
}

} // namespace

TEST(SceneSelection, EachEntryHoldsFromOneMillisecondAfterItsStartToTheNextStart) {
    struct Case {
        int32_t t, type, index;
    };
    const Case cases[] = {
        {INT_MIN, 0, -1}, {-5, 0, -1},   {0, 0, -1},     {1, 1, 0},
        {33320, 1, 0},    {33321, 4, 1}, {34986, 4, 1},  {34987, 3, 2},
        {36652, 3, 2},    {36653, 2, 3}, {53312, 2, 3},  {53313, 7, 4},
        {86632, 7, 4},    {86633, 8, 5}, {104000, 8, 5}, {INT_MAX, 8, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypeAt(c.t), c.type) << "t = " << c.t;
        EXPECT_EQ(IndexAt(c.t), c.index) << "t = " << c.t;
    }
}

TEST(SceneEntry, FlagsEveryChangeOfIndexAndCountsSceneTimeFromIt) {
    // A first frame at 0 selects nothing and counts as an entry; the next enters scene 0.
    TimelineState state = kTimelineStart;
    SceneFrame f = AdvanceTimeline(&state, 0);
    EXPECT_EQ(f.index, -1);
    EXPECT_TRUE(f.entered);
    EXPECT_EQ(f.sceneTime, 0);
    f = AdvanceTimeline(&state, 16);
    EXPECT_TRUE(f.entered);
    EXPECT_EQ(f.type, 1);
    EXPECT_EQ(f.sceneTime, 0);
    f = AdvanceTimeline(&state, 40);
    EXPECT_FALSE(f.entered);
    EXPECT_EQ(f.sceneTime, 24);

    // A positive first frame is not flagged and its scene time equals the demo time.
    state = kTimelineStart;
    f = AdvanceTimeline(&state, 37);
    EXPECT_FALSE(f.entered);
    EXPECT_EQ(f.sceneTime, 37);

    f = AdvanceTimeline(&state, 33320);
    EXPECT_FALSE(f.entered);
    EXPECT_EQ(f.type, 1);
    f = AdvanceTimeline(&state, 33321);
    EXPECT_TRUE(f.entered);
    EXPECT_EQ(f.type, 4);
    EXPECT_EQ(f.sceneTime, 0);
    f = AdvanceTimeline(&state, 33340);
    EXPECT_FALSE(f.entered);
    EXPECT_EQ(f.sceneTime, 19);

    // Going back enters the earlier scene again and restarts its time.
    f = AdvanceTimeline(&state, 30000);
    EXPECT_TRUE(f.entered);
    EXPECT_EQ(f.type, 1);
    EXPECT_EQ(f.sceneTime, 0);
    EXPECT_EQ(state.sceneEntryTime, 30000);
    f = AdvanceTimeline(&state, 30500);
    EXPECT_EQ(f.sceneTime, 500);

    // The three road entries share a script but are entered one after another.
    int entries = 0;
    for (int32_t t = 33000; t <= 54000; t += 7) entries += AdvanceTimeline(&state, t).entered;
    EXPECT_EQ(entries, 4); // types 4, 3, 2 and then 7
}

TEST(BeatLockedTime, SamplePoints) {
    EXPECT_EQ(BeatLockedTime(932), 932); // beat 2
    EXPECT_EQ(BeatLockedTime(100), 200);
    EXPECT_EQ(BeatLockedTime(207), 414);
    EXPECT_EQ(BeatLockedTime(208), 416);
    EXPECT_EQ(BeatLockedTime(415), 416);
    EXPECT_EQ(BeatLockedTime(416), 416);
    EXPECT_EQ(BeatLockedTime(416 + 100), 416 + 200); // beat 1 runs ahead too
    EXPECT_EQ(BeatLockedTime(4 * 416 + 300), 5 * 416);
    EXPECT_EQ(BeatLockedTime(3 * 416 + 300), 3 * 416 + 300);
}

TEST(BeatLockedTime, NeverBehindAtMostHalfABeatAheadNeverDecreasingExactOnBeats) {
    int32_t previous = BeatLockedTime(0);
    for (int32_t t = 0; t <= 104000; ++t) {
        const int32_t v = BeatLockedTime(t);
        ASSERT_GE(v, t) << t;
        ASSERT_LE(v - t, 208) << t;
        ASSERT_GE(v, previous) << t;
        if (t % 416 == 0) {
            ASSERT_EQ(v, t) << t;
        }
        previous = v;
    }
}

TEST(WalkPhases, OneCycleOf32PositionsPerBarWithTheRobotsOutOfStep) {
    EXPECT_FLOAT_EQ(WalkPhase(0, kRobotLeadMs[0]), 0.0f);
    EXPECT_NEAR(WalkPhase(0, kRobotLeadMs[1]), 7.99f, 0.001f);
    EXPECT_NEAR(WalkPhase(0, kRobotLeadMs[2]), 15.98f, 0.001f);
    EXPECT_NEAR(WalkPhase(1665, kRobotLeadMs[0]), 31.96f, 0.002f);
    EXPECT_EQ(WalkPhase(1665, kRobotLeadMs[0]), 832 * 0.038415365f);
    EXPECT_FLOAT_EQ(WalkPhase(1666, kRobotLeadMs[0]), 0.0f);
    EXPECT_FLOAT_EQ(WalkPhase(3, 0), WalkPhase(2, 0)); // the halving truncates
    for (int32_t v = 0; v < 200000; v += 13) {
        for (int32_t lead : kRobotLeadMs) {
            const float p = WalkPhase(v, lead);
            ASSERT_GE(p, 0.0f);
            ASSERT_LT(p, 32.0f);
        }
    }
}

TEST(CityScript, TitleSwingsInToMinus120ThenOnToMinus270) {
    EXPECT_FALSE(TitleShown(6664));
    EXPECT_TRUE(TitleShown(6665));
    EXPECT_NEAR(-TitleSwing(6665), -4.9f, 0.01f);
    EXPECT_NEAR(-TitleSwing(13328), -120.0f, 0.001f);
    EXPECT_NEAR(-TitleSwing(13329), -158.6f, 0.05f);
    EXPECT_FLOAT_EQ(-TitleSwing(14078), -270.0f);
    EXPECT_FLOAT_EQ(-TitleSwing(33320), -270.0f);
    // Eases out: rests at 120 from 600 ms on, before the second swing.
    EXPECT_LT(TitleSwing(6664 + 300), 120.0f);
    EXPECT_NEAR(TitleSwing(6664 + 600), 120.0f, 0.001f);
}

TEST(CityScript, TurnBallsAndRibbonsAroundTheirSinglePrecisionEdges) {
    EXPECT_FALSE(CityTurnShown(19992));
    EXPECT_TRUE(CityTurnShown(19993));
    EXPECT_EQ(CityTurnPhase(23324), 0.49999997f);
    EXPECT_FALSE(CityBallsShown(CityTurnPhase(23324)));
    EXPECT_TRUE(CityBallsShown(CityTurnPhase(23325)));
    EXPECT_EQ(CityTurnPhase(26656), 0.99999994f);
    EXPECT_TRUE(CityRibbonsShown(CityTurnPhase(26656)));
    EXPECT_FALSE(CityRibbonsShown(CityTurnPhase(26657)));
    EXPECT_NEAR(CityTurnAngle(CityTurnPhase(33320)), 180.0f, 0.01f);
    EXPECT_FLOAT_EQ(CityCameraZ(0), 581.0f);
    EXPECT_NEAR(CityCameraZ(7500), 481.0f, 0.001f);
}

TEST(RoadScript, BarColoursRollAndRibbons) {
    EXPECT_EQ(BarColour(33321), 0xFFFF00u); // bar 20: cyan
    EXPECT_EQ(BarColour(34987), 0xFF00FFu); // bar 21: magenta
    EXPECT_EQ(BarColour(36653), 0x00FFFFu); // bar 22: yellow
    EXPECT_EQ(BarColour(0), 0x00009Fu);
    EXPECT_EQ(BarColour(3 * 1666), BarColour(7 * 1666));
    EXPECT_EQ(BarColour(-1), 0x00009Fu); // bar 0 (truncation), still inside the table
    EXPECT_EQ(BarColour(-1667), 0x0048FFu);

    EXPECT_FLOAT_EQ(RoadRoll(1000), -5.0f); // -5 degrees per second of beat-locked time
    EXPECT_FLOAT_EQ(RibbonFrame(RibbonRollOffset(0)), 1.0f);
    EXPECT_NEAR(RibbonFrame(RibbonRollOffset(16660)), 0.5835f, 0.0001f);
    EXPECT_FLOAT_EQ(RibbonFrame(RibbonRollOffset(40000)), 0.0f);
    EXPECT_FLOAT_EQ(RibbonFrame(RibbonRollOffset(60000)), 0.0f);
    EXPECT_FLOAT_EQ(RibbonRollOffset(2000), 10.0f);
}

TEST(CreditsScript, CreditsAndGreetingsWindowsAndTheSway) {
    EXPECT_TRUE(CreditsShown(CreditsTurn(17999)));
    EXPECT_FALSE(CreditsShown(CreditsTurn(18000)));
    EXPECT_FALSE(GreetingsShown(CreditsTurn(26550)));
    EXPECT_TRUE(GreetingsShown(CreditsTurn(26551)));
    EXPECT_TRUE(GreetingsShown(CreditsTurn(33320)));
    EXPECT_FALSE(GreetingsShown(CreditsTurn(37350)));

    // Beats 2 and 3 of four: t equals v, so the robots stand straight on the Z axis.
    float s = 1, c = 0;
    const int32_t t = 53313 + 1000;
    ASSERT_EQ((t / 416) % 4 >= 2, true);
    RobotSway(t, BeatLockedTime(t), &s, &c);
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(c, 1.0f);
    float lowest = 0;
    for (int32_t tt = 53313; tt < 86633; ++tt) {
        RobotSway(tt, BeatLockedTime(tt), &s, &c);
        ASSERT_LE(s, 0.0f);
        lowest = std::min(lowest, s);
    }
    EXPECT_NEAR(lowest, std::sin(-0.0624f), 1e-6f);
}

TEST(FinaleScript, RibbonsUnfoldOverTenBarsAndTheCityTurns) {
    EXPECT_FLOAT_EQ(FinaleRibbonFrame(0), 1.0f);
    EXPECT_NEAR(FinaleRibbonFrame(16659), 0.00006f, 0.00001f);
    EXPECT_GT(FinaleRibbonFrame(16659), 0.0f);
    EXPECT_EQ(FinaleRibbonFrame(16660), 0.0f);
    EXPECT_EQ(FinaleRibbonFrame(17400), 0.0f);
    EXPECT_FLOAT_EQ(FinaleYaw(10000), 1.0f);
}

TEST(Fades, IntroWhiteOverFourBarsOfTheCityScene) {
    EXPECT_TRUE(IntroFadeShown(kSceneCity, 0));
    EXPECT_FLOAT_EQ(IntroFadeAlpha(0), 1.0f);
    EXPECT_TRUE(IntroFadeShown(kSceneCity, 6663));
    EXPECT_FALSE(IntroFadeShown(kSceneCity, 6664));
    EXPECT_FALSE(IntroFadeShown(kSceneNone, 0));
    EXPECT_FALSE(IntroFadeShown(kSceneFinale, 0));
    EXPECT_NEAR(IntroFadeAlpha(3332), 0.5f, 1e-6f);
}

TEST(Fades, EndFadeFrom56BarsWithTheGlowAlphaInItsLowBits) {
    EXPECT_FALSE(EndFadeShown(93296));
    EXPECT_TRUE(EndFadeShown(93297));
    const float quarter = EndFadeLevel(98294);
    EXPECT_LT(quarter, 0.25f);
    EXPECT_GT(quarter, 0.2499f);
    EXPECT_EQ(EndFadeGlowAlpha(quarter), 62);
    const float almost = EndFadeLevel(103292);
    EXPECT_LT(almost, 1.0f);
    EXPECT_GT(almost, 0.9999f);
    EXPECT_GT(EndFadeLevel(103293), 1.0f);
    EXPECT_LE(EndFadeGlowAlpha(EndFadeLevel(103411)), 255);
    EXPECT_GT(EndFadeGlowAlpha(EndFadeLevel(103412)), 255);
    // A very late frame stays defined and keeps the low bits of the truncated product.
    const float late = EndFadeLevel(INT_MAX);
    const int64_t wide = static_cast<int64_t>(250.0f * late);
    EXPECT_EQ(EndFadeGlowAlpha(late) & 0xFF, static_cast<int32_t>(wide & 0xFF));
}

TEST(SpectrumLevel, FiveTimesTheBandClampedToUnit) {
    EXPECT_EQ(SpectrumLevel(0.3f), 1.0f);
    EXPECT_EQ(SpectrumLevel(-0.1f), 0.0f);
    EXPECT_FLOAT_EQ(SpectrumLevel(0.1f), 0.5f);
    EXPECT_EQ(SpectrumLevel(0.0f), 0.0f);
}

TEST(FrameGuard, PositionsStayInsideTheLoadedFrames) {
    bool clamped = true;
    EXPECT_EQ(ClampFramePosition(1.5f, 2, &clamped), 1.5f);
    EXPECT_FALSE(clamped);
    EXPECT_EQ(ClampFramePosition(0.0f, 1, &clamped), 0.0f);
    EXPECT_FALSE(clamped);

    float p = ClampFramePosition(31.96f, 4, &clamped);
    EXPECT_TRUE(clamped);
    EXPECT_LT(p, 4.0f);
    EXPECT_GT(p, 3.999f);
    EXPECT_EQ(static_cast<int32_t>(p), 3);

    p = ClampFramePosition(1.0f, 1, &clamped); // a tree of one frame at full level
    EXPECT_TRUE(clamped);
    EXPECT_LT(p, 1.0f);
    EXPECT_EQ(static_cast<int32_t>(p), 0);

    EXPECT_EQ(ClampFramePosition(-0.5f, 2, &clamped), 0.0f);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(ClampFramePosition(NAN, 2, &clamped), 0.0f);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(ClampFramePosition(0.5f, 0, &clamped), 0.0f);
    EXPECT_TRUE(clamped);
}
