#include "assets/texture_slots.h"

#include <cstdlib>
#include <cstring>

#include "assets/load_report.h"
#include "assets/raw_image.h"
#include "platform/gl_api.h"

uint32_t textureSlots[kTextureSlotCount];

namespace {
// The table is cleared once before the first load of the process, and never again by this flag.
bool slotsCleared = false;

// The next level down, as the GL utility library builds it: each texel the rounded mean of a
// 2 x 2 block; once a side is 1 texel, the truncated mean of two.
void HalveLevel(const uint8_t* in, int width, int height, uint8_t* out) {
    const int outWidth = width > 1 ? width / 2 : 1;
    const int outHeight = height > 1 ? height / 2 : 1;
    const size_t row = size_t(width) * 4;
    for (int y = 0; y < outHeight; ++y) {
        for (int x = 0; x < outWidth; ++x) {
            uint8_t* t = out + (size_t(y) * outWidth + x) * 4;
            if (width > 1 && height > 1) {
                const uint8_t* s = in + size_t(2 * y) * row + size_t(2 * x) * 4;
                for (int k = 0; k < 4; ++k)
                    t[k] = static_cast<uint8_t>((s[k] + s[4 + k] + s[row + k] + s[row + 4 + k] + 2) / 4);
            } else {
                // One row or one column: its two neighbours along it.
                const size_t step = width > 1 ? 4 : row;
                const uint8_t* s = in + (width > 1 ? size_t(2 * x) * 4 : size_t(2 * y) * row);
                for (int k = 0; k < 4; ++k) t[k] = static_cast<uint8_t>((s[k] + s[step + k]) / 2);
            }
        }
    }
}

// The whole chain down to 1 x 1, built here rather than by the GL utility library (which
// OpenGL ES and WebGL do not have), with the same result on every platform.
void UploadMipmaps(const RawImage& image) {
    // Unsized where OpenGL ES wants the format repeated; 8 bits a channel either way.
    const GLint format = GLAD_GL_VERSION_1_1 ? GL_RGBA8 : GL_RGBA;
    int width = image.width, height = image.height;
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.pixels);
    if (width <= 1 && height <= 1) return;
    // Both halves of the scratch block take turns as source and destination.
    const size_t half = size_t(width > 1 ? width / 2 : 1) * (height > 1 ? height / 2 : 1) * 4;
    uint8_t* scratch = static_cast<uint8_t*>(malloc(half * 2));
    if (!scratch) return; // level 0 alone: the texture stays incomplete, drawn as no texture
    const uint8_t* source = image.pixels;
    uint8_t* target = scratch;
    for (int level = 1; width > 1 || height > 1; ++level) {
        HalveLevel(source, width, height, target);
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        glTexImage2D(GL_TEXTURE_2D, level, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     target);
        source = target;
        target = target == scratch ? scratch + half : scratch;
    }
    free(scratch);
}
} // namespace

int32_t LoadTexture(const char* name) {
    if (!slotsCleared) {
        DeleteAllTextures();
        slotsCleared = true;
    }
    int32_t slot = -1;
    for (int32_t s = 0; s < kTextureSlotCount && slot < 0; ++s) {
        if (textureSlots[s] == 0) slot = s;
    }
    if (slot < 0) {
        ReportLoadProblem(name, "all 64 texture slots are taken");
        return -1;
    }
    RawImage image;
    LoadRawImage(name, &image);
    if (!image.pixels) return -1; // already reported; the slot stays free

    glGenTextures(1, &textureSlots[slot]);
    glBindTexture(GL_TEXTURE_2D, textureSlots[slot]);
    UploadMipmaps(image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    FreeRawImage(&image);
    return slot;
}

void DeleteAllTextures() {
    for (uint32_t& name : textureSlots) {
        if (name != 0) {
            glDeleteTextures(1, &name);
            name = 0;
        }
    }
}

void ForgetAllTextures() {
    for (uint32_t& name : textureSlots) name = 0;
}

uint32_t TextureSlotName(int32_t slot) {
    return slot >= 0 && slot < kTextureSlotCount ? textureSlots[slot] : 0;
}
