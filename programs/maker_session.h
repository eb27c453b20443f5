// The player's own clock, for a show that starts elsewhere than 0, loops or takes the makers'
// keys: the frame loop's demo time, and the keys' effects on the show, its music and the
// heads-up display. The platform, the music and the script meet here; the decisions are
// maker_controls'.
#pragma once
#include <cstdint>

void BeginShowSession(int32_t startMs, int32_t loopStart, int32_t loopEnd, bool makerKeys);
// For FrameLoopSource: the demo time of a pass, after the keys pressed since the last one.
int32_t ShowSessionTime(uint32_t elapsed);
// For FrameLoopSource: StepFrame, timed for the heads-up display.
void StepSessionFrame(int32_t demoTime);
