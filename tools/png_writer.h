// Writes pictures read back from OpenGL as PNG files.
#pragma once
#include <cstdint>

// rgba: width * height * 4 bytes, rows bottom-up as glReadPixels gives them; written upright.
bool WritePngBottomUp(const char* path, const uint8_t* rgba, int width, int height);
