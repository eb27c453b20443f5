#include "host/gl_calls.h"

#include <SDL.h>

void* LookUpGLCall(const char* name) {
    return SDL_GL_GetProcAddress(name);
}
