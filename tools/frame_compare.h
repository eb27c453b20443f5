// How far one frame is from another: the figures the fast frame path is held to against the
// literal one.
#pragma once
#include <cstdint>

struct FrameDifference {
    double psnr;      // over the red, green and blue bytes; infinite for equal frames
    int p99;          // 99% of pixels differ by at most this much in every channel
    int max;          // largest difference of any channel
    double withinTwo; // share of pixels whose channels all differ by 2 or less
};

// a and b: width * height RGBA pixels; alpha is not compared.
FrameDifference CompareFrames(const uint8_t* a, const uint8_t* b, int width, int height);
// The difference made visible: |a - b| times gain per channel, opaque.
void DifferencePicture(const uint8_t* a, const uint8_t* b, int width, int height, int gain,
                       uint8_t* out);
