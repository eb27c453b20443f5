#include "assets/bitmap_text.h"

#include <cstring>

const BitmapFont* currentFont = nullptr;
int16_t textCursorX = 0, textCursorY = 0, textLeftMargin = 0;
uint32_t pixelBuffer[kPixelBufferWidth * kPixelBufferHeight];

namespace {

constexpr uint8_t kNoGlyph = 255;
constexpr int kGlyphCount = 60;
// Glyph order of every atlas: letters, digits, then punctuation. The blank has no glyph.
constexpr char kCharacterSet[kGlyphCount + 1] =
    "abcdefghijklmnopqrstuvwxyz0123456789\"'(),.;:+-!?\\/<>*=_~$@%&";
constexpr int kAtlasTexelBytes = 4;

} // namespace

void SetBitmapFont(const BitmapFont* font) {
    currentFont = font;
}

uint8_t GlyphIndex(uint8_t ch) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<uint8_t>(ch - 'A' + 'a');
    for (int g = 0; g < kGlyphCount; ++g) {
        if (static_cast<uint8_t>(kCharacterSet[g]) == ch) return static_cast<uint8_t>(g);
    }
    return kNoGlyph;
}

void DrawGlyph(uint8_t ch, int16_t x, int16_t y) {
    const BitmapFont* font = currentFont;
    if (!font || !font->atlas.pixels) return;
    const int32_t cellWidth = font->cellWidth, cellHeight = font->cellHeight;
    if (x < -cellWidth || x >= kPixelBufferWidth || y < -cellHeight || y >= kPixelBufferHeight)
        return;
    const uint8_t g = GlyphIndex(ch);
    if (g == kNoGlyph) return;
    const int32_t atlasWidth = font->atlas.width, atlasHeight = font->atlas.height;
    for (int32_t i = 0; i < cellWidth; ++i) {
        const int32_t targetX = x + i, atlasX = g * cellWidth + i;
        // Columns off the screen, or beyond an atlas too narrow for the whole set, draw nothing.
        if (targetX < 0 || targetX >= kPixelBufferWidth || atlasX >= atlasWidth) continue;
        for (int32_t j = 0; j < cellHeight && j < atlasHeight; ++j) {
            const int32_t targetY = y + j;
            if (targetY < 0 || targetY >= kPixelBufferHeight) continue;
            uint32_t texel;
            const size_t index = static_cast<size_t>(atlasX) + static_cast<size_t>(atlasWidth) * j;
            memcpy(&texel, font->atlas.pixels + index * kAtlasTexelBytes, sizeof texel);
            if (texel != kGlyphTransparentKey)
                PutPixel(static_cast<uint16_t>(targetX), static_cast<uint16_t>(targetY), texel);
        }
    }
}

void WriteText(const char* text) {
    const BitmapFont* font = currentFont;
    if (!font || !text) return;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            textCursorX = textLeftMargin;
            textCursorY = static_cast<int16_t>(textCursorY + font->cellHeight);
            continue;
        }
        DrawGlyph(static_cast<uint8_t>(*p), textCursorX, textCursorY);
        // The wrap follows the glyph, so the one that crosses the edge is drawn clipped in place.
        textCursorX = static_cast<int16_t>(textCursorX + font->cellWidth + font->gap);
        if (textCursorX > kPixelBufferWidth) {
            textCursorX = textLeftMargin;
            textCursorY = static_cast<int16_t>(textCursorY + font->cellHeight + 1);
        }
    }
}

void PutPixel(uint16_t x, uint16_t y, uint32_t value) {
    if (x < kPixelBufferWidth && y < kPixelBufferHeight)
        pixelBuffer[y * kPixelBufferWidth + x] = value;
}
