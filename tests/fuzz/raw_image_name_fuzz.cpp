// Any byte string as a picture name: the size parser must stay inside it and agree with a
// second, plainer reading of the same pattern.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/raw_image.h"

namespace {

// The digits between from and to (exclusive) as a side of 1 to 65535, or -1.
int32_t Side(const std::string& s, size_t from, size_t to) {
    if (to <= from || to - from > 5) return -1;
    int32_t v = 0;
    for (size_t i = from; i < to; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v >= 1 && v <= 65535 ? v : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string name(bytes.c_str()); // the parser sees the name up to its first zero byte
    int32_t width = -1, height = -1;
    bool ok = ParseRawImageSize(bytes.c_str(), &width, &height);

    int32_t w = -1, h = -1;
    size_t dot = name.rfind('.');
    size_t x = dot == std::string::npos || dot == 0 ? std::string::npos : name.rfind('x', dot - 1);
    size_t underscore =
        x == std::string::npos || x == 0 ? std::string::npos : name.rfind('_', x - 1);
    if (underscore != std::string::npos) {
        w = Side(name, underscore + 1, x);
        h = Side(name, x + 1, dot);
    }
    bool expected = w > 0 && h > 0;
    if (ok != expected) abort();
    if (ok ? (width != w || height != h) : (width != 0 || height != 0)) abort();
    return 0;
}
