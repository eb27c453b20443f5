#include "script/show_hud.h"

#include <cstdio>

#include "render/hud.h"
#include "script/scene_scripts.h"

namespace {

constexpr int32_t kBeatsPerBar = 4;

struct ShowHudState {
    bool shown;
    bool paused;
    float framesPerSecond;
    float msPerFrame;
};

ShowHudState showHud;

} // namespace

void ShowHud(bool shown) {
    showHud.shown = shown;
}

bool HudShown() {
    return showHud.shown;
}

void SetHudFrameStats(float framesPerSecond, float msPerFrame) {
    showHud.framesPerSecond = framesPerSecond;
    showHud.msPerFrame = msPerFrame;
}

void SetHudPaused(bool paused) {
    showHud.paused = paused;
}

const char* SceneScriptName(int32_t type) {
    switch (type) {
    case kSceneCity:
        return "CityScene";
    case kSceneRoadLong:
    case kSceneRoadMiddle:
    case kSceneRoadFirst:
        return "RoadScene";
    case kSceneCredits:
        return "CreditsScene";
    case kSceneFinale:
        return "FinaleScene";
    default:
        return "none";
    }
}

void DrawShowHud(const SceneFrame& frame, int32_t t) {
    if (!showHud.shown) return;
    // Bars from 0 as the scene table counts them, beats from 1; four beats are 2 ms short of a
    // bar, so its last 2 ms still count to the fourth beat.
    const int32_t inBar = t >= 0 ? t % kBarMs : 0;
    int32_t beat = inBar / kBeatMs + 1;
    if (beat > kBeatsPerBar) beat = kBeatsPerBar;
    char timeLine[kHudMaxColumns + 1], sceneLine[kHudMaxColumns + 1], rateLine[kHudMaxColumns + 1];
    snprintf(timeLine, sizeof timeLine, "%d ms  bar %d.%d%s", t, BarNumber(t), beat,
             showHud.paused ? "  paused" : "");
    snprintf(sceneLine, sizeof sceneLine, "scene %d %s", frame.type, SceneScriptName(frame.type));
    snprintf(rateLine, sizeof rateLine, "%.1f fps  %.1f ms/frame",
             static_cast<double>(showHud.framesPerSecond), static_cast<double>(showHud.msPerFrame));
    const char* const lines[] = {timeLine, sceneLine, rateLine};
    DrawHud(lines, 3, "tree", TreeSpectrumLevel());
}
