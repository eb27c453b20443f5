// How far one frame is from another: the figures the fast frame path is held to against the
// literal one.
#pragma once
#include <cstdint>

struct FrameDifference {
    double psnr;      // over the red, green and blue bytes; infinite for equal frames
    int p99;          // 99% of pixels differ by at most this much in every channel
    int max;          // largest difference of any channel
    double withinTwo; // share of pixels whose channels all differ by 2 or less
    // The 16x16 block (of a grid from the first pixel; the last row and column of blocks may be
    // smaller) whose mean differs most in one channel: a shifted or missing thing shows there,
    // a soft edge averages out. Its mean difference of that channel, and its first pixel.
    double worstBlock;
    int worstBlockX, worstBlockY;
};

constexpr int kCompareBlock = 16;

// a and b: width * height RGBA pixels; alpha is not compared.
FrameDifference CompareFrames(const uint8_t* a, const uint8_t* b, int width, int height);
// The difference made visible: |a - b| times gain per channel, opaque.
void DifferencePicture(const uint8_t* a, const uint8_t* b, int width, int height, int gain,
                       uint8_t* out);
