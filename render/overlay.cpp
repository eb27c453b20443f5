#include "render/overlay.h"

#include "platform/gl_api.h"

void ApplyScreenBlend(int32_t blend) {
    glEnable(GL_BLEND);
    switch (blend) {
    case ScreenOpaque:
        glDisable(GL_BLEND);
        break;
    case ScreenAdditive:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case ScreenMultiply:
        glBlendFunc(GL_ZERO, GL_SRC_COLOR);
        break;
    case ScreenAlpha:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    default:
        break; // blending on with whatever function was set before
    }
}
