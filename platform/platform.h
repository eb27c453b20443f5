// The thin platform layer: window, GL context, input, clock and message box on SDL2.
// Nothing outside platform/ calls SDL for video or input.
#pragma once
#include <cstdint>
#include <string>

#include "platform/maker_keys.h"

constexpr int kDefaultFrameWidth = 800;
constexpr int kDefaultFrameHeight = 600;

// The size of the rendered frame in pixels, chosen before the window opens and fixed for the
// run. Every viewport, the offscreen frame and the read-back follow it.
extern int frameWidth;
extern int frameHeight;

// Yes/No box captioned "Fullscreen?"; Return picks Yes, Escape No. A box that cannot be shown
// counts as No, with one line on stderr that says why.
bool PlatformAskFullscreen();
// Opens the window and makes a GL context current on this thread. Windowed: borderless
// frame-sized at (0, 0), shrunk to fit a smaller desktop. Full screen: borderless desktop-sized
// window. Wherever the window is not the frame, the frame is rendered offscreen and scaled with
// its aspect kept when presented.
// LOCKSTEP_GL=es2 asks for an OpenGL ES 2.0 context instead of desktop OpenGL.
bool PlatformOpenWindow(bool fullScreen);
// Makes sure the surface the show draws into is at least side x side pixels, with the frame at
// its lower left (an offscreen frame if the window is smaller); false where it cannot be.
bool PlatformReserveSurface(int side);
// Whether a context is open and its GL calls loaded; whether it is OpenGL ES.
bool PlatformHasGL();
bool PlatformContextIsES();
// The desktop's size in pixels; false without a video system.
bool PlatformDesktopSize(int* width, int* height);
// Whether the current context can render the chosen frame; if not, says so on stderr.
bool PlatformFrameFitsContext();
// The presented frame, frameWidth x frameHeight RGBA, rows bottom-up.
void PlatformReadFrame(uint8_t* rgba);
void PlatformSwapBuffers();
uint32_t PlatformTicks();
void PlatformSleep(uint32_t ms);
// Nonzero while Escape is down or when it was pressed since the previous call; a request to
// close the window counts as Escape. Pumps the events of the window and the sound outputs.
int32_t PlatformEscapeState();
// While on, the events that PlatformEscapeState pumps also yield the makers' keys (the arrows
// repeat while held), kept in order for PlatformNextMakerKey.
void PlatformTakeMakerKeys(bool on);
// The oldest key press not yet taken; false when there is none.
bool PlatformNextMakerKey(MakerKeyPress* press);
// A sound output came or went, as PlatformEscapeState pumped it: an output added, or the one
// that `device` names (as the sound layer's output is named) removed. Capture devices are left out.
struct SoundOutputChange {
    bool added;
    uint32_t device;
};
// The oldest change not yet taken; false when there is none.
bool PlatformNextSoundOutputChange(SoundOutputChange* change);
// The folder the program was started from, with a trailing separator; empty where unknown.
std::string PlatformProgramFolder();
void PlatformHideCursor();
// Restores desktop and cursor and flushes standard output.
void PlatformShutdown();
