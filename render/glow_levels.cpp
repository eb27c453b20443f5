#include "render/glow_levels.h"

uint8_t glowColor[4] = {255, 255, 255, 0};

namespace {

// Set by the capture, cleared at the start of every frame.
bool glowCaptured = false;

} // namespace

bool GlowCaptured() {
    return glowCaptured;
}

void SetGlowCaptured(bool captured) {
    glowCaptured = captured;
}
