// OpenGL entry points beyond 1.1, looked up at run time: the system's GL library need not
// export them (on Windows opengl32.dll exports 1.1 only).
#pragma once

// The address of a GL function of the current context, or null where the context lacks it.
void* LookUpGLCall(const char* name);
