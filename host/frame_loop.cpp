#include "host/frame_loop.h"

#include "render/glow.h"

void BeginFrame() {
    glowCaptured = 0;
}

int32_t RunFrameLoop(const FrameLoopSource& source) {
    const uint32_t startTick = source.ticks();
    int32_t stop = 0;
    int32_t frames = 0;
    // The test follows the frame: the frame that reaches the end, or sees Escape, is drawn.
    while (stop == 0) {
        const uint32_t elapsed = source.ticks() - startTick;
        const int32_t demoTime =
            source.demoTime ? source.demoTime(elapsed) : static_cast<int32_t>(elapsed);
        BeginFrame();
        source.stepFrame(demoTime);
        ++frames;
        const int32_t keyState = source.escapeState();
        stop = keyState | (demoTime >= kDemoLengthMs ? 1 : 0);
        source.sleep(1);
    }
    return frames;
}
