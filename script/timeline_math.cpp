#include "script/timeline_math.h"

#include <cmath>

const SceneTableEntry kSceneTable[kSceneTableSize] = {
    {0, kSceneCity},      {20, kSceneRoadFirst}, {21, kSceneRoadMiddle},
    {22, kSceneRoadLong}, {32, kSceneCredits},   {52, kSceneFinale},
};

namespace {

// Single-precision values of simple fractions; the show was timed with exactly these.
constexpr float kPerFourBars = 0.00015006002f;   // 1/6664
constexpr float kPerSixBars = 0.00010004001f;    // 1/9996
constexpr float kPerTenBars = 0.000060024009f;   // 1/16660
constexpr float kWalkFramesPerMs = 0.038415365f; // 64/1666, applied to halved milliseconds
constexpr float kCityCameraSpeed = 0.013333334f; // 1/75
constexpr float kOneOver120 = 0.008333334f;
constexpr float kOneOver170 = 0.005882353f;
constexpr float kTitleSpeed = 0.2f;
constexpr float kTitleFirstSwing = 120.0f;
constexpr float kTitleRest = 100.0f;
constexpr float kTitleSecondRange = 170.0f;
constexpr float kTitleEnd = 270.0f;
constexpr float kCityTurnScale = 45.0f;
constexpr float kRoadRollSpeed = 0.005f;
constexpr float kRibbonRollSpeed = 0.005f;
constexpr float kRibbonFrameSpeed = 0.005f;
constexpr float kCreditsTurnSpeed = 0.02f;
constexpr float kCreditsEnd = 360.0f;
constexpr float kGreetingsStart = 531.0f;
constexpr float kGreetingsEnd = 747.0f;
constexpr float kSwaySpeed = 0.0003f;
constexpr float kFinaleYawSpeed = 0.0001f;
constexpr int32_t kFinaleRibbonMs = 16660;
constexpr float kSpectrumGain = 5.0f;
constexpr float kEndFadeGlowScale = 250.0f;
constexpr float kCityCameraStartZ = 581.0f;
constexpr int32_t kBarColourCount = 8;

constexpr uint32_t kBarColours[kBarColourCount] = {
    0x00009F, 0xEC7500, 0x00EC90, 0x0048FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x0048FF,
};

float ClampUnit(float x) {
    if (x < 0.0f) x = 0.0f;
    if (x > 1.0f) x = 1.0f;
    return x;
}

} // namespace

void SelectScene(int32_t t, int32_t* type, int32_t* index) {
    int32_t chosen = kSceneNone;
    int32_t count = 0;
    while (count < kSceneTableSize && kSceneTable[count].startBar * kBarMs < t) {
        chosen = kSceneTable[count].type;
        ++count;
    }
    *type = chosen;
    *index = count - 1;
}

SceneFrame AdvanceTimeline(TimelineState* state, int32_t t) {
    SceneFrame frame;
    SelectScene(t, &frame.type, &frame.index);
    // Indices, not types, and in either direction: going back re-enters a scene.
    frame.entered = frame.index != state->previousSceneIndex;
    if (frame.entered) state->sceneEntryTime = t;
    state->previousSceneIndex = frame.index;
    frame.sceneTime = t - state->sceneEntryTime;
    return frame;
}

int32_t BeatLockedTime(int32_t t) {
    const int32_t beat = t / kBeatMs;
    const int32_t rest = t % kBeatMs;
    if (beat & 2) return t;
    return rest < kHalfBeatMs ? t + rest : t - rest + kBeatMs;
}

int32_t BarNumber(int32_t t) {
    return t / kBarMs;
}

bool IntroFadeShown(int32_t type, int32_t sceneTime) {
    return type == kSceneCity && sceneTime < kTitleSwingStartMs;
}

float IntroFadeAlpha(int32_t sceneTime) {
    return 1.0f - static_cast<float>(sceneTime) * kPerFourBars;
}

bool EndFadeShown(int32_t t) {
    return t > kEndFadeStartMs;
}

float EndFadeLevel(int32_t t) {
    const float w = static_cast<float>(t - kEndFadeStartMs) * kPerSixBars;
    return w * w;
}

int32_t EndFadeGlowAlpha(float level) {
    // Truncated through 64 bits so a late frame cannot overflow; the low bits are unchanged.
    const float alpha = kEndFadeGlowScale * level;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(alpha)));
}

float SpectrumLevel(float band) {
    return ClampUnit(kSpectrumGain * band);
}

float WalkPhase(int32_t v, int32_t leadMs) {
    return static_cast<float>(((v + leadMs) % kBarMs) / 2) * kWalkFramesPerMs;
}

uint32_t BarColour(int32_t t) {
    // Kept in the table for times before the show too, which no script is given.
    const int32_t slot = BarNumber(t) % kBarColourCount;
    return kBarColours[slot < 0 ? slot + kBarColourCount : slot];
}

float CityCameraZ(int32_t d) {
    return kCityCameraStartZ - static_cast<float>(d) * kCityCameraSpeed;
}

bool TitleShown(int32_t d) {
    return d > kTitleSwingStartMs;
}

float TitleSwing(int32_t d) {
    float a = static_cast<float>(d - kTitleSwingStartMs) * kTitleSpeed;
    if (a > kTitleFirstSwing) a = kTitleFirstSwing;
    float swing = kTitleFirstSwing * std::sqrt(a * kOneOver120);
    if (d > kTitleSecondSwingMs) {
        float b = swing + static_cast<float>(d - kTitleSecondSwingMs) * kTitleSpeed;
        if (b > kTitleEnd) b = kTitleEnd;
        swing = kTitleRest + kTitleSecondRange * std::sqrt((b - kTitleRest) * kOneOver170);
    }
    return swing;
}

bool CityTurnShown(int32_t d) {
    return d > kCityTurnStartMs;
}

float CityTurnPhase(int32_t d) {
    return static_cast<float>(d - kCityTurnStartMs) * kPerFourBars;
}

float CityTurnAngle(float phase) {
    return kCityTurnScale * (phase * phase);
}

bool CityBallsShown(float phase) {
    return phase > 0.5f;
}

bool CityRibbonsShown(float phase) {
    return phase < 1.0f;
}

float RoadRoll(int32_t v) {
    return -static_cast<float>(v) * kRoadRollSpeed;
}

float RibbonRollOffset(int32_t d) {
    return static_cast<float>(d) * kRibbonRollSpeed;
}

float RibbonFrame(float rollOffset) {
    return ClampUnit(1.0f - rollOffset * kRibbonFrameSpeed);
}

float CreditsTurn(int32_t d) {
    return static_cast<float>(d) * kCreditsTurnSpeed;
}

bool CreditsShown(float turn) {
    return turn < kCreditsEnd;
}

bool GreetingsShown(float turn) {
    return turn > kGreetingsStart && turn < kGreetingsEnd;
}

void RobotSway(int32_t t, int32_t v, float* sinTheta, float* cosTheta) {
    const float theta = static_cast<float>(t - v) * kSwaySpeed;
    *sinTheta = static_cast<float>(std::sin(static_cast<double>(theta)));
    *cosTheta = static_cast<float>(std::cos(static_cast<double>(theta)));
}

float FinaleYaw(int32_t d) {
    return static_cast<float>(d) * kFinaleYawSpeed;
}

float FinaleRibbonFrame(int32_t d) {
    if (d >= kFinaleRibbonMs) return 0.0f;
    return 1.0f - static_cast<float>(d) * kPerTenBars;
}
