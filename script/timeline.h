// The scene table, scene selection and the per-frame step of the show.
#pragma once
#include <cstdint>

constexpr int32_t kBarMs = 1666;
constexpr int32_t kBeatMs = 416;

void StepFrame(int32_t demoTime);
