// The per-frame step of the show: scene selection, the scene script, the post passes.
#pragma once
#include <cstdint>
#include "script/timeline_math.h"

extern TimelineState timeline;

// Back to the state before the first frame (scene 0, entered at 0).
void ResetTimeline();
void StepFrame(int32_t demoTime);
// The script of the frame's scene type, if it has one.
void RunSceneScript(const SceneFrame& frame, int32_t t);
