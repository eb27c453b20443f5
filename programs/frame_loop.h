// The frame loop: one demo time per pass, stop after the frame in which Escape is seen or the
// show's end is reached.
#pragma once
#include <cstdint>

constexpr int32_t kDemoLengthMs = 104000;

// The loop's view of the platform; the demo passes the real layer, tests pass fakes.
struct FrameLoopSource {
    uint32_t (*ticks)();
    int32_t (*escapeState)();
    void (*sleep)(uint32_t ms);
    void (*stepFrame)(int32_t demoTime);
    // The demo time of a pass from the ticks since the loop began (a clock that starts elsewhere,
    // holds, seeks or loops); null: those ticks themselves.
    int32_t (*demoTime)(uint32_t elapsed);
};

// Clears the glow chain's captured flag at the start of every frame.
void BeginFrame();
// One pass for a host that is called once a frame (the web page): the frame at demoTime, then
// the stop rule. True when the show ends after this frame.
bool RunFramePass(const FrameLoopSource& source, int32_t demoTime);
// Runs passes until the stop rule holds; returns the number of frames drawn.
int32_t RunFrameLoop(const FrameLoopSource& source);

// The demo time of frame n of a run stepped at a fixed rate from 0: round(n * 1000 / fps),
// halves up. The capture tool and the web page's stills step alike, so their frames match.
int32_t RegularFrameTime(int32_t n, int32_t fps);
