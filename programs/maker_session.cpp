#include "programs/maker_session.h"

#include <chrono>
#include <cstdio>

#include "music/music.h"
#include "platform/platform.h"
#include "programs/maker_controls.h"
#include "script/show_hud.h"
#include "script/show_seek.h"
#include "script/timeline.h"

namespace {

constexpr uint32_t kStatsPeriodMs = 1000;
constexpr double kMsPerSecond = 1000.0;

struct ShowSession {
    ShowClock clock;
    bool makerKeys;
    uint32_t passTick; // PlatformTicks when the pass's demo time was read
    // Frames and the time StepFrame took since statsSince, for the heads-up display.
    uint32_t statsSince;
    int32_t statsFrames;
    double statsStepMs;
};

ShowSession session;

// The music is moved a little after the clock was read: by then the clock has gone on.
int32_t MusicTime(int32_t time) {
    if (session.clock.paused) return time;
    return time + static_cast<int32_t>(PlatformTicks() - session.passTick);
}

// Each key says what it did on stderr, so a maker can note the times; the loop's turns do not.
void ApplyChange(const ShowChange& change) {
    if (change.seek) {
        SeekShow(change.time, EntryTimesEveryMillisecond());
        SeekMusic(MusicTime(change.time));
        if (session.makerKeys)
            fprintf(stderr, "lockstep: at %d ms (bar %d)\n", change.time, BarNumber(change.time));
    }
    if (change.pause) {
        PauseMusic();
        SetHudPaused(true);
        fprintf(stderr, "lockstep: paused at %d ms\n", change.time);
    }
    if (change.resume) {
        SetHudPaused(false);
        ResumeMusic(MusicTime(change.time));
        fprintf(stderr, "lockstep: playing on from %d ms\n", change.time);
    }
    if (change.reload) {
        fprintf(stderr, "lockstep: reloading the data set at %d ms\n", change.time);
        ReloadShow(change.time);
        ReloadMusic(MusicTime(change.time));
    }
    if (change.toggleHud) {
        ShowHud(!HudShown());
        fprintf(stderr, "lockstep: heads-up display %s\n", HudShown() ? "on" : "off");
    }
}

} // namespace

void BeginShowSession(int32_t startMs, int32_t loopStart, int32_t loopEnd, bool makerKeys) {
    session = ShowSession{};
    session.clock = StartShowClock(0, startMs, loopStart, loopEnd);
    session.makerKeys = makerKeys;
    session.statsSince = PlatformTicks();
    PlatformTakeMakerKeys(makerKeys);
}

int32_t ShowSessionTime(uint32_t elapsed) {
    session.passTick = PlatformTicks();
    MakerKeyPress press;
    while (session.makerKeys && PlatformNextMakerKey(&press))
        ApplyChange(PressMakerKey(&session.clock, press, elapsed));
    ShowChange turn = {};
    const int32_t t = ReadShowClock(&session.clock, elapsed, &turn);
    ApplyChange(turn);
    return t;
}

void StepSessionFrame(int32_t demoTime) {
    const auto before = std::chrono::steady_clock::now();
    StepFrame(demoTime);
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - before;
    session.statsStepMs += took.count();
    ++session.statsFrames;
    const uint32_t span = PlatformTicks() - session.statsSince;
    if (span >= kStatsPeriodMs) {
        SetHudFrameStats(static_cast<float>(session.statsFrames * kMsPerSecond / span),
                         static_cast<float>(session.statsStepMs / session.statsFrames));
        session.statsSince += span;
        session.statsFrames = 0;
        session.statsStepMs = 0;
    }
}
