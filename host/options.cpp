#include "host/options.h"

#include <cstring>

const char kPlayerUsage[] =
    "usage: lockstep [--fullscreen | --windowed] [--help]\n"
    "  --fullscreen  play full screen without asking\n"
    "  --windowed    play in a window without asking\n"
    "  --help        show this and exit\n"
    "Without --fullscreen or --windowed the show asks \"Fullscreen?\" first.\n"
    "Escape ends the show.\n";

bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                        std::string* error) {
    *options = PlayerOptions{};
    const char* screenOption = nullptr; // the option that chose the screen, for the messages
    bool seenHelp = false;
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
        } else {
            *error = opt[0] == '-' ? std::string("unknown option ") + opt
                                   : std::string("unexpected argument '") + opt + "'";
            return false;
        }
    }
    return true;
}
