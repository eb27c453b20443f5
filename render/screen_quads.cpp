#include "render/screen_quads.h"

#include "assets/texture_slots.h"
#include "host/gl_api.h"
#include "host/platform.h"
#include "render/frame.h"
#include "render/shaded/shaded_quads.h"

namespace {

// Clear colours are byte / 256, so a full byte gives 0.99609375, never 1.0.
constexpr double kClearByteScale = 0.00390625;
constexpr int32_t kByteMask = 0xFF;

} // namespace

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

void ClearToRGB(int32_t r, int32_t g, int32_t b) {
    glClearColor(static_cast<GLclampf>((r & kByteMask) * kClearByteScale),
                 static_cast<GLclampf>((g & kByteMask) * kClearByteScale),
                 static_cast<GLclampf>((b & kByteMask) * kClearByteScale), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void ClearToColor(uint32_t packed) {
    ClearToRGB(static_cast<int32_t>(packed & kByteMask),
               static_cast<int32_t>((packed >> 8) & kByteMask),
               static_cast<int32_t>((packed >> 16) & kByteMask));
}

void DrawScreenImage(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend) {
    if (!LiteralFrames()) {
        DrawScreenImageShaded(slot, x0, y0, x1, y1, blend);
        return;
    }
    // Everything is saved, so the frame's state (and the camera's projection) survive the quad.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    ApplyScreenBlend(blend);
    // A missing picture binds texture 0 and draws as a plain quad in the current colour.
    glBindTexture(GL_TEXTURE_2D, TextureSlotName(slot));

    // Counter-clockwise on screen, so the quad survives back-face culling.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, 0);
    glTexCoord2f(0, 1);
    glVertex3f(x0, y1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(x1, y1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(x1, y0, 0);
    glEnd();
    glColor3f(1, 1, 1);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void BeginOverlay2D() {
    if (!LiteralFrames()) {
        BeginOverlay2DShaded();
        return;
    }
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, kOverlayWidth, kOverlayHeight, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

// Only the enable bits come back; blend function, texture environment, viewport and colour
// set inside the overlay stay, and later passes rely on that.
void EndOverlay2D() {
    if (!LiteralFrames()) {
        EndOverlay2DShaded();
        return;
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void DrawTintedQuad(float x0, float y0, float x1, float y1, float r, float g, float b, float a,
                    int32_t slot) {
    if (!LiteralFrames()) {
        DrawTintedQuadShaded(x0, y0, x1, y1, r, g, b, a, slot);
        return;
    }
    BeginOverlay2D();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, frameWidth, frameHeight);
    glBindTexture(GL_TEXTURE_2D, TextureSlotName(slot));
    glColor4f(r, g, b, a);
    DrawOverlayRect(x0, y0, x1, y1);
    glColor4f(1, 1, 1, 1);
    EndOverlay2D();
}

void DrawOverlayRect(float x0, float y0, float x1, float y1) {
    if (!LiteralFrames()) {
        DrawOverlayRectShaded(x0, y0, x1, y1);
        return;
    }
    // Texture rows run bottom-up, overlay rows top-down: hence 1 - y.
    glBegin(GL_QUADS);
    glTexCoord2f(x0, 1 - y0);
    glVertex2f(kOverlayWidth * x0, kOverlayHeight * y0);
    glTexCoord2f(x1, 1 - y0);
    glVertex2f(kOverlayWidth * x1, kOverlayHeight * y0);
    glTexCoord2f(x1, 1 - y1);
    glVertex2f(kOverlayWidth * x1, kOverlayHeight * y1);
    glTexCoord2f(x0, 1 - y1);
    glVertex2f(kOverlayWidth * x0, kOverlayHeight * y1);
    glEnd();
}
