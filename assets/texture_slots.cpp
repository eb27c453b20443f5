#include "assets/texture_slots.h"

uint32_t textureSlots[kTextureSlotCount];

// Placeholder until the picture loader lands.
int32_t LoadTexture(const char*) { return -1; }
void DeleteAllTextures() {}

uint32_t TextureSlotName(int32_t slot) {
    return slot >= 0 && slot < kTextureSlotCount ? textureSlots[slot] : 0;
}
