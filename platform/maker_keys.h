// The makers' keys as the platform reads them: which key, with Shift or not, and when. What a
// key does to the show is the programs' (programs/maker_controls.h).
#pragma once
#include <cstdint>

enum MakerKey : int32_t {
    MakerKeyNone,
    MakerKeyPause,         // Space
    MakerKeyBack,          // Left: a bar back, with Shift a beat
    MakerKeyOn,            // Right
    MakerKeyPreviousScene, // PageUp
    MakerKeyNextScene,     // PageDown
    MakerKeyHome,
    MakerKeyReload, // R
    MakerKeyHud,    // H
};

struct MakerKeyPress {
    MakerKey key;
    bool shift;
    uint32_t tick; // when it was pressed, on the platform's millisecond clock
};
