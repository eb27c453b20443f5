#include "programs/maker_controls.h"

#include "programs/frame_loop.h"
#include "script/show_seek.h"
#include "script/timeline_math.h"

namespace {

int32_t ClampToShow(int32_t t) {
    if (t < 0) return 0;
    return t < kDemoLengthMs ? t : kDemoLengthMs - 1;
}

int32_t ClockTime(const ShowClock& clock, uint32_t tick) {
    if (clock.paused) return clock.baseTime;
    return clock.baseTime + static_cast<int32_t>(tick - clock.baseTick);
}

void SetClock(ShowClock* clock, uint32_t tick, int32_t time) {
    clock->baseTick = tick;
    clock->baseTime = time;
}

} // namespace

ShowClock StartShowClock(uint32_t tick, int32_t startMs, int32_t loopStart, int32_t loopEnd) {
    ShowClock clock = {};
    SetClock(&clock, tick, startMs);
    clock.loopStart = loopStart;
    clock.loopEnd = loopEnd;
    return clock;
}

int32_t ReadShowClock(ShowClock* clock, uint32_t tick, ShowChange* change) {
    int32_t t = ClockTime(*clock, tick);
    const int32_t length = clock->loopEnd - clock->loopStart;
    if (length > 0 && t >= clock->loopEnd) {
        t = clock->loopStart + (t - clock->loopEnd) % length;
        SetClock(clock, tick, t);
        change->seek = true;
        change->time = t;
    }
    return t;
}

ShowChange PressMakerKey(ShowClock* clock, const MakerKeyPress& press, uint32_t tick) {
    ShowChange change = {};
    const int32_t now = ClockTime(*clock, tick);
    const int32_t step = press.shift ? kBeatMs : kBarMs;
    int32_t target = now;
    switch (press.key) {
    case MakerKeyPause:
        SetClock(clock, tick, now);
        clock->paused = !clock->paused;
        change.pause = clock->paused;
        change.resume = !clock->paused;
        change.time = now;
        return change;
    case MakerKeyReload:
        change.reload = true;
        change.time = now;
        return change;
    case MakerKeyHud:
        change.toggleHud = true;
        change.time = now;
        return change;
    case MakerKeyBack:
        target = now - step;
        break;
    case MakerKeyOn:
        target = now + step;
        break;
    case MakerKeyPreviousScene:
        target = PreviousSceneStart(now);
        break;
    case MakerKeyNextScene:
        target = NextSceneStart(now);
        break;
    case MakerKeyHome:
        target = 0;
        break;
    default:
        return change;
    }
    change.seek = true;
    change.time = ClampToShow(target);
    SetClock(clock, tick, change.time);
    return change;
}
