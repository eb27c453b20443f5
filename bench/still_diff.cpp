// still_diff A.png B.png [DIFF.png]: how far picture B is from picture A, on one line
// "psnr p99 max within2 block x y" (PSNR in dB, "inf" for equal pictures; p99 and max in 1/255
// steps; within2 the share of pixels within 2/255 in every channel; block the largest mean
// difference of one channel over a 16x16 block, in 1/255 steps, and x y that block's top-left
// pixel, from the picture's top-left corner). DIFF.png gets the difference amplified 32 times.
#include <algorithm>
#include <cstdio>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "tools/frame_compare.h"
#include "tools/png_writer.h"

namespace {
constexpr int kChannels = 4;
constexpr int kGain = 32;
} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: still_diff A.png B.png [DIFF.png]\n");
        return 2;
    }
    // Bottom-up, as the PNG writer expects its rows.
    stbi_set_flip_vertically_on_load(1);
    int w[2], h[2], n;
    uint8_t* pictures[2];
    for (int i = 0; i < 2; ++i) {
        pictures[i] = stbi_load(argv[1 + i], &w[i], &h[i], &n, kChannels);
        if (!pictures[i]) {
            fprintf(stderr, "still_diff: cannot read %s\n", argv[1 + i]);
            return 1;
        }
    }
    if (w[0] != w[1] || h[0] != h[1]) {
        fprintf(stderr, "still_diff: %dx%d and %dx%d differ in size\n", w[0], h[0], w[1], h[1]);
        return 1;
    }
    const FrameDifference d = CompareFrames(pictures[0], pictures[1], w[0], h[0]);
    // The rows were read bottom-up: the block's top row is its last one read.
    const int blockRows = std::min(kCompareBlock, h[0] - d.worstBlockY);
    printf("%.2f %d %d %.5f %.2f %d %d\n", d.psnr, d.p99, d.max, d.withinTwo, d.worstBlock,
           d.worstBlockX, h[0] - d.worstBlockY - blockRows);
    int status = 0;
    if (argc == 4) {
        std::vector<uint8_t> picture(size_t(w[0]) * h[0] * kChannels);
        DifferencePicture(pictures[0], pictures[1], w[0], h[0], kGain, picture.data());
        const char* reason = nullptr;
        if (!WritePngBottomUp(argv[3], picture.data(), w[0], h[0], &reason)) {
            fprintf(stderr, "still_diff: cannot write %s: %s\n", argv[3], reason);
            status = 1;
        }
    }
    stbi_image_free(pictures[0]);
    stbi_image_free(pictures[1]);
    return status;
}
