#include "assets/texture_slots.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "assets/load_report.h"
#include "assets/raw_image.h"

uint32_t textureSlots[kTextureSlotCount];

namespace {
// The table is cleared once before the first load of the process, and never again by this flag.
bool slotsCleared = false;
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.pixels);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                      image.pixels);
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

uint32_t TextureSlotName(int32_t slot) {
    return slot >= 0 && slot < kTextureSlotCount ? textureSlots[slot] : 0;
}
