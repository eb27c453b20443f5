// The player's clock and the makers' keys as numbers: where each key takes the show, that a pause
// holds the time, and that a loop turns back into its stretch.
#include <gtest/gtest.h>

#include "programs/maker_controls.h"

namespace {

ShowChange Press(ShowClock* clock, MakerKey key, uint32_t tick, bool shift = false) {
    return PressMakerKey(clock, MakerKeyPress{key, shift, 0}, tick);
}

int32_t Read(ShowClock* clock, uint32_t tick) {
    ShowChange change = {};
    const int32_t t = ReadShowClock(clock, tick, &change);
    EXPECT_FALSE(change.seek) << "no loop, no turn";
    return t;
}

} // namespace

TEST(MakerControls, KeysSeekByBarsBeatsAndScenesWithinTheShow) {
    ShowClock clock = StartShowClock(0, 40000, 0, 0);
    EXPECT_EQ(Read(&clock, 500), 40500);
    struct Case {
        MakerKey key;
        bool shift;
        int32_t to;
    };
    const Case cases[] = {
        {MakerKeyOn, false, 40500 + 1666},     // Right: a bar on
        {MakerKeyBack, true, 41750},           // Shift+Left: a beat back
        {MakerKeyNextScene, false, 53313},     // PageDown: the credits' first millisecond
        {MakerKeyPreviousScene, false, 36653}, // within a beat of its start: the one before
        {MakerKeyPreviousScene, false, 34987},
        {MakerKeyHome, false, 0},
        {MakerKeyBack, false, 0}, // not before the show
        {MakerKeyNextScene, false, 1},
    };
    for (const Case& c : cases) {
        const ShowChange change = Press(&clock, c.key, 500, c.shift);
        EXPECT_TRUE(change.seek);
        EXPECT_EQ(change.time, c.to) << "key " << c.key;
        EXPECT_EQ(Read(&clock, 500), c.to);
    }
    // A PageUp well into a scene goes to its own start; the last scene has no next one.
    Press(&clock, MakerKeyHome, 500);
    EXPECT_EQ(Read(&clock, 3000), 2500);
    EXPECT_EQ(Press(&clock, MakerKeyPreviousScene, 3000).time, 1);
    clock = StartShowClock(0, 103500, 0, 0);
    EXPECT_EQ(Press(&clock, MakerKeyNextScene, 0).time, 103500);
    EXPECT_EQ(Press(&clock, MakerKeyOn, 0).time, 103999) << "not past the show's last millisecond";
}

TEST(MakerControls, PauseHoldsTheClockAndSeeksWhilePausedStayPaused) {
    ShowClock clock = StartShowClock(1000, 5000, 0, 0);
    ShowChange change = Press(&clock, MakerKeyPause, 1300);
    EXPECT_TRUE(change.pause);
    EXPECT_EQ(change.time, 5300);
    EXPECT_EQ(Read(&clock, 9000), 5300);
    change = Press(&clock, MakerKeyOn, 9000, true);
    EXPECT_EQ(change.time, 5716);
    EXPECT_EQ(Read(&clock, 12000), 5716);
    change = Press(&clock, MakerKeyPause, 12000);
    EXPECT_TRUE(change.resume);
    EXPECT_EQ(change.time, 5716);
    EXPECT_EQ(Read(&clock, 12250), 5966);
    // R and H leave the clock alone.
    EXPECT_TRUE(Press(&clock, MakerKeyReload, 12250).reload);
    EXPECT_TRUE(Press(&clock, MakerKeyHud, 12250).toggleHud);
    EXPECT_EQ(Read(&clock, 12250), 5966);
}

TEST(MakerControls, ALoopTurnsBackIntoItsStretchAndAsksForASeek) {
    ShowClock clock = StartShowClock(0, 2000, 2000, 3000);
    EXPECT_EQ(Read(&clock, 999), 2999);
    ShowChange change = {};
    EXPECT_EQ(ReadShowClock(&clock, 1016, &change), 2016) << "16 ms past the end";
    EXPECT_TRUE(change.seek);
    EXPECT_EQ(change.time, 2016);
    EXPECT_EQ(Read(&clock, 1500), 2500);
    // A whole turn and more between two frames still lands inside.
    change = {};
    EXPECT_EQ(ReadShowClock(&clock, 4100, &change), 2100);
    EXPECT_TRUE(change.seek);
}
