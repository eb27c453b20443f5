#include "host/display.h"

#include <GL/gl.h>
#include "host/platform.h"

int32_t renderStateApplied = 0;

void OpenDisplay(bool fullScreen) {
    PlatformOpenWindow(fullScreen);
    PlatformHideCursor();
}

void PresentFrame() {
    PlatformSwapBuffers();
}

void ApplyDefaultRenderState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // Sphere mapping is configured once here and only switched on and off by the draw list.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    renderStateApplied = 1;
}

void ClearDepthBuffer() {
    glClear(GL_DEPTH_BUFFER_BIT);
}
