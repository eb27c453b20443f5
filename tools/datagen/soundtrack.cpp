#include "tools/datagen/soundtrack.h"

// Placeholder until the synthesizer lands.
bool WriteSoundtrack(const char*) { return true; }
