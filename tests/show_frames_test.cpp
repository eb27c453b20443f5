// Whole frames of the show through StepFrame on a real GL context: backgrounds through the glow
// and the dirt, the intro white, the end fade, and which script each scene runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "programs/frame_loop.h"
#include "render/draw_list.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "support/show_data_set.h"
#include "support/test_support.h"

namespace {

void LoadShow(bool withData = true) {
    LoadShowDataSet({}, withData);
}

// As the frame loop runs it: BeginFrame lets the glow capture this frame.
void ShowFrame(int32_t t) {
    BeginFrame();
    StepFrame(t);
}

// A background channel after the additive glow: the cleared byte (value / 256 of full scale)
// plus eight levels of the same colour at alphas 12 down to 5 out of 255.
int GlowedChannel(int value) {
    const int cleared = static_cast<int>(std::lround(value / 256.0 * 255.0));
    return std::min(255, static_cast<int>(std::lround(cleared * (1.0 + 68.0 / 255.0))));
}

void ExpectNear(Rgba p, int r, int g, int b, int tolerance, const std::string& what) {
    EXPECT_NEAR(p.r, r, tolerance) << what;
    EXPECT_NEAR(p.g, g, tolerance) << what;
    EXPECT_NEAR(p.b, b, tolerance) << what;
}

// Top-left corner: background in every scene of the small data set.
constexpr int kBackgroundX = 6, kBackgroundY = 6;
// Inside the dirt picture's dark square.
constexpr int kDirtX = 650, kDirtY = 488;

int DistinctColours() {
    const std::vector<uint8_t> frame = ReadFrame();
    std::set<uint32_t> colours;
    for (size_t i = 0; i < frame.size(); i += 4 * 97) {
        colours.insert(frame[i] | frame[i + 1] << 8 | frame[i + 2] << 16);
    }
    return static_cast<int>(colours.size());
}

} // namespace

TEST(ShowFrames, BeforeTheFirstSceneTheDefaultBackgroundUnderGlowAndDirt) {
    LoadShow();
    ShowFrame(0);
    EXPECT_EQ(drawList.count, 0);
    ExpectNear(ReadScreenPixel(400, 300), 0, 255, 255, 1, "centre");
    // The dirt's grey square halves the frame there.
    ExpectNear(ReadScreenPixel(kDirtX, kDirtY), 0, 128, 128, 2, "dirt square");
    SaveFrame("show_t0");
}

TEST(ShowFrames, CityStartsWhiteAndFadesInOverFourBars) {
    LoadShow();
    ShowFrame(0);
    ShowFrame(16); // scene 0 entered: scene time 0, the white quad fully opaque
    const std::vector<uint8_t> frame = ReadFrame();
    int notWhite = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            if (x >= 595 && x < 705 && y >= 445 && y < 530) continue; // the dirt's dark square
            const uint8_t* p = &frame[((599 - y) * 800 + x) * 4];
            const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            if (!white && notWhite++ == 0) {
                ADD_FAILURE() << "(" << x << ", " << y << ") is " << int{p[0]} << " " << int{p[1]}
                              << " " << int{p[2]};
            }
        }
    }
    EXPECT_EQ(notWhite, 0);

    ShowFrame(16 + 3332); // half faded: the scene shows through
    EXPECT_GT(DistinctColours(), 1);
    SaveFrame("show_city_half_white");
    ShowFrame(16 + 6664); // fade over: grey city background
    ExpectNear(ReadScreenPixel(kBackgroundX, kBackgroundY), 255, 255, 255, 1, "grey, glowed");
    EXPECT_GT(DistinctColours(), 4);
    SaveFrame("show_city_6680");
    ShowFrame(16 + 10000);
    SaveFrame("show_city_title");
    ShowFrame(26000);
    SaveFrame("show_city_turn");
}

TEST(ShowFrames, RoadBackgroundFollowsTheBarColoursFromBar20To31) {
    LoadShow();
    ShowFrame(33321);
    // Bar number modulo 8 into the bar colours: bar 20 is index 4.
    const int expected[12][3] = {
        {0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {255, 72, 0},  {159, 0, 0},   {0, 117, 236},
        {144, 236, 0}, {255, 72, 0},  {0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {255, 72, 0},
    };
    for (int bar = 20; bar <= 31; ++bar) {
        const int32_t t = bar * 1666 + 833;
        ShowFrame(t);
        const int* c = expected[bar - 20];
        ExpectNear(ReadScreenPixel(kBackgroundX, kBackgroundY), GlowedChannel(c[0]),
                   GlowedChannel(c[1]), GlowedChannel(c[2]), 6, "bar " + std::to_string(bar));
        SaveFrame("show_road_bar" + std::to_string(bar));
    }
}

TEST(ShowFrames, EachSceneRunsItsScript) {
    LoadShow();
    struct Case {
        int32_t t;
        Mesh* first;
        int32_t count;
    };
    const Case cases[] = {
        {100, &city, 6},    {33321, &road2, 25}, {34987, &road2, 25}, {36653, &road2, 25},
        {53313, &city, 29}, {86633, &city, 11},  {0, nullptr, 0},     {103999, &city, 11},
    };
    for (const Case& c : cases) {
        ShowFrame(c.t);
        EXPECT_EQ(drawList.count, c.count) << "t = " << c.t;
        if (c.first) {
            EXPECT_EQ(drawList.entries[0].mesh, c.first) << "t = " << c.t;
        }
    }
    ShowFrame(60000);
    SaveFrame("show_credits");
    ShowFrame(90000);
    SaveFrame("show_finale");
}

TEST(ShowFrames, EndFadeDarkensToBlack) {
    LoadShow();
    ShowFrame(86633);
    ShowFrame(93296); // no fade yet: cyan, glowed
    ExpectNear(ReadScreenPixel(kBackgroundX, kBackgroundY), 0, 255, 255, 1, "93296");
    const Rgba before = ReadScreenPixel(kBackgroundX, kBackgroundY);
    ShowFrame(98294); // a quarter black, over the blended glow of the scene
    const Rgba quarter = ReadScreenPixel(kBackgroundX, kBackgroundY);
    EXPECT_LT(quarter.g, before.g);
    EXPECT_GT(quarter.g, 64);
    SaveFrame("show_end_fade_98294");
    ShowFrame(103300);
    const std::vector<uint8_t> frame = ReadFrame();
    int lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4) lit += frame[i] | frame[i + 1] | frame[i + 2];
    EXPECT_EQ(lit, 0);
    ShowFrame(103999);
    ExpectNear(ReadScreenPixel(400, 300), 0, 0, 0, 0, "103999");
}

TEST(ShowFrames, EmptyDataFolderStillPlaysEveryScene) {
    LoadShow(false);
    for (int32_t t : {0, 16, 5000, 20000, 33321, 40000, 53313, 70000, 86633, 98294, 104000}) {
        ShowFrame(t);
    }
    ExpectNear(ReadScreenPixel(400, 300), 0, 0, 0, 0, "end");
    ShowFrame(40000); // back into the road scene: bar 24, dark red
    ExpectNear(ReadScreenPixel(400, 300), GlowedChannel(159), 0, 0, 3, "bar 24");
    // Nothing but background: the blended glow keeps the cyan and the quad takes a quarter.
    ShowFrame(98294);
    ExpectNear(ReadScreenPixel(400, 300), 0, 190, 190, 3, "98294");
    TearDownScenes();
}
