#include "script/show_seek.h"

#include "platform/display.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/timeline.h"

int32_t SceneStartTime(int32_t index) {
    return kSceneTable[index].startBar * kBarMs + 1;
}

int32_t NextSceneStart(int32_t t) {
    for (int32_t i = 0; i < kSceneTableSize; ++i) {
        if (SceneStartTime(i) > t) return SceneStartTime(i);
    }
    return t;
}

int32_t PreviousSceneStart(int32_t t) {
    int32_t start = 0;
    for (int32_t i = 0; i < kSceneTableSize; ++i) {
        if (SceneStartTime(i) < t - kBeatMs) start = SceneStartTime(i);
    }
    return start;
}

SceneEntryTimes EntryTimesEveryMillisecond() {
    SceneEntryTimes entries;
    for (int32_t i = 0; i < kSceneTableSize; ++i) entries.times[i] = SceneStartTime(i);
    return entries;
}

void SeekShow(int32_t t, const SceneEntryTimes& entries) {
    int32_t type = kSceneNone, index = -1;
    SelectScene(t, &type, &index);
    ResetScenePlacements();
    // The scripts queue meshes as they pose them; nothing of that is drawn.
    for (int32_t i = 0; i <= index; ++i) {
        const int32_t entered = entries.times[i];
        RunSceneScript(SceneFrame{kSceneTable[i].type, i, true, 0}, entered);
        ResetDrawList();
        if (i == index) break;
        // Its last frame: the last millisecond before the next scene holds.
        const int32_t last = kSceneTable[i + 1].startBar * kBarMs;
        RunSceneScript(SceneFrame{kSceneTable[i].type, i, false, last - entered}, last);
        ResetDrawList();
    }
    timeline.previousSceneIndex = index;
    timeline.sceneEntryTime = index >= 0 ? entries.times[index] : t;
}

void ReloadShow(int32_t t) {
    SceneEntryTimes entries = EntryTimesEveryMillisecond();
    const int32_t shown = timeline.previousSceneIndex;
    if (shown >= 0 && shown < kSceneTableSize) entries.times[shown] = timeline.sceneEntryTime;
    TearDownScenes();
    SetUpScenes();
    SeekShow(t, entries);
}

void RemakeShowContext(int32_t t) {
    ForgetGLObjects();
    ApplyDefaultRenderState();
    CheckFramePath();
    ReloadShow(t);
}
