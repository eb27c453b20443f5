#include "assets/raw_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/asset_file.h"
#include "assets/load_report.h"

namespace {

constexpr int kSizeFieldLength = 5;  // digits per side in the name
constexpr int32_t kMaxSide = 0xFFFF; // sides are stored in 16 bits
constexpr size_t kBytesPerPixel = 4; // red, green, blue, alpha
constexpr size_t kReasonLength = 160;

// Reads the decimal field that ends just before name[end], walking back to the mark character.
// Only 1 to 5 digits may stand between them.
bool ReadSizeField(const char* name, size_t end, char mark, size_t* markAt, int32_t* value) {
    int32_t result = 0, scale = 1;
    int digits = 0;
    for (size_t i = end; i-- > 0;) {
        char c = name[i];
        if (c == mark) {
            if (digits == 0) return false;
            *markAt = i;
            *value = result;
            return true;
        }
        if (c < '0' || c > '9' || digits == kSizeFieldLength) return false;
        result += (c - '0') * scale;
        scale *= 10;
        ++digits;
    }
    return false;
}

} // namespace

bool ParseRawImageSize(const char* name, int32_t* width, int32_t* height) {
    *width = *height = 0;
    const char* dot = name ? strrchr(name, '.') : nullptr;
    if (!dot) return false;
    size_t xAt = 0, underscoreAt = 0;
    int32_t w = 0, h = 0;
    if (!ReadSizeField(name, static_cast<size_t>(dot - name), 'x', &xAt, &h)) return false;
    if (!ReadSizeField(name, xAt, '_', &underscoreAt, &w)) return false;
    // A zero side would make an empty picture that no texture call accepts.
    if (w < 1 || w > kMaxSide || h < 1 || h > kMaxSide) return false;
    *width = w;
    *height = h;
    return true;
}

void LoadRawImage(const char* name, RawImage* image) {
    *image = RawImage{};
    int32_t width = 0, height = 0;
    if (!ParseRawImageSize(name, &width, &height)) {
        ReportLoadProblem(name, "the name does not end in _WIDTHxHEIGHT.ext with sides 1 to 65535");
        return;
    }
    uint64_t fileSize = 0;
    const char* reason = "";
    FILE* file = OpenAssetFile(name, &fileSize, &reason);
    if (!file) {
        ReportLoadFailure(kFileNotFoundMessage, name, reason);
        return;
    }
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * kBytesPerPixel;
    // Zeroed memory: a short file leaves the rest black without a pass over it, and a huge
    // name over a small file does not commit memory it never fills.
    uint8_t* pixels = static_cast<uint8_t*>(calloc(bytes, 1));
    if (!pixels) {
        fclose(file);
        char why[kReasonLength];
        snprintf(why, sizeof why, "cannot allocate %zu bytes for a %dx%d picture", bytes,
                 static_cast<int>(width), static_cast<int>(height));
        ReportLoadFailure(kNotEnoughMemoryMessage, name, why);
        return;
    }
    size_t got = fread(pixels, 1, bytes, file);
    fclose(file);
    if (got < bytes) {
        // A short file still loads: what is missing reads as transparent black.
        char why[kReasonLength];
        snprintf(why, sizeof why, "holds %zu of the %zu bytes its name promises; the rest is zero",
                 got, bytes);
        ReportLoadProblem(name, why);
    }
    image->pixels = pixels;
    image->width = static_cast<uint16_t>(width);
    image->height = static_cast<uint16_t>(height);
}

void FreeRawImage(RawImage* image) {
    free(image->pixels);
    *image = RawImage{};
}
