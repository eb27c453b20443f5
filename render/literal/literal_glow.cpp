#include "render/literal/literal_glow.h"

#include "platform/gl_api.h"
#include "platform/platform.h"
#include "render/literal/literal_draw.h"
#include "render/literal/literal_quads.h"
#include "render/overlay.h"

uint32_t glowChain[kGlowLevels];
int32_t glowChainCreated = 0;

namespace {

constexpr int kGlowAlpha = 3; // index of the running alpha in glowColor
constexpr int32_t kByteMask = 0xFF;

// Black contents for the first definition of every level; each frame's copies replace them.
uint8_t glowBlack[kGlowSourceSize * kGlowSourceSize * 3];

} // namespace

void UpdateGlowLiteral() {
    if (glowChainCreated == 0) CreateGlowChain();
    CaptureGlowSource();
    DownsampleGlowChain();
}

void CreateGlowChain() {
    for (int i = 0; i < kGlowLevels; ++i) {
        const GLsizei size = kGlowSourceSize >> i;
        glGenTextures(1, &glowChain[i]);
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, glowBlack);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        // Only T is clamped; S keeps the default repeat.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glowChainCreated = 1;
}

void CaptureGlowSource() {
    if (GlowCaptured()) return;
    // The source is read from the lower-left 512x512 pixels of the surface.
    PlatformReserveSurface(kGlowSourceSize);
    glViewport(0, 0, kGlowSourceSize, kGlowSourceSize);
    // The frame's clear colour is the glow's background too.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderDrawListLiteral();
    glBindTexture(GL_TEXTURE_2D, glowChain[0]);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, kGlowSourceSize, kGlowSourceSize, 0);
    glViewport(0, 0, frameWidth, frameHeight);
    SetGlowCaptured(true);
}

void DownsampleGlowChain() {
    BeginOverlay2DLiteral();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3ubv(glowColor);
    // Each level is the previous one drawn at half size; linear filtering averages 2 x 2.
    for (int i = 1; i < kGlowLevels; ++i) {
        const GLsizei size = (kGlowSourceSize / 2) >> (i - 1);
        glViewport(0, 0, size, size);
        glBindTexture(GL_TEXTURE_2D, glowChain[i - 1]);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex3f(0, 0, 0);
        glTexCoord2f(1, 1);
        glVertex3f(kOverlayWidth, 0, 0);
        glTexCoord2f(1, 0);
        glVertex3f(kOverlayWidth, kOverlayHeight, 0);
        glTexCoord2f(0, 0);
        glVertex3f(0, kOverlayHeight, 0);
        glEnd();
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, size, size, 0);
    }
    glViewport(0, 0, frameWidth, frameHeight);
    // Leaves the frame clear for the visible pass.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EndOverlay2DLiteral();
}

void CompositeGlowLiteral(float x0, float y0, float x1, float y1, int32_t alpha, int32_t additive) {
    BeginOverlay2DLiteral();
    glEnable(GL_BLEND);
    if (additive & kByteMask)
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, frameWidth, frameHeight);
    // The colour's alpha byte is the running alpha; each level gets 15/16 of the one before.
    const uint8_t savedAlpha = glowColor[kGlowAlpha];
    glowColor[kGlowAlpha] = static_cast<uint8_t>(alpha & kByteMask);
    for (int i = 0; i < kGlowLevels; ++i) {
        glBindTexture(GL_TEXTURE_2D, glowChain[i]);
        glColor4ubv(glowColor);
        glowColor[kGlowAlpha] = static_cast<uint8_t>((glowColor[kGlowAlpha] * 15) >> 4);
        DrawOverlayRectLiteral(x0, y0, x1, y1);
    }
    glowColor[kGlowAlpha] = savedAlpha;
    EndOverlay2DLiteral();
}
