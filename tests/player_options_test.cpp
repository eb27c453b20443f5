// The player's command line: what each option chooses and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/options.h"

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
    };
    for (const auto& [words, reason] : cases) {
        Parsed p = Parse(words);
        EXPECT_FALSE(p.ok) << reason;
        EXPECT_EQ(p.error, reason);
    }
}
