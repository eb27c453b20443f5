// The web page's options, read from its address: ?size=WxH or ?size=native as the player's
// --size, and the test hooks ?still=MS (the frame at MS, stepped from 0 at &fps=N, 60 by
// default). Parsed without touching the page, so the rules are tested natively.
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t kPageDefaultFps = 60;

struct PageOptions {
    bool nativeSize = false; // size=native
    int frameWidth = 0;      // size=WxH; 0: the default
    int frameHeight = 0;
    int32_t stillMs = -1; // still=MS; -1: the show itself
    int32_t fps = kPageDefaultFps;
};

// Fills *options from a query string ("?size=1024x768&still=3000", the '?' optional). Names
// that are not ours are left alone (a link may carry others); a value against the rules, a
// name given twice, or fps without still returns false with *error saying why.
bool ParsePageQuery(const char* query, PageOptions* options, std::string* error);
