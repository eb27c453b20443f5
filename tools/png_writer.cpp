#include "tools/png_writer.h"

#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "tools/out_file.h"

namespace {

void AppendBytes(void* context, void* data, int size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t>* png = static_cast<std::vector<uint8_t>*>(context);
    png->insert(png->end(), bytes, bytes + size);
}

} // namespace

bool WritePngBottomUp(const char* path, const uint8_t* rgba, int width, int height,
                      const char** reason) {
    // OpenGL reads rows bottom-up; flipping on write gives an upright picture.
    stbi_flip_vertically_on_write(1);
    // Encoded in memory first, so that the file itself goes through the one checked writer.
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(AppendBytes, &png, width, height, 4, rgba, width * 4)) {
        *reason = "the PNG encoder failed";
        return false;
    }
    return WriteWholeFile(path, png.data(), png.size(), reason);
}
