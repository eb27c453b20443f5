// Linked into every test program: the environment the tests expect, set before main runs.
#include <cstdlib>

namespace {
// No display and no sound card here: Mesa's llvmpipe through EGL and SDL's dummy audio output.
// A variable set from outside (a test that wants the disk output, say) wins.
struct TestEnvironment {
    TestEnvironment() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    }
} testEnvironment;
} // namespace

// Allocations made inside the system's GL and audio drivers are not the demo's to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libGLX_mesa\nleak:libEGL_mesa\nleak:swrast_dri\nleak:libgallium\nleak:libLLVM\n"
           "leak:libdbus\nleak:libX11\nleak:libasound\nleak:libpulse\n";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }
extern "C" const char* __tsan_default_options() {
    return "suppressions=" LOCKSTEP_TSAN_SUPPRESSIONS;
}
