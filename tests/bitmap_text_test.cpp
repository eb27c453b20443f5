// The software text writer: glyph lookup, cursor movement, wrapping and clipping.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/bitmap_text.h"
#include "support/test_support.h"
#include "tools/png_writer.h"

namespace {

constexpr int kCell = 8;
constexpr int kGlyphs = 60;
constexpr uint32_t kKey = 0xFF00FF;

// Glyph g, column i, row j: a frame with g's bits inside it. Texels outside the frame and the
// bits that are off hold the transparent key. Opaque texels carry g, i and j so a test can
// tell exactly which texel landed where.
std::vector<uint32_t> atlasTexels(kGlyphs* kCell* kCell);

uint32_t Texel(int g, int i, int j) {
    return 0xFF000000u | (g << 16) | (i << 8) | j;
}

bool Opaque(int g, int i, int j) {
    if (i == 7 || j == 7) return false; // the gap between glyphs
    if (i == 0 || j == 0 || i == 6 || j == 6) return true;
    int bit = (j - 1) * 5 + (i - 1); // 25 bits inside the frame
    return bit < 6 && ((g + 1) >> bit & 1);
}

BitmapFont MakeFont(int atlasGlyphs) {
    for (int g = 0; g < kGlyphs; ++g) {
        for (int j = 0; j < kCell; ++j) {
            for (int i = 0; i < kCell; ++i) {
                size_t index = g * kCell + i + static_cast<size_t>(atlasGlyphs) * kCell * j;
                if (g < atlasGlyphs) atlasTexels[index] = Opaque(g, i, j) ? Texel(g, i, j) : kKey;
            }
        }
    }
    BitmapFont f{};
    f.atlas.pixels = reinterpret_cast<uint8_t*>(atlasTexels.data());
    f.atlas.width = static_cast<uint16_t>(atlasGlyphs * kCell);
    f.atlas.height = kCell;
    f.cellWidth = kCell;
    f.cellHeight = kCell;
    f.gap = 1;
    return f;
}

void Reset(int16_t x, int16_t y, int16_t margin) {
    memset(pixelBuffer, 0, sizeof pixelBuffer);
    textCursorX = x;
    textCursorY = y;
    textLeftMargin = margin;
}

uint32_t At(int x, int y) {
    return pixelBuffer[y * kPixelBufferWidth + x];
}

// Saves the buffer as a picture: each glyph's texels in a bright colour of their glyph.
void SavePixelBuffer(const std::string& name) {
    std::vector<uint8_t> rgba(sizeof pixelBuffer);
    for (int y = 0; y < kPixelBufferHeight; ++y) {
        for (int x = 0; x < kPixelBufferWidth; ++x) {
            uint32_t p = At(x, y);
            uint8_t g = static_cast<uint8_t>(p >> 16);
            uint8_t* out = &rgba[((kPixelBufferHeight - 1 - y) * kPixelBufferWidth + x) * 4];
            out[0] = p ? 255 : 0;
            out[1] = p ? static_cast<uint8_t>(100 + g * 2) : 0;
            out[2] = p ? static_cast<uint8_t>(255 - g * 3) : 0;
            out[3] = 255;
        }
    }
    std::string path = std::string(LOCKSTEP_TEST_OUTPUT_DIR) + "/" + name + ".png";
    EXPECT_EQ(system(("mkdir -p " + std::string(LOCKSTEP_TEST_OUTPUT_DIR)).c_str()), 0);
    const char* reason = "";
    EXPECT_TRUE(
        WritePngBottomUp(path.c_str(), rgba.data(), kPixelBufferWidth, kPixelBufferHeight, &reason))
        << reason;
}

struct TextTest : ::testing::Test {
    BitmapFont font = MakeFont(kGlyphs);
    void SetUp() override {
        SetBitmapFont(&font);
        Reset(0, 0, 0);
    }
    void TearDown() override {
        SetBitmapFont(nullptr);
        textLeftMargin = 0;
    }
};

} // namespace

TEST(BitmapText, GlyphIndexFollowsTheCharacterSet) {
    EXPECT_EQ(GlyphIndex('a'), 0);
    EXPECT_EQ(GlyphIndex('A'), 0);
    EXPECT_EQ(GlyphIndex('Z'), 25);
    EXPECT_EQ(GlyphIndex('0'), 26);
    EXPECT_EQ(GlyphIndex('9'), 35);
    EXPECT_EQ(GlyphIndex('"'), 36);
    EXPECT_EQ(GlyphIndex('\\'), 48);
    EXPECT_EQ(GlyphIndex('~'), 55);
    EXPECT_EQ(GlyphIndex('&'), 59);
    // blank, zero, newline, # [ { and bytes above the ASCII letters
    for (int ch : {32, 0, 10, 35, 91, 123, 200, 255}) EXPECT_EQ(GlyphIndex(ch), 255) << ch;
}

TEST(BitmapText, WithoutAFontNothingMoves) {
    SetBitmapFont(nullptr);
    Reset(7, 9, 0);
    WriteText("ABC\nabc");
    DrawGlyph('a', 0, 0);
    EXPECT_EQ(textCursorX, 7);
    EXPECT_EQ(textCursorY, 9);
    for (uint32_t p : pixelBuffer) ASSERT_EQ(p, 0u);
}

TEST_F(TextTest, CursorAdvancesByCellAndGapAndNewlineReturnsToTheMargin) {
    WriteText("ab");
    EXPECT_EQ(textCursorX, 18);
    EXPECT_EQ(textCursorY, 0);
    EXPECT_EQ(At(9, 0), Texel(1, 0, 0)) << "glyph b starts at x 9";
    EXPECT_EQ(At(0, 0), Texel(0, 0, 0));
    EXPECT_EQ(At(7, 0), 0u) << "transparent texels leave the buffer alone";
    textLeftMargin = 4;
    WriteText("\n");
    EXPECT_EQ(textCursorX, 4);
    EXPECT_EQ(textCursorY, 8);
    WriteText("A b"); // upper case draws the lower-case glyph; the blank only advances
    EXPECT_EQ(At(4, 8), Texel(0, 0, 0));
    EXPECT_EQ(At(13, 8), 0u);
    EXPECT_EQ(At(22, 8 + 6), Texel(1, 0, 6));
    EXPECT_EQ(textCursorX, 4 + 27);
}

TEST_F(TextTest, WrapFollowsTheGlyphThatCrossesTheEdge) {
    Reset(792, 20, 3);
    WriteText("c");
    EXPECT_EQ(At(792, 20), Texel(2, 0, 0));
    EXPECT_EQ(At(798, 26), Texel(2, 6, 6)) << "drawn in columns 792 to 799";
    EXPECT_EQ(textCursorX, 3);
    EXPECT_EQ(textCursorY, 29) << "a wrap moves down by the cell height plus one";

    Reset(791, 0, 0);
    WriteText("a");
    EXPECT_EQ(textCursorX, 800) << "exactly 800 does not wrap";
    EXPECT_EQ(textCursorY, 0);
    WriteText("b");
    EXPECT_EQ(textCursorX, 0);
    EXPECT_EQ(textCursorY, 9);
    EXPECT_EQ(At(0, 0), 0u) << "the glyph at x 800 is clipped away, not drawn on the next line";
}

TEST_F(TextTest, GlyphsAreClippedAtEveryEdge) {
    DrawGlyph('a', -3, 10);
    EXPECT_EQ(At(0, 10), Texel(0, 3, 0)) << "the first three columns are clipped";
    DrawGlyph('a', 5, -6);
    EXPECT_EQ(At(5, 0), Texel(0, 0, 6));
    DrawGlyph('a', 796, 596);
    EXPECT_EQ(At(799, 596), Texel(0, 3, 0));
    EXPECT_EQ(At(796, 599), Texel(0, 0, 3));
    for (int16_t x : {-8, -9, 800, 32767, -32768}) DrawGlyph('a', x, 100);
    for (int16_t y : {-8, 600, 32767}) DrawGlyph('a', 100, y);
    for (int x = 0; x < kPixelBufferWidth; ++x) EXPECT_EQ(At(x, 100), 0u) << x;

    // Text far below the screen keeps moving the cursor and draws nothing.
    Reset(0, 590, 0);
    for (int i = 0; i < 4000; ++i) WriteText("the quick brown fox\n");
    PutPixel(800, 0, 1);
    PutPixel(0, 600, 1);
    PutPixel(65535, 65535, 1);
    PutPixel(799, 599, 5);
    EXPECT_EQ(At(799, 599), 5u);
}

TEST_F(TextTest, AnAtlasTooNarrowForTheSetDrawsOnlyWhatItHolds) {
    BitmapFont narrow = MakeFont(10); // glyphs a to j only
    SetBitmapFont(&narrow);
    WriteText("j&");
    EXPECT_EQ(At(0, 0), Texel(9, 0, 0));
    EXPECT_EQ(At(9, 0), 0u);
    EXPECT_EQ(textCursorX, 18);
}

TEST_F(TextTest, PictureOfTheWholeSetWrappedAndClipped) {
    Reset(-3, -2, 0);
    textLeftMargin = 12;
    std::string all = "abcdefghijklmnopqrstuvwxyz0123456789\"'(),.;:+-!?\\/<>*=_~$@%&";
    for (int i = 0; i < 3; ++i) WriteText((all + " " + all + "\n").c_str());
    textCursorX = 760;
    textCursorY = 60;
    WriteText(all.c_str());
    SavePixelBuffer("bitmap_text");
    EXPECT_EQ(At(12, 69), Texel(5, 0, 0))
        << "after the wrap at 800 the sixth glyph starts the line";
}
