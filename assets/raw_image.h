// Headerless RGBA pictures whose size is written into the file name ("name_WxH.raw").
#pragma once
#include <cstdint>

struct RawImage {
    uint8_t* pixels; // width * height * 4 bytes in file order, owned
    uint16_t height;
    uint16_t width;
};

// Width and height from a name such as "data/ribbonz_32x512.raw": 1 to 5 digits each, between
// the underscore, the x and the last dot. Returns false (and leaves both 0) when the name breaks
// the pattern or a side is 0 or does not fit 16 bits.
bool ParseRawImageSize(const char* name, int32_t* width, int32_t* height);
// Leaves the image empty (null pixels, zero size) when the file cannot be used. A file shorter
// than its name says is loaded with the missing bytes zero (and a warning on stderr).
void LoadRawImage(const char* name, RawImage* image);
void FreeRawImage(RawImage* image);
