#include "programs/frame_loop.h"

#include "render/frame.h"

void BeginFrame() {
    StartRenderFrame();
}

bool RunFramePass(const FrameLoopSource& source, int32_t demoTime) {
    BeginFrame();
    source.stepFrame(demoTime);
    // The test follows the frame: the frame that reaches the end, or sees Escape, is drawn.
    const int32_t keyState = source.escapeState();
    return (keyState | (demoTime >= kDemoLengthMs ? 1 : 0)) != 0;
}

int32_t RunFrameLoop(const FrameLoopSource& source) {
    const uint32_t startTick = source.ticks();
    bool stop = false;
    int32_t frames = 0;
    while (!stop) {
        const uint32_t elapsed = source.ticks() - startTick;
        const int32_t demoTime =
            source.demoTime ? source.demoTime(elapsed) : static_cast<int32_t>(elapsed);
        stop = RunFramePass(source, demoTime);
        ++frames;
        source.sleep(1);
    }
    return frames;
}

int32_t RegularFrameTime(int32_t n, int32_t fps) {
    const int64_t scaled = static_cast<int64_t>(n) * 1000;
    return static_cast<int32_t>((2 * scaled + fps) / (2 * static_cast<int64_t>(fps)));
}
