// Picture sizes from file names, and reading headerless RGBA files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/raw_image.h"
#include "support/test_support.h"

namespace {

struct Size {
    bool ok;
    int32_t width, height;
};

Size Parse(const char* name) {
    Size s{};
    s.ok = ParseRawImageSize(name, &s.width, &s.height);
    return s;
}

std::vector<uint8_t> Ramp(size_t bytes) {
    std::vector<uint8_t> v(bytes);
    for (size_t i = 0; i < bytes; ++i) v[i] = static_cast<uint8_t>(i * 7 + 1);
    return v;
}

} // namespace

TEST(RawImageSize, ReadsWidthThenHeightFromTheName) {
    struct Case {
        const char* name;
        int32_t width, height;
    } cases[] = {
        {"data/white_32x32.raw", 32, 32},
        {"data/credz_512x256.raw", 512, 256},
        {"data/grtz_256x512.raw", 256, 512},
        {"data/ribbonz_32x512.raw", 32, 512},
        {"big_65535x12345.raw", 65535, 12345}, // five digits in full
        {"tiny_1x2.raw", 1, 2},                // one digit, padded
        {"a_b/pic_x_8x4.raw", 8, 4},           // the marks nearest the dot count
        {"my.pics/x_16x16.raw", 16, 16},
    };
    for (const Case& c : cases) {
        Size s = Parse(c.name);
        EXPECT_TRUE(s.ok) << c.name;
        EXPECT_EQ(s.width, c.width) << c.name;
        EXPECT_EQ(s.height, c.height) << c.name;
    }
}

TEST(RawImageSize, RefusesNamesThatBreakThePatternAndLeavesZero) {
    const char* bad[] = {
        "data/white_32x32",        // no dot at all
        "data/white_3232.raw",     // no x
        "data/white32x32.raw",     // no underscore
        "data/white_32X32.raw",    // the x must be lower case
        "data/white_x32.raw",      // empty width
        "data/white_32x.raw",      // empty height
        "data/white_123456x8.raw", // width of six characters
        "data/white_8x123456.raw", // height of six characters
        "data/white_65536x8.raw",  // does not fit 16 bits
        "data/white_8x99999.raw",
        "data/white_0x8.raw", // an empty picture
        "data/white_ 8x8.raw",     "data/white_8x-8.raw", "data/white_8x8a.raw", "", nullptr,
    };
    for (const char* name : bad) {
        Size s = Parse(name);
        EXPECT_FALSE(s.ok) << (name ? name : "(null)");
        EXPECT_EQ(s.width, 0);
        EXPECT_EQ(s.height, 0);
    }
}

TEST(RawImage, LoadsTheFileInOrderAndIgnoresExtraBytes) {
    std::string path = MakeScratchDir() + "/pic_4x2.raw";
    std::vector<uint8_t> bytes = Ramp(4 * 2 * 4 + 10);
    WriteBinaryFile(path, bytes);
    RawImage image{};
    Captured c = CaptureOutputOf([&] { LoadRawImage(path.c_str(), &image); });
    EXPECT_EQ(c.out, "");
    EXPECT_EQ(c.err, "");
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 32),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 32));
    FreeRawImage(&image);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    FreeRawImage(&image); // freeing twice is harmless
}

TEST(RawImage, ShortFileIsZeroFilledWithAWarning) {
    std::string path = MakeScratchDir() + "/short_4x4.raw";
    std::vector<uint8_t> bytes = Ramp(20);
    WriteBinaryFile(path, bytes);
    RawImage image{};
    Captured c = CaptureOutputOf([&] { LoadRawImage(path.c_str(), &image); });
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 20), bytes);
    for (int i = 20; i < 64; ++i) EXPECT_EQ(image.pixels[i], 0) << i;
    EXPECT_EQ(c.out, "");
    EXPECT_NE(c.err.find(path + ": holds 20 of the 64 bytes"), std::string::npos) << c.err;
    FreeRawImage(&image);
}

TEST(RawImage, MissingFileBadNameAndFolderLeaveTheImageEmpty) {
    std::string dir = MakeScratchDir();
    std::string missing = dir + "/gone_8x8.raw";
    RawImage image{};
    Captured c = CaptureOutputOf([&] { LoadRawImage(missing.c_str(), &image); });
    EXPECT_EQ(c.out, "EEEEEEEEEEEK!!!     file not found!!");
    EXPECT_EQ(c.err, "lockstep: " + missing + ": No such file or directory\n");
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);

    std::string badName = dir + "/nosize.raw";
    WriteBinaryFile(badName, Ramp(64));
    c = CaptureOutputOf([&] { LoadRawImage(badName.c_str(), &image); });
    EXPECT_EQ(c.out, "") << "a malformed name is not a missing file";
    EXPECT_NE(c.err.find("lockstep: " + badName + ": the name does not end in"), std::string::npos);
    EXPECT_EQ(image.pixels, nullptr);

    std::string folder = dir + "/folder_2x2.raw";
    ASSERT_EQ(system(("mkdir " + folder).c_str()), 0);
    c = CaptureOutputOf([&] { LoadRawImage(folder.c_str(), &image); });
    EXPECT_EQ(c.out, "EEEEEEEEEEEK!!!     file not found!!");
    EXPECT_NE(c.err.find("not a regular file"), std::string::npos);
    EXPECT_EQ(image.pixels, nullptr);
}
