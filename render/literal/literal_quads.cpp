#include "render/literal/literal_quads.h"

#include "assets/texture_slots.h"
#include "platform/gl_api.h"
#include "platform/platform.h"
#include "render/overlay.h"

void DrawScreenImageLiteral(int32_t slot, float x0, float y0, float x1, float y1, int32_t blend) {
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

void BeginOverlay2DLiteral() {
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

void EndOverlay2DLiteral() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void DrawTintedQuadLiteral(float x0, float y0, float x1, float y1, float r, float g, float b,
                           float a, int32_t slot) {
    BeginOverlay2DLiteral();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, frameWidth, frameHeight);
    glBindTexture(GL_TEXTURE_2D, TextureSlotName(slot));
    glColor4f(r, g, b, a);
    DrawOverlayRectLiteral(x0, y0, x1, y1);
    glColor4f(1, 1, 1, 1);
    EndOverlay2DLiteral();
}

void DrawOverlayRectLiteral(float x0, float y0, float x1, float y1) {
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
