#include "tools/png_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

bool WritePngBottomUp(const char* path, const uint8_t* rgba, int width, int height) {
    // OpenGL reads rows bottom-up; flipping on write gives an upright picture.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path, width, height, 4, rgba, width * 4) != 0;
}
