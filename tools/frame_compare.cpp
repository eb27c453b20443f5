#include "tools/frame_compare.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {
constexpr int kChannels = 4;
constexpr int kCompared = 3;
constexpr int kLevels = 256;
constexpr double kPeak = 255.0;
constexpr double kPercentile = 0.99;
constexpr int kNearEnough = 2;

// The largest mean difference of any channel over a block, and where.
void FindWorstBlock(const uint8_t* a, const uint8_t* b, int width, int height,
                    FrameDifference* diff) {
    const int columns = (width + kCompareBlock - 1) / kCompareBlock;
    std::vector<int64_t> sums(size_t(columns) * kCompared);
    for (int y0 = 0; y0 < height; y0 += kCompareBlock) {
        const int rows = height - y0 < kCompareBlock ? height - y0 : kCompareBlock;
        sums.assign(sums.size(), 0);
        for (int y = y0; y < y0 + rows; ++y)
            for (int x = 0; x < width; ++x) {
                const int64_t i = (int64_t(y) * width + x) * kChannels;
                for (int c = 0; c < kCompared; ++c)
                    sums[size_t(x / kCompareBlock) * kCompared + c] += a[i + c] - b[i + c];
            }
        for (int column = 0; column < columns; ++column) {
            const int x0 = column * kCompareBlock;
            const int pixels = rows * (width - x0 < kCompareBlock ? width - x0 : kCompareBlock);
            for (int c = 0; c < kCompared; ++c) {
                const double mean =
                    std::fabs(double(sums[size_t(column) * kCompared + c]) / pixels);
                if (mean <= diff->worstBlock) continue;
                diff->worstBlock = mean;
                diff->worstBlockX = x0;
                diff->worstBlockY = y0;
            }
        }
    }
}

} // namespace

FrameDifference CompareFrames(const uint8_t* a, const uint8_t* b, int width, int height) {
    const int64_t pixels = int64_t(width) * height;
    int64_t histogram[kLevels] = {};
    double squares = 0;
    int largest = 0;
    for (int64_t i = 0; i < pixels; ++i) {
        int worst = 0;
        for (int c = 0; c < kCompared; ++c) {
            const int d = std::abs(a[i * kChannels + c] - b[i * kChannels + c]);
            squares += double(d) * d;
            if (d > worst) worst = d;
        }
        histogram[worst] += 1;
        if (worst > largest) largest = worst;
    }
    FrameDifference diff = {};
    diff.max = largest;
    const double mse = pixels > 0 ? squares / (double(pixels) * kCompared) : 0.0;
    diff.psnr = mse > 0 ? 10.0 * std::log10(kPeak * kPeak / mse)
                        : std::numeric_limits<double>::infinity();
    int64_t seen = 0;
    diff.p99 = -1;
    for (int d = 0; d < kLevels; ++d) {
        seen += histogram[d];
        if (d <= kNearEnough) diff.withinTwo = pixels > 0 ? double(seen) / pixels : 1.0;
        if (diff.p99 < 0 && seen >= kPercentile * pixels) diff.p99 = d;
    }
    FindWorstBlock(a, b, width, height, &diff);
    return diff;
}

void DifferencePicture(const uint8_t* a, const uint8_t* b, int width, int height, int gain,
                       uint8_t* out) {
    const int64_t bytes = int64_t(width) * height * kChannels;
    for (int64_t i = 0; i < bytes; i += kChannels) {
        for (int c = 0; c < kCompared; ++c) {
            const int d = std::abs(a[i + c] - b[i + c]) * gain;
            out[i + c] = static_cast<uint8_t>(d > 255 ? 255 : d);
        }
        out[i + 3] = 255;
    }
}
