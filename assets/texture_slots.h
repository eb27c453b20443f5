// The process-wide table of 64 texture slots. A slot is an index into the table; -1 is none.
#pragma once
#include <cstdint>

constexpr int32_t kTextureSlotCount = 64;

// OpenGL texture names; 0 marks a free slot.
extern uint32_t textureSlots[kTextureSlotCount];

// Loads a .raw picture with its full mipmap chain into the lowest free slot. Returns the
// slot, or -1 when every slot is taken or the picture could not be loaded.
int32_t LoadTexture(const char* name);
void DeleteAllTextures();
// The context that held the textures is gone with them: every slot is free again, and no name
// of the old context is deleted in the new one.
void ForgetAllTextures();
// The GL texture name of a slot; 0 (OpenGL's default texture) for any slot outside 0..63.
uint32_t TextureSlotName(int32_t slot);
