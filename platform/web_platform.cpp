// The platform layer in a web page: the canvas and its WebGL context, the Escape key, the clock.
// The same interface as the SDL layer (platform/platform.h), so the display, the frame loop and
// everything they drive are the desktop's code; the page's own flow is in programs/web_main.cpp.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

#include "platform/gl_api.h"
#include "platform/gl_calls.h"
#include "platform/platform.h"
#include "platform/web_page.h"

int frameWidth = kDefaultFrameWidth;
int frameHeight = kDefaultFrameHeight;

namespace {

constexpr char kCanvas[] = "#canvas";

struct WebPlatformState {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context; // 0 until the context exists
    bool keepFrames;     // the canvas keeps the last frame for reading (stills)
    bool keysWatched;
    bool escapeDown;     // held now
    bool escapePressed;  // pressed since the previous query
    void (*contextLost)();
    void (*contextRestored)();
};

WebPlatformState platform;

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    if (strcmp(event->key, "Escape") != 0) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    platform.escapeDown = down;
    if (down) platform.escapePressed = true;
    return EM_TRUE;
}

EM_BOOL OnContextLost(int, const void*, void*) {
    if (platform.contextLost) platform.contextLost();
    return EM_TRUE; // the default prevented: the browser may give the context back
}

EM_BOOL OnContextRestored(int, const void*, void*) {
    if (platform.contextRestored) platform.contextRestored();
    return EM_TRUE;
}

} // namespace

// Leaving full screen is how a browser's own Escape reaches the page: the page counts it as one.
extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_escape() {
    platform.escapePressed = true;
}

void WebKeepFrames(bool keep) {
    platform.keepFrames = keep;
}

void WebWatchContext(void (*lost)(), void (*restored)()) {
    platform.contextLost = lost;
    platform.contextRestored = restored;
}

bool WebContextLost() {
    return !platform.context || emscripten_is_webgl_context_lost(platform.context);
}

bool WebRenewContext() {
    if (platform.context) emscripten_webgl_destroy_context(platform.context);
    platform.context = 0;
    PageNewCanvas();
    return PlatformOpenWindow(false);
}

void WebSetFrameSize(int width, int height) {
    frameWidth = width;
    frameHeight = height;
    emscripten_set_canvas_element_size(kCanvas, width, height);
    PageLayout();
}

bool PlatformOpenWindow(bool) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // Opaque, as the desktop's window surface: blending sees the same destination.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = platform.keepFrames ? EM_TRUE : EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    emscripten_set_canvas_element_size(kCanvas, frameWidth, frameHeight);
    platform.context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (platform.context <= 0) {
        platform.context = 0;
        return false;
    }
    emscripten_webgl_make_context_current(platform.context);
    if (!LoadGLCalls(true)) {
        fprintf(stderr, "lockstep: the WebGL context gives no OpenGL ES 2.0 calls\n");
        emscripten_webgl_destroy_context(platform.context);
        platform.context = 0;
        return false;
    }
    emscripten_set_webglcontextlost_callback(kCanvas, nullptr, EM_FALSE, OnContextLost);
    emscripten_set_webglcontextrestored_callback(kCanvas, nullptr, EM_FALSE, OnContextRestored);
    if (!platform.keysWatched) {
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
        emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
        platform.keysWatched = true;
    }
    return true;
}

bool PlatformHasGL() {
    return platform.context != 0;
}

bool PlatformContextIsES() {
    return true;
}

// Only the literal passes draw their glow source on the frame's own surface, and WebGL has none
// of their fixed function.
bool PlatformReserveSurface(int) {
    return false;
}

bool PlatformDesktopSize(int* width, int* height) {
    PagePixels(false, width, height);
    return *width > 0 && *height > 0;
}

bool PlatformFrameFitsContext() {
    if (!platform.context) return true;
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    if (frameWidth <= viewport[0] && frameHeight <= viewport[1] &&
        frameWidth <= renderbuffer && frameHeight <= renderbuffer)
        return true;
    fprintf(stderr, "lockstep: a %dx%d frame is larger than this browser's WebGL allows (at most "
                    "%dx%d)\n", frameWidth, frameHeight, viewport[0], viewport[1]);
    return false;
}

void PlatformSwapBuffers() {
    // The browser presents the canvas when the page's frame callback returns.
}

uint32_t PlatformTicks() {
    return static_cast<uint32_t>(emscripten_get_now());
}

void PlatformSleep(uint32_t) {
    // The page is called once a frame; it never waits.
}

int32_t PlatformEscapeState() {
    // The classic key-state word, as the SDL layer gives it.
    int16_t state = platform.escapeDown ? static_cast<int16_t>(0x8000) : 0;
    if (platform.escapePressed) state |= 1;
    platform.escapePressed = false;
    return state;
}

void PlatformHideCursor() {
    PageHideCursor(true);
}

void PlatformShutdown() {
    fflush(stdout);
    fflush(stderr);
    PageHideCursor(false);
    PageLeaveFullscreen();
}

namespace {

GLADapiproc LookUpGLCall(const char* name) {
    return reinterpret_cast<GLADapiproc>(emscripten_webgl_get_proc_address(name));
}

} // namespace

// WebGL 1 is OpenGL ES 2.0 to the loader (Emscripten's GL_VERSION says so).
bool LoadGLCalls(bool) {
    return gladLoadGLES2(LookUpGLCall) != 0;
}
