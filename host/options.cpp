#include "host/options.h"

#include <cstring>

const char kPlayerUsage[] =
    "usage: lockstep [--fullscreen | --windowed] [--size WxH | --size native] [--help]\n"
    "  --fullscreen  play full screen without asking\n"
    "  --windowed    play in a window without asking\n"
    "  --size WxH    render frames of WxH pixels, 4:3, from 320x240 (default 800x600)\n"
    "  --size native full screen: the largest 4:3 frame the desktop holds; windowed: 800x600\n"
    "  --help        show this and exit\n"
    "Without --fullscreen or --windowed the show asks \"Fullscreen?\" first.\n"
    "Escape ends the show.\n";

namespace {

constexpr int kMaxSideDigits = 5;

// Whole decimal number of at most kMaxSideDigits digits starting at *p; moves *p past it.
bool ParseSide(const char** p, int* out) {
    int value = 0, digits = 0;
    for (; **p >= '0' && **p <= '9'; ++*p) {
        if (++digits > kMaxSideDigits) return false;
        value = value * 10 + (**p - '0');
    }
    *out = value;
    return digits > 0;
}

} // namespace

bool ParseFrameSize(const char* text, int* width, int* height, std::string* error) {
    const std::string given = std::string("--size ") + text;
    const char* p = text;
    int w = 0, h = 0;
    if (!ParseSide(&p, &w) || *p++ != 'x' || !ParseSide(&p, &h) || *p != '\0') {
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
    bool seenHelp = false, seenSize = false;
    for (int i = 1; i < argc; ++i) {
        const char* opt = argv[i];
        if (!strcmp(opt, "--help") || !strcmp(opt, "-h")) {
            if (seenHelp) {
                *error = std::string(opt) + " is given twice";
                return false;
            }
            seenHelp = options->help = true;
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
            if (seenSize) {
                *error = "--size is given twice";
                return false;
            }
            seenSize = true;
            if (i + 1 >= argc) {
                *error = "--size needs a value: WxH or native";
                return false;
            }
            const char* value = argv[++i];
            if (!strcmp(value, "native"))
                options->nativeSize = true;
            else if (!ParseFrameSize(value, &options->frameWidth, &options->frameHeight, error))
                return false;
        } else {
            *error = opt[0] == '-' ? std::string("unknown option ") + opt
                                   : std::string("unexpected argument '") + opt + "'";
            return false;
        }
    }
    return true;
}
