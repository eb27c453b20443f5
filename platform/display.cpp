#include "platform/display.h"

#include "platform/gl_api.h"
#include "platform/platform.h"

int32_t renderStateApplied = 0;

void OpenDisplay(bool fullScreen) {
    PlatformOpenWindow(fullScreen);
    PlatformHideCursor();
}

void PresentFrame() {
    PlatformSwapBuffers();
}

// OpenGL ES has no fixed function: there only the calls it knows are made, and the shaders do
// the rest (texturing always, sphere mapping where the draw list switches it on).
void ApplyDefaultRenderState() {
    if (!GLAD_GL_VERSION_1_1 && !GLAD_GL_ES_VERSION_2_0) return; // no context
    if (!GLAD_GL_VERSION_1_1) {
        glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
        glClearDepthf(1.0f);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glCullFace(GL_BACK);
        glEnable(GL_CULL_FACE);
        renderStateApplied = 1;
        return;
    }
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
