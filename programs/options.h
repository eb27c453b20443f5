// The player's command line and the frame size rules, parsed without touching the platform, so
// that a bad option ends the run before any window opens.
#pragma once
#include <cstdint>
#include <string>

// Frame sizes are 4:3, from 320x240 up. The fixed ceiling keeps absurd requests from reaching
// the window system; the context's own limits are checked once it exists.
constexpr int kMinFrameWidth = 320;
constexpr int kMinFrameHeight = 240;
constexpr int kMaxFrameWidth = 16384;
constexpr int kMaxFrameHeight = 12288;

enum ScreenChoice {
    ScreenAsk,        // the "Fullscreen?" question decides
    ScreenFullscreen, // --fullscreen
    ScreenWindowed,   // --windowed
};

struct PlayerOptions {
    ScreenChoice screen = ScreenAsk;
    bool nativeSize = false; // --size native
    int frameWidth = 0;      // --size WxH; 0: the default
    int frameHeight = 0;
    int32_t startMs = -1;    // --start MS; -1: not given
    int32_t loopStartMs = 0; // --loop A-B: the stretch [A, B) repeats
    int32_t loopEndMs = 0;   // 0: no loop
    bool maker = false;      // --maker: the makers' keys
    bool help = false;
};

// Fills *options from argv[1..argc-1]. On an unknown, repeated or conflicting option, or a size
// against the rules, returns false with *error saying why.
bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                        std::string* error);
extern const char kPlayerUsage[];

// Where the show starts: --start, else the loop's start, else 0.
int32_t PlayerStartTime(const PlayerOptions& options);

// The frame path LOCKSTEP_FRAME_PATH asks for, "fast" or "literal" (render/frame.h): fast where it
// is not set, and where it names neither, said in one line on stderr.
int32_t FramePathFromEnvironment();

// Options given once only: a second value would silently win otherwise. False (with the reason)
// when *seen is already set; sets it.
bool SetOnce(const char* option, bool* seen, std::string* error);

// "WxH" in whole pixels, 4:3, within the fixed bounds; false with *error saying why.
bool ParseFrameSize(const char* text, int* width, int* height, std::string* error);
// The largest 4:3 frame that fits a desktop of that size (0x0 when even the smallest does not).
void NativeFrameSize(int desktopWidth, int desktopHeight, int* width, int* height);
