#include "render/glow.h"

uint32_t glowChain[kGlowLevels];
int32_t glowChainCreated = 0;
int32_t glowCaptured = 0;
uint8_t glowColor[4] = {255, 255, 255, 0};

void UpdateGlow() {}
void CreateGlowChain() {}
void CaptureGlowSource() {}
void DownsampleGlowChain() {}
void CompositeGlow(float, float, float, float, int32_t, int32_t) {}
