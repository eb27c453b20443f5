// Writes pictures read back from OpenGL as PNG files.
#pragma once
#include <cstdint>

// rgba: width * height * 4 bytes, rows bottom-up as glReadPixels gives them; written upright,
// whole or not at all (tools/out_file.h). False with the reason when the file cannot be written.
bool WritePngBottomUp(const char* path, const uint8_t* rgba, int width, int height,
                      const char** reason);
