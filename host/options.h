// The player's command line, parsed without touching the platform, so that a bad option ends the
// run before any window opens.
#pragma once
#include <string>

enum ScreenChoice {
    ScreenAsk,        // the "Fullscreen?" question decides
    ScreenFullscreen, // --fullscreen
    ScreenWindowed,   // --windowed
};

struct PlayerOptions {
    ScreenChoice screen = ScreenAsk;
    bool help = false;
};

// Fills *options from argv[1..argc-1]. On an unknown, repeated or conflicting option returns
// false with *error saying why.
bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions* options,
                        std::string* error);
extern const char kPlayerUsage[];
