// The show's timing arithmetic, kept apart from GL so it can be checked as plain numbers.
// Bars and beats are integer milliseconds with truncating division; the animation constants are
// single-precision values and every stored result is rounded to float, as the show was timed.
#pragma once
#include <cstdint>

constexpr int32_t kBarMs = 1666;
constexpr int32_t kBeatMs = 416;
constexpr int32_t kHalfBeatMs = 208;

// Scene types of the scene table; any other type runs no script.
constexpr int32_t kSceneNone = 0;
constexpr int32_t kSceneCity = 1;
constexpr int32_t kSceneRoadLong = 2;   // bars 22-31
constexpr int32_t kSceneRoadMiddle = 3; // bar 21
constexpr int32_t kSceneRoadFirst = 4;  // bar 20
constexpr int32_t kSceneCredits = 7;
constexpr int32_t kSceneFinale = 8;

struct SceneTableEntry {
    int32_t startBar;
    int32_t type;
};
constexpr int32_t kSceneTableSize = 6;
extern const SceneTableEntry kSceneTable[kSceneTableSize];

// What the timeline hands a scene script for one frame.
struct SceneFrame {
    int32_t type;  // kSceneNone when no entry holds
    int32_t index; // -1 when no entry holds
    bool entered;  // the index differs from the previous frame's
    int32_t sceneTime;
};

// The only values carried from frame to frame.
struct TimelineState {
    int32_t previousSceneIndex;
    int32_t sceneEntryTime;
};
constexpr TimelineState kTimelineStart = {0, 0};

// Type and index of the last entry whose start lies strictly before t.
void SelectScene(int32_t t, int32_t* type, int32_t* index);
// Selection plus entry detection; updates the carried state.
SceneFrame AdvanceTimeline(TimelineState* state, int32_t t);

// Double speed through the first half of beats 0 and 1 of every four, then held; t in beats 2, 3.
int32_t BeatLockedTime(int32_t t);
int32_t BarNumber(int32_t t);

// Whole-frame fades.
bool IntroFadeShown(int32_t type, int32_t sceneTime);
float IntroFadeAlpha(int32_t sceneTime);
constexpr int32_t kEndFadeStartMs = 93296; // 56 bars
bool EndFadeShown(int32_t t);
float EndFadeLevel(int32_t t); // q: alpha of the black quad, above 1 from 103293 ms
// trunc(250 q) of which the glow composite uses the low 8 bits; exact in those bits for any t.
int32_t EndFadeGlowAlpha(float level);

// Scene script values.
float SpectrumLevel(float band); // 5 x band, clamped to [0, 1]
float WalkPhase(int32_t v, int32_t leadMs);
constexpr int32_t kRobotLeadMs[3] = {0, 416, 833};
uint32_t BarColour(int32_t t);
float CityCameraZ(int32_t d);
constexpr int32_t kTitleSwingStartMs = 6664;   // 4 bars
constexpr int32_t kTitleSecondSwingMs = 13328; // 8 bars
bool TitleShown(int32_t d);
float TitleSwing(int32_t d);                // the title's yaw is minus this
constexpr int32_t kCityTurnStartMs = 19992; // 12 bars
bool CityTurnShown(int32_t d);
float CityTurnPhase(int32_t d); // u: 0 to 2 over the last 8 bars of the scene
float CityTurnAngle(float phase);
bool CityBallsShown(float phase);
bool CityRibbonsShown(float phase);
float RoadRoll(int32_t v);
float RibbonRollOffset(int32_t d); // k
float RibbonFrame(float rollOffset);
float CreditsTurn(int32_t d); // f, degrees
bool CreditsShown(float turn);
bool GreetingsShown(float turn);
void RobotSway(int32_t t, int32_t v, float* sinTheta, float* cosTheta);
float FinaleYaw(int32_t d);
float FinaleRibbonFrame(int32_t d);
