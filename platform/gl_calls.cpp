#include "platform/gl_calls.h"

#include <SDL.h>
#include "platform/gl_api.h"

namespace {

GLADapiproc LookUpGLCall(const char* name) {
    return reinterpret_cast<GLADapiproc>(SDL_GL_GetProcAddress(name));
}

} // namespace

bool LoadGLCalls(bool es) {
    if (!es) return gladLoadGL(LookUpGLCall) != 0;
    // Asked for OpenGL ES 2.0, a driver may give a later version (Mesa gives 3.2), which lists
    // its extensions only one by one: the loader needs that call, beyond 2.0, to read them.
    glad_glGetStringi = reinterpret_cast<PFNGLGETSTRINGIPROC>(LookUpGLCall("glGetStringi"));
    return gladLoadGLES2(LookUpGLCall) != 0;
}
