// Texture slots on a real (offscreen) GL context: hand-out order, the full table, read-back.
#include "platform/gl_api.h"
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "assets/texture_slots.h"
#include "support/test_support.h"

namespace {

// A picture whose texel (x, y) is red x * 255 / (w - 1), green y * 255 / (h - 1), blue a
// checker of 8-texel squares; alpha is opaque.
std::vector<uint8_t> Picture(int w, int h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* t = &p[(static_cast<size_t>(y) * w + x) * 4];
            t[0] = static_cast<uint8_t>(w > 1 ? x * 255 / (w - 1) : 0);
            t[1] = static_cast<uint8_t>(h > 1 ? y * 255 / (h - 1) : 0);
            t[2] = ((x / 8 + y / 8) & 1) ? 255 : 0;
            t[3] = 255;
        }
    }
    return p;
}

std::string WritePicture(const std::string& name, const std::vector<uint8_t>& bytes) {
    static const std::string dir = MakeScratchDir();
    std::string path = dir + "/" + name;
    WriteBinaryFile(path, bytes);
    return path;
}

int32_t Load(const std::string& path, Captured* output = nullptr) {
    int32_t slot = -1;
    Captured c = CaptureOutputOf([&] { slot = LoadTexture(path.c_str()); });
    if (output) *output = c;
    return slot;
}

std::vector<uint8_t> ReadLevel(int32_t slot, int level, int w, int h) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, TextureSlotName(slot));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

} // namespace

// Kept first: the very first load of the process clears the table once, and only once.
TEST(TextureSlots, FirstLoadClearsTheTableOnceThenHandsOutLowestFirst) {
    OpenTestDisplay();
    std::string path = WritePicture("pic_2x2.raw", Picture(2, 2));
    textureSlots[0] = 4242; // a stale entry from before the first load
    EXPECT_EQ(Load(path), 0);
    EXPECT_NE(textureSlots[0], 4242u);
    textureSlots[1] = 4343; // entries after the first load are respected
    EXPECT_EQ(Load(path), 2);
    textureSlots[1] = 0;
    EXPECT_EQ(Load(path), 1);
    EXPECT_NE(TextureSlotName(0), TextureSlotName(1)) << "two loads, two textures";
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), TextureSlotName(1)) << "the new texture stays bound";
    EXPECT_EQ(TextureSlotName(-1), 0u);
    EXPECT_EQ(TextureSlotName(64), 0u);

    DeleteAllTextures();
    for (uint32_t name : textureSlots) EXPECT_EQ(name, 0u);
    EXPECT_EQ(Load(path), 0) << "after DeleteAllTextures slot 0 comes back";
    DeleteAllTextures();
}

TEST(TextureSlots, FullTableRefusesWithoutOpeningTheFile) {
    OpenTestDisplay();
    std::string path = WritePicture("small_4x4.raw", Picture(4, 4));
    for (int32_t s = 0; s < kTextureSlotCount; ++s) ASSERT_EQ(Load(path), s);
    Captured c;
    EXPECT_EQ(Load(path, &c), -1);
    EXPECT_EQ(Load("/nowhere/missing_4x4.raw", &c), -1);
    EXPECT_EQ(c.out, "") << "no file-not-found message: the file is never opened";
    EXPECT_EQ(c.err, "lockstep: /nowhere/missing_4x4.raw: all 64 texture slots are taken\n");
    DeleteAllTextures();
    EXPECT_EQ(Load(path), 0);
    DeleteAllTextures();
}

TEST(TextureSlots, FailedLoadsReturnMinusOneAndKeepTheSlotFree) {
    OpenTestDisplay();
    Captured c;
    EXPECT_EQ(Load("/nowhere/gone_8x8.raw", &c), -1);
    EXPECT_EQ(c.out, "EEEEEEEEEEEK!!!     file not found!!");
    EXPECT_EQ(Load(WritePicture("nosize.raw", Picture(2, 2)), &c), -1);
    EXPECT_EQ(c.out, "");
    EXPECT_NE(c.err.find("the name does not end in"), std::string::npos);
    EXPECT_EQ(Load(WritePicture("fine_2x2.raw", Picture(2, 2))), 0);
    DeleteAllTextures();
}

TEST(TextureSlots, TextureHoldsTheFileWithAFullMipmapChain) {
    OpenTestDisplay();
    const int w = 64, h = 32;
    std::vector<uint8_t> bytes = Picture(w, h);
    int32_t slot = Load(WritePicture("ramp_64x32.raw", bytes));
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(ReadLevel(slot, 0, w, h), bytes) << "first file row is texture row 0";

    // Level 1 is the 2x2 box average of level 0.
    std::vector<uint8_t> half = ReadLevel(slot, 1, w / 2, h / 2);
    int worst = 0;
    for (int y = 0; y < h / 2; ++y) {
        for (int x = 0; x < w / 2; ++x) {
            for (int k = 0; k < 4; ++k) {
                int sum = 0;
                for (int d = 0; d < 4; ++d)
                    sum += bytes[((2 * y + d / 2) * w + 2 * x + d % 2) * 4 + k];
                worst = std::max(worst, std::abs(half[(y * (w / 2) + x) * 4 + k] - sum / 4));
            }
        }
    }
    EXPECT_LE(worst, 1);
    GLint lastW = 0, lastH = 0, minFilter = 0, magFilter = 0, wrap = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 6, GL_TEXTURE_WIDTH, &lastW);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 6, GL_TEXTURE_HEIGHT, &lastH);
    EXPECT_EQ(lastW, 1) << "the chain runs down to 1x1";
    EXPECT_EQ(lastH, 1);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_REPEAT);

    // Shown on the screen the way the quads show pictures: t = 0 at the top.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 600, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(80, 60);
    glTexCoord2f(1, 0), glVertex2f(720, 60);
    glTexCoord2f(1, 1), glVertex2f(720, 380);
    glTexCoord2f(0, 1), glVertex2f(80, 380);
    glEnd();
    SaveFrame("texture_ramp");
    Rgba topLeft = ReadScreenPixel(85, 65), bottomRight = ReadScreenPixel(715, 375);
    EXPECT_LT(topLeft.r, 20);
    EXPECT_LT(topLeft.g, 20);
    EXPECT_GT(bottomRight.r, 235);
    EXPECT_GT(bottomRight.g, 235);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    DeleteAllTextures();
}

// The chain is built here rather than by the GL utility library, which OpenGL ES lacks; on
// every shape the show's pictures come in, each level is the library's, byte for byte.
TEST(TextureSlots, MipmapsAreTheUtilityLibrarysByteForByte) {
    OpenTestDisplay();
    std::mt19937 random(19);
    const int shapes[][2] = {{2, 2}, {64, 32}, {32, 512}, {256, 512}, {512, 8}, {128, 128}};
    for (const auto& shape : shapes) {
        const int w = shape[0], h = shape[1];
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint8_t> bytes(size_t(w) * h * 4);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        const int32_t slot = Load(WritePicture("noise_" + std::to_string(w) + "x" +
                                                   std::to_string(h) + ".raw", bytes));
        ASSERT_GE(slot, 0);
        GLuint reference = 0;
        glGenTextures(1, &reference);
        glBindTexture(GL_TEXTURE_2D, reference);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        for (int level = 0, lw = w, lh = h;; ++level) {
            std::vector<uint8_t> ours = ReadLevel(slot, level, lw, lh);
            std::vector<uint8_t> theirs(ours.size());
            glBindTexture(GL_TEXTURE_2D, reference);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, theirs.data());
            EXPECT_TRUE(ours == theirs) << "level " << level;
            if (lw == 1 && lh == 1) break;
            lw = lw > 1 ? lw / 2 : 1;
            lh = lh > 1 ? lh / 2 : 1;
        }
        glDeleteTextures(1, &reference);
    }
    DeleteAllTextures();
}
