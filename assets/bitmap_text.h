// A software text writer: glyph cells of a bitmap font copied into an 800x600 pixel buffer.
// The buffer is in the overlay's 800x600 units whatever the frame size; no pass shows it, and one
// that did would draw it as a texture over the whole frame, scaled with it. Pictures in memory and
// no GL: it sits beside the mesh loader, which writes its failure message with it.
#pragma once
#include <cstdint>
#include "assets/raw_image.h"

constexpr int kPixelBufferWidth = 800;
constexpr int kPixelBufferHeight = 600;
constexpr uint32_t kGlyphTransparentKey = 0xFF00FF;

// The atlas holds 32-bit texels (one uint32_t per texel, as RawImage pixels read in place);
// texels equal to magenta 0xFF00FF are transparent: in a .raw picture on a little-endian machine
// that is the bytes 255, 0, 255, 0. All glyph cells lie side by side in one row, in character-set
// order; an atlas narrower or lower than the cells needs draws only the texels it holds.
struct BitmapFont {
    RawImage atlas;
    int16_t cellWidth;
    int16_t cellHeight;
    int16_t gap;
};

extern const BitmapFont* currentFont; // null: text writing does nothing
extern int16_t textCursorX, textCursorY, textLeftMargin;
extern uint32_t pixelBuffer[kPixelBufferWidth * kPixelBufferHeight];

// Installs the font text is written with (null: none). The demo itself never installs one.
void SetBitmapFont(const BitmapFont* font);
uint8_t GlyphIndex(uint8_t ch);
void DrawGlyph(uint8_t ch, int16_t x, int16_t y);
void WriteText(const char* text);
void PutPixel(uint16_t x, uint16_t y, uint32_t value);
