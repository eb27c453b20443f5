#include "render/bitmap_text.h"

const BitmapFont* currentFont = nullptr;
int16_t textCursorX = 0, textCursorY = 0, textLeftMargin = 0;
uint32_t pixelBuffer[kPixelBufferWidth * kPixelBufferHeight];

// Placeholders until the text writer lands.
void SetBitmapFont(const BitmapFont* font) { currentFont = font; }
uint8_t GlyphIndex(uint8_t) { return 255; }
void DrawGlyph(uint8_t, int16_t, int16_t) {}
void WriteText(const char*) {}
void PutPixel(uint16_t, uint16_t, uint32_t) {}
