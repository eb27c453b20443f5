#include "tools/frame_compare.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {
constexpr int kChannels = 4;
constexpr int kCompared = 3;
constexpr int kLevels = 256;
constexpr double kPeak = 255.0;
constexpr double kPercentile = 0.99;
constexpr int kNearEnough = 2;
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
