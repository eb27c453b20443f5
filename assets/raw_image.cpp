#include "assets/raw_image.h"

// Placeholders until the picture loader lands.
bool ParseRawImageSize(const char*, int32_t* width, int32_t* height) {
    *width = *height = 0;
    return false;
}
void LoadRawImage(const char*, RawImage* image) { *image = RawImage{}; }
void FreeRawImage(RawImage* image) { *image = RawImage{}; }
