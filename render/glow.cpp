#include "render/glow.h"

#include "render/frame.h"

void UpdateGlow() {
    framePathOps->updateGlow();
}

void CompositeGlow(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive) {
    framePathOps->compositeGlow(x0, y0, x1, y1, alpha, additive);
}
