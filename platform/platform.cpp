#include "platform/platform.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gl_api.h"
#include "platform/gl_calls.h"

int frameWidth = kDefaultFrameWidth;
int frameHeight = kDefaultFrameHeight;

// The layer's own state. Where the window's surface is not the frame (full screen, a window
// shrunk to the desktop), or is smaller than a renderer asked for (PlatformReserveSurface), the
// show renders into an offscreen framebuffer object, so that the rest of the system always sees
// a surface of the frame's size at the lower left; presenting copies it to the window, scaled
// to fit.
namespace {

constexpr int kMakerKeyQueue = 16; // presses between two frames; more are dropped
constexpr int kSoundOutputQueue = 8; // outputs come and go a few at a time; more are dropped

struct PlatformState {
    SDL_Window* window;
    SDL_GLContext context;
    bool videoReady;
    bool es;     // an OpenGL ES 2.0 context (LOCKSTEP_GL=es2)
    bool scaled; // rendering into the offscreen frame, copied to the window on present
    GLuint frame;
    GLuint frameBuffers[2]; // colour and depth of the offscreen frame
    int surfaceWidth, surfaceHeight; // what the show draws into
    bool escapePressed; // pressed since the previous query
    bool makerKeys;
    MakerKeyPress keys[kMakerKeyQueue];
    int keyCount;
    SoundOutputChange outputChanges[kSoundOutputQueue];
    int outputChangeCount;
};

PlatformState platform;

bool InitVideo() {
    if (platform.videoReady) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        fprintf(stderr, "lockstep: cannot start the video system: %s\n", SDL_GetError());
        return false;
    }
    platform.videoReady = true;
    return true;
}

// LOCKSTEP_GL: "es2" asks for an OpenGL ES 2.0 context, "gl" (or nothing) for desktop OpenGL.
bool WantsES() {
    const char* wanted = getenv("LOCKSTEP_GL");
    if (!wanted || !*wanted || !strcmp(wanted, "gl")) return false;
    if (!strcmp(wanted, "es2")) return true;
    fprintf(stderr, "lockstep: LOCKSTEP_GL is '%s', not gl or es2; desktop OpenGL it is\n", wanted);
    return false;
}

// The offscreen frame at width x height, replacing an earlier one. Desktop OpenGL only: OpenGL
// ES 2.0 has neither the 8-bit renderbuffers nor the blit that presents it.
bool CreateScaledFrame(int width, int height) {
    if (platform.es || !glGenFramebuffers || !glBlitFramebuffer) return false;
    if (platform.frame) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &platform.frame);
        glDeleteRenderbuffers(2, platform.frameBuffers);
        platform.frame = 0;
    }
    GLuint* buffers = platform.frameBuffers;
    glGenRenderbuffers(2, buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    // No alpha, as the window's own surface: reads give opaque pixels and blending sees the same
    // destination.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glGenFramebuffers(1, &platform.frame);
    glBindFramebuffer(GL_FRAMEBUFFER, platform.frame);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return false;
    }
    platform.surfaceWidth = width;
    platform.surfaceHeight = height;
    return true;
}

// The context's limits on the frame, or false when there is no current context.
bool ReadFrameLimits(GLint viewport[2], GLint* renderbuffer) {
    if (!SDL_GL_GetCurrentContext()) return false;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, renderbuffer);
    return true;
}

bool FrameWithinLimits() {
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    if (!ReadFrameLimits(viewport, &renderbuffer)) return true;
    return frameWidth <= viewport[0] && frameHeight <= viewport[1] &&
           std::max(frameWidth, frameHeight) <= renderbuffer;
}

// Largest rectangle of the frame's shape that fits width x height.
void FitFrame(int width, int height, int* fitWidth, int* fitHeight) {
    *fitWidth = width;
    *fitHeight = static_cast<int>(int64_t(width) * frameHeight / frameWidth);
    if (*fitHeight > height) {
        *fitHeight = height;
        *fitWidth = static_cast<int>(int64_t(height) * frameWidth / frameHeight);
    }
}

// A window of the frame's size that would not fit the desktop is shrunk to fit; an offscreen
// surface has no desktop to fit.
void FitWindowToDesktop(int* width, int* height) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && !strcmp(driver, "offscreen")) return;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return;
    if (*width <= usable.w && *height <= usable.h) return;
    FitFrame(usable.w, usable.h, width, height);
    fprintf(stderr, "lockstep: the %dx%d frame is larger than the desktop; it is shown scaled "
                    "down in a %dx%d window\n", frameWidth, frameHeight, *width, *height);
}

struct MakerKeyBinding {
    SDL_Keycode sym;
    MakerKey key;
    bool repeats; // only the arrows scrub while held; a held Space or R would toggle or reload
};
const MakerKeyBinding kMakerKeyBindings[] = {
    {SDLK_SPACE, MakerKeyPause, false},        {SDLK_LEFT, MakerKeyBack, true},
    {SDLK_RIGHT, MakerKeyOn, true},            {SDLK_PAGEUP, MakerKeyPreviousScene, false},
    {SDLK_PAGEDOWN, MakerKeyNextScene, false}, {SDLK_HOME, MakerKeyHome, false},
    {SDLK_r, MakerKeyReload, false},           {SDLK_h, MakerKeyHud, false},
};

MakerKey MakerKeyOf(const SDL_KeyboardEvent& key) {
    for (const MakerKeyBinding& binding : kMakerKeyBindings) {
        if (binding.sym != key.keysym.sym) continue;
        return key.repeat && !binding.repeats ? MakerKeyNone : binding.key;
    }
    return MakerKeyNone;
}

void KeepMakerKey(const SDL_KeyboardEvent& key) {
    const MakerKey maker = MakerKeyOf(key);
    if (maker == MakerKeyNone || platform.keyCount == kMakerKeyQueue) return;
    const bool shift = (key.keysym.mod & KMOD_SHIFT) != 0;
    platform.keys[platform.keyCount++] = MakerKeyPress{maker, shift, key.timestamp};
}

void KeepSoundOutputChange(const SDL_AudioDeviceEvent& event) {
    if (event.iscapture || platform.outputChangeCount == kSoundOutputQueue) return;
    const bool added = event.type == SDL_AUDIODEVICEADDED;
    // An added output only says "try now" (SDL names every output at start): one will do.
    const int last = platform.outputChangeCount - 1;
    if (added && last >= 0 && platform.outputChanges[last].added) return;
    platform.outputChanges[platform.outputChangeCount++] = SoundOutputChange{added, event.which};
}

} // namespace

bool PlatformAskFullscreen() {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.title = "Fullscreen?";
    box.message = "";
    box.numbuttons = 2;
    box.buttons = buttons;
    int answer = 0;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        // No box on this display (no X core fonts, no display at all): say so, never guess quietly.
        fprintf(stderr, "lockstep: cannot ask \"Fullscreen?\" (%s); the show plays in a window\n",
                SDL_GetError());
        return false;
    }
    return answer == 1;
}

bool PlatformOpenWindow(bool fullScreen) {
    if (!InitVideo()) return false;
    platform.es = WantsES();
    if (platform.es) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    int width = frameWidth, height = frameHeight;
    if (!fullScreen) FitWindowToDesktop(&width, &height);
    if (fullScreen) {
        // The desktop keeps its mode; the window covers it (also without a window manager).
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            width = desktop.w;
            height = desktop.h;
        }
    }
    // A 32-bit depth buffer where the driver has one, else the common 24 bits.
    const int depthSizes[] = {32, 24, 16};
    for (int depth : depthSizes) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        platform.window = SDL_CreateWindow("lockstep", 0, 0, width, height, flags);
        if (!platform.window) continue;
        platform.context = SDL_GL_CreateContext(platform.window);
        if (platform.context) break;
        SDL_DestroyWindow(platform.window);
        platform.window = nullptr;
    }
    if (!platform.window) {
        fprintf(stderr, "lockstep: cannot open a %dx%d %s window: %s\n", frameWidth,
                frameHeight, platform.es ? "OpenGL ES 2.0" : "OpenGL", SDL_GetError());
        return false;
    }
    SDL_GL_MakeCurrent(platform.window, platform.context);
    if (!LoadGLCalls(platform.es)) {
        fprintf(stderr, "lockstep: the %s context gives no OpenGL calls\n",
                platform.es ? "OpenGL ES 2.0" : "OpenGL");
        SDL_GL_DeleteContext(platform.context);
        SDL_DestroyWindow(platform.window);
        platform.context = nullptr;
        platform.window = nullptr;
        return false;
    }
    SDL_GL_SetSwapInterval(1);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(platform.window, &w, &h);
    platform.surfaceWidth = w;
    platform.surfaceHeight = h;
    const bool offscreenFrame = fullScreen || w != frameWidth || h != frameHeight;
    // A frame beyond the context's limits is refused by the caller (PlatformFrameFitsContext).
    if (offscreenFrame && FrameWithinLimits()) {
        platform.scaled = CreateScaledFrame(frameWidth, frameHeight);
        if (!platform.scaled)
            fprintf(stderr, "lockstep: no framebuffer objects to scale with; drawing unscaled\n");
    }
    glViewport(0, 0, frameWidth, frameHeight);
    return true;
}

bool PlatformReserveSurface(int side) {
    if (platform.surfaceWidth >= side && platform.surfaceHeight >= side) return true;
    if (!platform.window) return false;
    const int width = std::max(frameWidth, side), height = std::max(frameHeight, side);
    platform.scaled = CreateScaledFrame(width, height);
    if (!platform.scaled) {
        fprintf(stderr, "lockstep: no framebuffer objects for a %dx%d surface; the frame is "
                        "drawn on a smaller one\n", width, height);
        // Asked once: the answer does not change.
        platform.surfaceWidth = platform.surfaceHeight = side;
    }
    return platform.scaled;
}

bool PlatformHasGL() {
    return platform.context != nullptr;
}

bool PlatformContextIsES() {
    return platform.es;
}

bool PlatformDesktopSize(int* width, int* height) {
    SDL_DisplayMode desktop;
    if (!InitVideo() || SDL_GetDesktopDisplayMode(0, &desktop) != 0) return false;
    *width = desktop.w;
    *height = desktop.h;
    return true;
}

bool PlatformFrameFitsContext() {
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    if (FrameWithinLimits() || !ReadFrameLimits(viewport, &renderbuffer)) return true;
    fprintf(stderr, "lockstep: a %dx%d frame is larger than this OpenGL allows (viewport at most "
                    "%dx%d, renderbuffer at most %d)\n",
            frameWidth, frameHeight, viewport[0], viewport[1], renderbuffer);
    return false;
}

void PlatformReadFrame(uint8_t* rgba) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (platform.es) {
        // OpenGL ES reads the bound framebuffer; the offscreen driver's single-buffered surface
        // still holds the frame after the swap.
    } else if (platform.scaled) {
        // The offscreen frame stays bound between presents and keeps its contents.
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    } else {
        // A single-buffered surface (the offscreen driver's) still holds the frame after the
        // swap; on a double-buffered one the presented frame is the front buffer.
        GLint doubleBuffered = 0;
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
        glReadBuffer(doubleBuffered ? GL_FRONT : GL_BACK);
    }
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void PlatformSwapBuffers() {
    if (!platform.window) return;
    if (platform.scaled) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(platform.window, &w, &h);
        // Largest 4:3 rectangle that fits, centred: bars at the sides (or top and bottom). A
        // frame chosen to fit is copied 1:1.
        int fitW = 0, fitH = 0;
        FitFrame(w, h, &fitW, &fitH);
        int x = (w - fitW) / 2, y = (h - fitH) / 2;
        GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        glDisable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, platform.frame);
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glBlitFramebuffer(0, 0, frameWidth, frameHeight, x, y, x + fitW, y + fitH,
                          GL_COLOR_BUFFER_BIT, GL_LINEAR);
        SDL_GL_SwapWindow(platform.window);
        glBindFramebuffer(GL_FRAMEBUFFER, platform.frame);
        glClearColor(clear[0], clear[1], clear[2], clear[3]);
        if (scissor) glEnable(GL_SCISSOR_TEST);
        return;
    }
    SDL_GL_SwapWindow(platform.window);
}

uint32_t PlatformTicks() {
    return SDL_GetTicks();
}

void PlatformSleep(uint32_t ms) {
    SDL_Delay(ms);
}

int32_t PlatformEscapeState() {
    // The sound output's events come without a window too (SDL starts its events with audio).
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) platform.escapePressed = true;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)
            platform.escapePressed = true;
        if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
            platform.escapePressed = true;
        if (event.type == SDL_KEYDOWN && platform.makerKeys) KeepMakerKey(event.key);
        if (event.type == SDL_AUDIODEVICEADDED || event.type == SDL_AUDIODEVICEREMOVED)
            KeepSoundOutputChange(event.adevice);
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    // The classic key-state word: top bit for "down now", bottom bit for "pressed since the
    // last query", as a 16-bit value sign-extended to 32 bits.
    int16_t state = 0;
    if (keys && keys[SDL_SCANCODE_ESCAPE]) state = static_cast<int16_t>(0x8000);
    if (platform.escapePressed) state |= 1;
    platform.escapePressed = false;
    return state;
}

void PlatformTakeMakerKeys(bool on) {
    platform.makerKeys = on;
    platform.keyCount = 0;
}

bool PlatformNextMakerKey(MakerKeyPress* press) {
    if (platform.keyCount == 0) return false;
    *press = platform.keys[0];
    --platform.keyCount;
    for (int i = 0; i < platform.keyCount; ++i) platform.keys[i] = platform.keys[i + 1];
    return true;
}

bool PlatformNextSoundOutputChange(SoundOutputChange* change) {
    if (platform.outputChangeCount == 0) return false;
    *change = platform.outputChanges[0];
    --platform.outputChangeCount;
    for (int i = 0; i < platform.outputChangeCount; ++i)
        platform.outputChanges[i] = platform.outputChanges[i + 1];
    return true;
}

std::string PlatformProgramFolder() {
    char* folder = SDL_GetBasePath();
    const std::string path = folder ? folder : "";
    SDL_free(folder);
    return path;
}

void PlatformHideCursor() {
    if (platform.videoReady) SDL_ShowCursor(SDL_DISABLE);
}

void PlatformShutdown() {
    fflush(stdout);
    fflush(stderr);
    if (platform.context) SDL_GL_DeleteContext(platform.context);
    if (platform.window) SDL_DestroyWindow(platform.window);
    platform = PlatformState{};
    SDL_Quit();
}
