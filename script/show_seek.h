// Going anywhere in the show as if it had played through to there: for the makers' controls, the
// capture tool and a web page's controls. No platform calls; the caller moves its clock and the
// music.
#pragma once
#include <cstdint>
#include "script/timeline_math.h"

// The first millisecond a scene of the table holds: one after its start bar's time.
int32_t SceneStartTime(int32_t index);
// The start of the first scene that begins after t; t itself when none does.
int32_t NextSceneStart(int32_t t);
// The start of the last scene that begins more than a beat before t, so that a second press
// early in a scene goes on to the one before; 0 when none does.
int32_t PreviousSceneStart(int32_t t);

// After a seek each scene's time counts from the moment a show playing through on the caller's
// frame grid would have entered it: the first frame past its start. The player's grid is every
// millisecond; the capture tool's is its fixed rate.
struct SceneEntryTimes {
    int32_t times[kSceneTableSize];
};
SceneEntryTimes EntryTimesEveryMillisecond();

// Leaves the scene objects, the camera and the timeline as playing through to t would have left
// them for the frame at t: placements back to set-up's, then each earlier scene's script run on
// its first and last frame and the scene of t run on its first, without drawing. Scripts keep
// no state but the meshes and the camera, and a scene leaves behind what its first and last
// frames set, so these few runs stand for every frame before t.
void SeekShow(int32_t t, const SceneEntryTimes& entries);

// Tears the scenes down and sets them up again from the data folder, then puts the show back at
// t with the scene on show keeping its entry time. The loaders report missing or bad files as at
// start-up; whatever did not load is shown as start-up would show it.
void ReloadShow(int32_t t);
// The GL context was lost and is back empty (or a new one took its place): every GL object is
// forgotten and made again, the default render state set, and the show reloaded at t as
// ReloadShow does, from the data folder's files (which a web page keeps in memory).
void RemakeShowContext(int32_t t);
