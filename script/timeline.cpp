#include "script/timeline.h"

#include "platform/display.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/screen_quads.h"
#include "script/scene_objects.h"
#include "script/scene_scripts.h"
#include "script/show_hud.h"

TimelineState timeline = kTimelineStart;

namespace {

constexpr uint32_t kDefaultBackground = 0xFFFF00;
constexpr int32_t kGlowAlpha = 12;

// What the post passes of this frame lay over it.
FrameFinish PostPasses(const SceneFrame& frame, int32_t t) {
    FrameFinish finish = {};
    finish.glowAlpha = kGlowAlpha;
    finish.intro = IntroFadeShown(frame.type, frame.sceneTime);
    if (finish.intro) finish.introAlpha = IntroFadeAlpha(frame.sceneTime);
    finish.endFade = EndFadeShown(t);
    if (finish.endFade) {
        finish.endLevel = EndFadeLevel(t);
        finish.endGlowAlpha = EndFadeGlowAlpha(finish.endLevel);
    }
    finish.dirtSlot = dirtTexture;
    finish.whiteSlot = whiteTexture;
    return finish;
}

} // namespace

void RunSceneScript(const SceneFrame& frame, int32_t t) {
    switch (frame.type) {
    case kSceneCity:
        CityScene(frame.sceneTime);
        break;
    case kSceneRoadLong:
    case kSceneRoadMiddle:
    case kSceneRoadFirst:
        RoadScene(frame.type, frame.entered, frame.sceneTime, t);
        break;
    case kSceneCredits:
        CreditsScene(frame.entered, frame.sceneTime, t);
        break;
    case kSceneFinale:
        FinaleScene(frame.entered, frame.sceneTime);
        break;
    default:
        break; // no script: the default background under the post passes
    }
}

void ResetTimeline() {
    timeline = kTimelineStart;
}

void StepFrame(int32_t demoTime) {
    ClearDepthBuffer();
    ResetDrawList();
    ClearToColor(kDefaultBackground);

    const SceneFrame frame = AdvanceTimeline(&timeline, demoTime);
    RunSceneScript(frame, demoTime);

    UpdateGlow();
    RenderDrawList();
    FinishFrame(PostPasses(frame, demoTime));
    DrawShowHud(frame, demoTime);
    PresentFrame();
}
