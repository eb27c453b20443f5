// The show's soundtrack, synthesized and encoded as mp3.
#pragma once

// Writes the soundtrack to path as a 44.1 kHz stereo mp3; false (with a stderr line) on failure.
bool WriteSoundtrack(const char* path);
