// The player's clock and the makers' keys as plain numbers, apart from the platform: the clock
// reads the show's time from the ticks since the frame loop began, starts anywhere, holds,
// seeks and loops; a key press becomes a change of the clock and what the host must do with it.
#pragma once
#include <cstdint>

#include "platform/maker_keys.h"

struct ShowClock {
    uint32_t baseTick; // the tick at which the clock read baseTime
    int32_t baseTime;
    bool paused;
    int32_t loopStart; // the stretch [loopStart, loopEnd) repeats when loopEnd > loopStart
    int32_t loopEnd;
};

// What the host must do after a key or a turn of the loop.
struct ShowChange {
    bool seek;   // the show and its music go to `time`
    bool pause;  // the clock holds at `time`
    bool resume; // the clock goes on from `time`
    bool reload;
    bool toggleHud;
    int32_t time;
};

ShowClock StartShowClock(uint32_t tick, int32_t startMs, int32_t loopStart, int32_t loopEnd);
// The show's time at `tick`. Reaching the loop's end turns the clock back into the stretch and
// asks for a seek in *change (left untouched otherwise).
int32_t ReadShowClock(ShowClock* clock, uint32_t tick, ShowChange* change);
// Seeks stay within the show: 0 to its last millisecond.
ShowChange PressMakerKey(ShowClock* clock, const MakerKeyPress& press, uint32_t tick);
