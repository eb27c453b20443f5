// The player's command line: what each option chooses and what is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "programs/options.h"
#include "programs/page_options.h"
#include "render/frame.h"
#include "support/test_support.h"

namespace {

struct Parsed {
    bool ok;
    PlayerOptions options;
    std::string error;
};

Parsed Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "lockstep");
    Parsed p;
    p.ok = ParsePlayerOptions(static_cast<int>(words.size()), words.data(), &p.options, &p.error);
    return p;
}

} // namespace

TEST(PlayerOptions, EachOptionChoosesItsScreenAndNoneAsks) {
    EXPECT_EQ(Parse({}).options.screen, ScreenAsk);
    EXPECT_EQ(Parse({"--fullscreen"}).options.screen, ScreenFullscreen);
    EXPECT_EQ(Parse({"--windowed"}).options.screen, ScreenWindowed);
    Parsed help = Parse({"--windowed", "--help"});
    EXPECT_TRUE(help.ok && help.options.help);
    EXPECT_FALSE(Parse({}).options.help);
}

TEST(PlayerOptions, UnknownRepeatedAndConflictingOptionsAreRefusedWithTheReason) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--fast"}, "unknown option --fast"},
        {{"fullscreen"}, "unexpected argument 'fullscreen'"},
        {{"--windowed", "--windowed"}, "--windowed is given twice"},
        {{"--help", "--help"}, "--help is given twice"},
        {{"--fullscreen", "--windowed"}, "--fullscreen and --windowed exclude each other"},
        {{"--help", "--bogus"}, "unknown option --bogus"},
        {{"--size", "native", "--size", "800x600"}, "--size is given twice"},
        {{"--size", "1440X1080"}, "--size wants WxH, such as 1440x1080, or native; not '1440X1080'"},
        {{"--size", "1440x1080x2"}, "--size wants WxH, such as 1440x1080, or native; not '1440x1080x2'"},
        {{"--size", "-800x-600"}, "--size wants WxH, such as 1440x1080, or native; not '-800x-600'"},
        {{"--size", "999999x750000"}, "--size wants WxH, such as 1440x1080, or native; not '999999x750000'"},
    };
    for (const auto& [words, reason] : cases) {
        Parsed p = Parse(words);
        EXPECT_FALSE(p.ok) << reason;
        EXPECT_EQ(p.error, reason);
    }
}

TEST(PlayerOptions, SizeIsNativeOrAFourByThreeFrameWithinTheBounds) {
    Parsed native = Parse({"--size", "native", "--fullscreen"});
    EXPECT_TRUE(native.ok && native.options.nativeSize);
    Parsed hd = Parse({"--size", "1440x1080"});
    EXPECT_TRUE(hd.ok && !hd.options.nativeSize);
    EXPECT_EQ(hd.options.frameWidth, 1440);
    EXPECT_EQ(hd.options.frameHeight, 1080);
    EXPECT_EQ(Parse({}).options.frameWidth, 0) << "no --size: the default";
    EXPECT_TRUE(Parse({"--size", "320x240"}).ok);
    EXPECT_TRUE(Parse({"--size", "16384x12288"}).ok);
    EXPECT_FALSE(Parse({"--size", "316x237"}).ok);
    EXPECT_FALSE(Parse({"--size", "16388x12291"}).ok);
    EXPECT_FALSE(Parse({"--size", "801x600"}).ok);
}

TEST(PlayerOptions, NativeSizeIsTheLargestFourByThreeFrameOfTheDesktop) {
    const int desktops[][4] = {
        {1920, 1080, 1440, 1080}, {1280, 1024, 1280, 960}, {3840, 2160, 2880, 2160},
        {1366, 768, 1024, 768},   {2560, 1600, 2132, 1599}, {800, 600, 800, 600},
        {32768, 24576, 16384, 12288}, {300, 1000, 0, 0},
    };
    for (const auto& d : desktops) {
        int w = -1, h = -1;
        NativeFrameSize(d[0], d[1], &w, &h);
        EXPECT_EQ(w, d[2]) << d[0] << "x" << d[1];
        EXPECT_EQ(h, d[3]) << d[0] << "x" << d[1];
    }
}

// The web page's address carries the same frame sizes, and the still hooks.
TEST(PageOptions, TheQueryGivesSizeAndStillsAndRefusesWithTheReason) {
    PageOptions o;
    std::string error;
    ASSERT_TRUE(ParsePageQuery("", &o, &error));
    EXPECT_EQ(o.stillMs, -1);
    EXPECT_EQ(o.frameWidth, 0);
    ASSERT_TRUE(ParsePageQuery("?size=1024x768&utm=x&still=34000&fps=10", &o, &error));
    EXPECT_EQ(o.frameWidth, 1024);
    EXPECT_EQ(o.frameHeight, 768);
    EXPECT_EQ(o.stillMs, 34000);
    EXPECT_EQ(o.fps, 10);
    ASSERT_TRUE(ParsePageQuery("size=native&still=0", &o, &error));
    EXPECT_TRUE(o.nativeSize);
    EXPECT_EQ(o.fps, kPageDefaultFps);

    const char* const refused[][2] = {
        {"?size=1000x700", "?size=1000x700 is not 4:3"},
        {"?size=big", "?size wants WxH"},
        {"?size=800x600&size=800x600", "size is given twice"},
        {"?still=-5", "?still wants whole milliseconds"},
        {"?still=3000&fps=0", "&fps wants a whole number from 1"},
        {"?fps=30", "it needs ?still=MS"},
        {"?size=-800x-600", "?size wants WxH"},
        {"?still=99999999999999999999", "not '99999999999999999999'"},
        {"?still=1e3", "not '1e3'"},
        {"?still=3000&fps=24&still=3000", "still is given twice"},
        {"?still=3000&fps=-60", "&fps wants a whole number from 1"},
    };
    for (const auto& [query, reason] : refused) {
        EXPECT_FALSE(ParsePageQuery(query, &o, &error)) << query;
        EXPECT_NE(error.find(reason), std::string::npos) << query << ": " << error;
    }
    // An address as long as a browser allows is quoted back in a line, not in full.
    for (const char* name : {"size", "still"}) {
        const std::string query = std::string("?") + name + "=" + std::string(100000, '7');
        EXPECT_FALSE(ParsePageQuery(query.c_str(), &o, &error));
        EXPECT_LT(error.size(), 160u) << error.substr(0, 200);
        EXPECT_NE(error.find("777..."), std::string::npos) << error.substr(0, 200);
    }
}

TEST(PlayerOptions, StartLoopAndMakerAndTheirBadValues) {
    Parsed p = Parse({"--start", "53313", "--maker"});
    EXPECT_TRUE(p.ok && p.options.maker);
    EXPECT_EQ(PlayerStartTime(p.options), 53313);
    p = Parse({"--loop", "33320-53312"});
    EXPECT_EQ(PlayerStartTime(p.options), 33320) << "a loop starts at its start";
    EXPECT_EQ(p.options.loopEndMs, 53312);
    EXPECT_EQ(PlayerStartTime(Parse({"--loop", "1000-2000", "--start", "0"}).options), 0);
    EXPECT_EQ(PlayerStartTime(Parse({}).options), 0);
    EXPECT_FALSE(Parse({}).options.maker);
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--start", "-5"}, "--start wants whole milliseconds from 0 to 103999, not '-5'"},
        {{"--start", "200000"}, "--start 200000 lies past the end of the show at 104000 ms"},
        {{"--start", "104000"}, "--start 104000 lies past the end of the show at 104000 ms"},
        {{"--start"}, "--start needs a value: MS"},
        {{"--start", "1", "--start", "2"}, "--start is given twice"},
        {{"--loop", "9-3"}, "--loop 9-3 does not end after it starts"},
        {{"--loop", "5-5"}, "--loop 5-5 does not end after it starts"},
        {{"--loop", "0-104001"}, "--loop 0-104001 runs past the end of the show at 104000 ms"},
        {{"--loop", "9"}, "--loop wants A-B in whole milliseconds, such as 33320-53312; not '9'"},
        {{"--loop", "1000-2000", "--start", "2000"}, "--start 2000 lies past the end of --loop 1000-2000"},
        {{"--maker", "--maker"}, "--maker is given twice"},
    };
    for (const auto& [words, reason] : cases) {
        Parsed bad = Parse(words);
        EXPECT_FALSE(bad.ok) << reason;
        EXPECT_EQ(bad.error, reason);
    }
}

TEST(PlayerOptions, TheEnvironmentsFramePathIsFastUnlessLiteralAndJunkIsSaid) {
    const std::vector<std::pair<const char*, int32_t>> cases = {
        {nullptr, FramePathFast}, {"", FramePathFast}, {"literal", FramePathLiteral},
        {"fast", FramePathFast}, {"LITERAL", FramePathFast}};
    const char* was = getenv("LOCKSTEP_FRAME_PATH");
    const std::string saved = was ? was : "";
    for (const auto& c : cases) {
        if (c.first) setenv("LOCKSTEP_FRAME_PATH", c.first, 1);
        else unsetenv("LOCKSTEP_FRAME_PATH");
        int32_t path = -1;
        Captured said = CaptureOutputOf([&] { path = FramePathFromEnvironment(); });
        EXPECT_EQ(path, c.second) << (c.first ? c.first : "(unset)");
        EXPECT_EQ(said.err, c.first && !strcmp(c.first, "LITERAL")
                                ? "lockstep: LOCKSTEP_FRAME_PATH is 'LITERAL', not fast or "
                                  "literal; fast it is\n"
                                : "");
    }
    if (was) setenv("LOCKSTEP_FRAME_PATH", saved.c_str(), 1);
    else unsetenv("LOCKSTEP_FRAME_PATH");
}
