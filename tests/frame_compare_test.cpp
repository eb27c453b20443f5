// The figures the default path is held to: a thing shifted or missing shows as a 16x16 block
// whose mean is off, a difference along an edge does not.
#include <gtest/gtest.h>

#include <vector>

#include "tools/frame_compare.h"

namespace {

constexpr int kSide = 64;

struct Picture {
    std::vector<uint8_t> rgba = std::vector<uint8_t>(kSide * kSide * 4, 0);
    void Fill(int x0, int y0, int x1, int y1, uint8_t value) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) rgba[(y * kSide + x) * 4 + c] = value;
    }
};

FrameDifference Compare(const Picture& a, const Picture& b) {
    return CompareFrames(a.rgba.data(), b.rgba.data(), kSide, kSide);
}

} // namespace

TEST(FrameCompare, AShiftedSquareShowsAsABlockAnEdgeDoesNot) {
    Picture square;
    square.Fill(16, 16, 32, 32, 200);
    Picture shifted;
    shifted.Fill(24, 16, 40, 32, 200);
    const FrameDifference moved = Compare(square, shifted);
    EXPECT_DOUBLE_EQ(moved.worstBlock, 100.0); // half of the square's block lost, half gained
    EXPECT_EQ(moved.worstBlockY, 16);
    EXPECT_TRUE(moved.worstBlockX == 16 || moved.worstBlockX == 32) << moved.worstBlockX;

    // A row of the square's edge off by 20: every block it touches is off by 20/16 at most.
    Picture edge = square;
    edge.Fill(16, 31, 32, 32, 220);
    const FrameDifference soft = Compare(square, edge);
    EXPECT_DOUBLE_EQ(soft.worstBlock, 20.0 / 16);
    EXPECT_EQ(soft.max, 20);
    EXPECT_DOUBLE_EQ(soft.withinTwo, 1.0 - 16.0 / (kSide * kSide));

    EXPECT_EQ(Compare(square, square).worstBlock, 0.0);
}

TEST(FrameCompare, BlocksAtTheRightAndTopEdgesCountTheirOwnPixels) {
    // 40x40: the last column and row of blocks are 8 wide and high.
    constexpr int kOdd = 40;
    std::vector<uint8_t> a(kOdd * kOdd * 4, 0), b = a;
    for (int y = 32; y < kOdd; ++y)
        for (int x = 32; x < kOdd; ++x) b[(y * kOdd + x) * 4 + 1] = 12;
    const FrameDifference d = CompareFrames(a.data(), b.data(), kOdd, kOdd);
    EXPECT_DOUBLE_EQ(d.worstBlock, 12.0);
    EXPECT_EQ(d.worstBlockX, 32);
    EXPECT_EQ(d.worstBlockY, 32);
}
