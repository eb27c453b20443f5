// The show's soundtrack, synthesized and encoded as mp3.
#pragma once

// Writes the soundtrack to path as a 44.1 kHz stereo mp3, whole or not at all; false (with a
// stderr line naming the file and the reason) on failure.
bool WriteSoundtrack(const char* path);
