// Loading the GL entry points of the current context into the loader's pointers.
#pragma once

// Fills the pointers from the current context: desktop OpenGL, or OpenGL ES 2.0 when es is
// set. False when the context gives no GL at all.
bool LoadGLCalls(bool es);
