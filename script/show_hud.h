// The makers' heads-up display: the show's time, bar and beat, the scene and its script, the
// frame rate and the tree's spectrum level, over the finished frame.
#pragma once
#include <cstdint>
#include "script/timeline_math.h"

void ShowHud(bool shown);
bool HudShown();
// What the host measured over the last second, and whether its clock stands still.
void SetHudFrameStats(float framesPerSecond, float msPerFrame);
void SetHudPaused(bool paused);
// The script a scene type runs ("CityScene"), or "none".
const char* SceneScriptName(int32_t type);
// Called by StepFrame just before the frame is presented; nothing while the display is hidden.
void DrawShowHud(const SceneFrame& frame, int32_t t);
