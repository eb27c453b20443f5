#include "programs/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "programs/frame_loop.h"
#include "render/frame.h"

const char kPlayerUsage[] =
    "usage: lockstep [--fullscreen | --windowed] [--size WxH | --size native]\n"
    "                [--start MS] [--loop A-B] [--maker] [--help]\n"
    "  --fullscreen  play full screen without asking\n"
    "  --windowed    play in a window without asking\n"
    "  --size WxH    render frames of WxH pixels, 4:3, from 320x240 (default 800x600)\n"
    "  --size native full screen: the largest 4:3 frame the desktop holds; windowed: 800x600\n"
    "  --start MS    start the show and its music MS milliseconds in (0 to 103999)\n"
    "  --loop A-B    play the stretch from A to B ms over and over (0 <= A < B <= 104000);\n"
    "                it starts at A unless --start, before B, says otherwise\n"
    "  --maker       the makers' keys:\n"
    "                  Space            pause and resume, the music with the picture\n"
    "                  Left, Right      a bar back or forward; with Shift a beat\n"
    "                  PageUp, PageDown the start of the previous or next scene\n"
    "                  Home             back to 0\n"
    "                  R                reload the data set, keeping the time\n"
    "                  H                heads-up display: time, bar.beat, scene and script,\n"
    "                                   frame rate, the tree's spectrum level\n"
    "  --help        show this and exit\n"
    "Without --fullscreen or --windowed the show asks \"Fullscreen?\" first.\n"
    "Escape ends the show.\n";

namespace {

constexpr int kMaxSideDigits = 5;
constexpr int kMaxTimeDigits = 9;

// Whole decimal number of 1 to maxDigits digits, no sign, starting at *p; moves *p past it.
bool ParseDigits(const char** p, int maxDigits, int32_t* out) {
    int32_t value = 0;
    int digits = 0;
    for (; **p >= '0' && **p <= '9'; ++*p) {
        if (++digits > maxDigits) return false;
        value = value * 10 + (**p - '0');
    }
    *out = value;
    return digits > 0;
}

bool ParseStart(const char* text, int32_t* start, std::string* error) {
    const char* p = text;
    if (!ParseDigits(&p, kMaxTimeDigits, start) || *p != '\0') {
        *error = "--start wants whole milliseconds from 0 to " + std::to_string(kDemoLengthMs - 1) +
                 ", not '" + text + "'";
        return false;
    }
    if (*start >= kDemoLengthMs) {
        *error = "--start " + std::string(text) + " lies past the end of the show at " +
                 std::to_string(kDemoLengthMs) + " ms";
        return false;
    }
    return true;
}

bool ParseLoop(const char* text, int32_t* first, int32_t* end, std::string* error) {
    const char* p = text;
    if (!ParseDigits(&p, kMaxTimeDigits, first) || *p++ != '-' ||
        !ParseDigits(&p, kMaxTimeDigits, end) || *p != '\0') {
        *error = "--loop wants A-B in whole milliseconds, such as 33320-53312; not '" +
                 std::string(text) + "'";
        return false;
    }
    if (*end <= *first) {
        *error = "--loop " + std::string(text) + " does not end after it starts";
        return false;
    }
    if (*end > kDemoLengthMs) {
        *error = "--loop " + std::string(text) + " runs past the end of the show at " +
                 std::to_string(kDemoLengthMs) + " ms";
        return false;
    }
    return true;
}

} // namespace

bool SetOnce(const char* option, bool* seen, std::string* error) {
    if (*seen) {
        *error = std::string(option) + " is given twice";
        return false;
    }
    *seen = true;
    return true;
}

int32_t PlayerStartTime(const PlayerOptions& options) {
    if (options.startMs >= 0) return options.startMs;
    return options.loopEndMs > 0 ? options.loopStartMs : 0;
}

bool ParseFrameSize(const char* text, int* width, int* height, std::string* error) {
    const std::string given = std::string("--size ") + text;
    const char* p = text;
    int w = 0, h = 0;
    if (!ParseDigits(&p, kMaxSideDigits, &w) || *p++ != 'x' ||
        !ParseDigits(&p, kMaxSideDigits, &h) || *p != '\0') {
        *error = "--size wants WxH, such as 1440x1080, or native; not '" + std::string(text) + "'";
        return false;
    }
    if (w * 3 != h * 4) {
        *error = given + " is not 4:3 (width x 3 must equal height x 4, as in 1440x1080)";
        return false;
    }
    if (w < kMinFrameWidth) {
        *error = given + " is smaller than the smallest frame, " + std::to_string(kMinFrameWidth) +
                 "x" + std::to_string(kMinFrameHeight);
        return false;
    }
    if (w > kMaxFrameWidth) {
        *error = given + " is larger than the largest frame, " + std::to_string(kMaxFrameWidth) +
                 "x" + std::to_string(kMaxFrameHeight);
        return false;
    }
    *width = w;
    *height = h;
    return true;
}

void NativeFrameSize(int desktopWidth, int desktopHeight, int* width, int* height) {
    // Whole multiples of 4x3 keep the frame exactly 4:3.
    int units = desktopWidth / 4;
    if (desktopHeight / 3 < units) units = desktopHeight / 3;
    if (units * 4 > kMaxFrameWidth) units = kMaxFrameWidth / 4;
    if (units * 4 < kMinFrameWidth) units = 0;
    *width = units * 4;
    *height = units * 3;
}

bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                        std::string* error) {
    *options = PlayerOptions{};
    const char* screenOption = nullptr; // the option that chose the screen, for the messages
    bool seenHelp = false, seenSize = false, seenStart = false, seenLoop = false, seenMaker = false;
    for (int i = 1; i < argc; ++i) {
        const char* opt = argv[i];
        if (!strcmp(opt, "--help") || !strcmp(opt, "-h")) {
            if (!SetOnce(opt, &seenHelp, error)) return false;
            options->help = true;
        } else if (!strcmp(opt, "--fullscreen") || !strcmp(opt, "--windowed")) {
            if (screenOption) {
                *error = !strcmp(screenOption, opt)
                             ? std::string(opt) + " is given twice"
                             : std::string(screenOption) + " and " + opt + " exclude each other";
                return false;
            }
            screenOption = opt;
            options->screen = !strcmp(opt, "--fullscreen") ? ScreenFullscreen : ScreenWindowed;
        } else if (!strcmp(opt, "--size")) {
            if (!SetOnce(opt, &seenSize, error)) return false;
            if (i + 1 >= argc) {
                *error = "--size needs a value: WxH or native";
                return false;
            }
            const char* value = argv[++i];
            if (!strcmp(value, "native"))
                options->nativeSize = true;
            else if (!ParseFrameSize(value, &options->frameWidth, &options->frameHeight, error))
                return false;
        } else if (!strcmp(opt, "--start") || !strcmp(opt, "--loop")) {
            const bool start = !strcmp(opt, "--start");
            if (!SetOnce(opt, start ? &seenStart : &seenLoop, error)) return false;
            if (i + 1 >= argc) {
                *error = std::string(opt) + (start ? " needs a value: MS" : " needs a value: A-B");
                return false;
            }
            const char* value = argv[++i];
            const bool ok =
                start ? ParseStart(value, &options->startMs, error)
                      : ParseLoop(value, &options->loopStartMs, &options->loopEndMs, error);
            if (!ok) return false;
        } else if (!strcmp(opt, "--maker")) {
            if (!SetOnce(opt, &seenMaker, error)) return false;
            options->maker = true;
        } else {
            *error = opt[0] == '-' ? std::string("unknown option ") + opt
                                   : std::string("unexpected argument '") + opt + "'";
            return false;
        }
    }
    if (options->loopEndMs > 0 && options->startMs >= options->loopEndMs) {
        *error = "--start " + std::to_string(options->startMs) + " lies past the end of --loop " +
                 std::to_string(options->loopStartMs) + "-" + std::to_string(options->loopEndMs);
        return false;
    }
    return true;
}

int32_t FramePathFromEnvironment() {
    const char* wanted = getenv("LOCKSTEP_FRAME_PATH");
    int32_t path = FramePathFast;
    if (wanted && *wanted && !ParseFramePath(wanted, &path)) {
        fprintf(stderr, "lockstep: LOCKSTEP_FRAME_PATH is '%s', not fast or literal; fast it is\n",
                wanted);
        path = FramePathFast;
    }
    return path;
}
