#include "script/timeline.h"

#include <GL/gl.h>
#include "host/display.h"

// Placeholder frame until the scene scripts land: the default background, presented.
void StepFrame(int32_t) {
    ClearDepthBuffer();
    glClearColor(0.0f, 0.99609375f, 0.99609375f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    PresentFrame();
}
