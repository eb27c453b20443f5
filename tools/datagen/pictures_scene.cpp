// Pictures for the props: the chrome environment, robots, balls, road, ribbons, and the two
// plain screen pictures (white for fades, dirt multiplied over every frame).
#include <cmath>
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;

void SetPixel(Picture* pic, int x, int y, float r, float g, float b, float a) {
    float* p = PixelAt(pic, x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

void Disc(Picture* pic, float cx, float cy, float radius, float r, float g, float b, float a) {
    int x0 = static_cast<int>(cx - radius - 1), x1 = static_cast<int>(cx + radius + 1);
    int y0 = static_cast<int>(cy - radius - 1), y1 = static_cast<int>(cy + radius + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            BlendPixel(pic, x, y, r, g, b, a, Clamp01(radius - d + 0.5f));
        }
}

} // namespace

Picture MakeWhitePicture() {
    return MakePicture(32, 32, 1, 1, 1, 1);
}

// Texel (s, t) of a sphere map holds what a surface reflects towards the direction r whose
// half-way vector with the eye axis is (2s - 1, 2t - 1, nz): sky above, a bright horizon, dark
// ground below; the contrast at the horizon is what makes chrome read as chrome.
Picture MakeEnvPicture() {
    constexpr int kSize = 128;
    Picture pic = MakePicture(kSize, kSize, 0, 0, 0, 1);
    for (int row = 0; row < kSize; ++row)
        for (int col = 0; col < kSize; ++col) {
            float hx = 2 * (col + 0.5f) / kSize - 1, hy = 2 * (row + 0.5f) / kSize - 1;
            float h2 = hx * hx + hy * hy;
            if (h2 > 1) h2 = 1;
            float hz = std::sqrt(1 - h2);
            float ry = 2 * hz * hy, rx = 2 * hz * hx, rz = 2 * hz * hz - 1;
            float r, g, b;
            if (ry > 0) { // sky: deep blue overhead, pale at the horizon, one sun
                float k = std::pow(ry, 0.6f);
                r = 0.70f - 0.62f * k;
                g = 0.80f - 0.55f * k;
                b = 0.95f - 0.35f * k;
                float sun = std::pow(Clamp01(rx * 0.5f + ry * 0.6f + rz * 0.62f), 40.0f);
                r += sun;
                g += sun * 0.9f;
                b += sun * 0.7f;
            } else { // ground: warm dark, darkest straight down
                float k = std::pow(-ry, 0.5f);
                r = 0.32f - 0.24f * k;
                g = 0.26f - 0.20f * k;
                b = 0.22f - 0.17f * k;
            }
            float horizon = std::exp(-ry * ry * 250.0f);
            r += (1.0f - r) * horizon * 0.9f;
            g += (0.97f - g) * horizon * 0.9f;
            b += (0.90f - b) * horizon * 0.9f;
            SetPixel(&pic, col, row, r, g, b, 1);
        }
    return pic;
}

// Four 128 x 128 regions: plates (0, 0), limbs (128, 0), face (0, 128), accent (128, 128).
Picture MakeRobotPicture() {
    Picture pic = MakePicture(256, 256, 0, 0, 0, 1);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float brushed = 0.85f + 0.2f * FractalNoise(x * 0.02f, y * 0.6f, 3, 71);
            bool seam = x % 42 < 2 || y % 42 < 2;
            float plate = seam ? 0.06f : 0.22f * brushed;
            SetPixel(&pic, x, y, plate, plate * 1.05f, plate * 1.2f, 1);
            float rib = (y % 16 < 3) ? 0.05f : 0.14f * brushed;
            SetPixel(&pic, 128 + x, y, rib, rib * 1.05f, rib * 1.15f, 1);
            bool stripe = static_cast<int>((x + y) / 16) % 2 == 0;
            if (stripe)
                SetPixel(&pic, 128 + x, 128 + y, 0.95f, 0.55f, 0.08f, 1);
            else
                SetPixel(&pic, 128 + x, 128 + y, 0.06f, 0.06f, 0.07f, 1);
            SetPixel(&pic, x, 128 + y, 0.05f, 0.06f, 0.10f, 1);
        }
    for (int y = 0; y < 120; y += 42) // rivets at the plate corners
        for (int x = 0; x < 120; x += 42)
            for (int k = 0; k < 4; ++k)
                Disc(&pic, x + 7.0f + (k % 2) * 28, y + 7.0f + (k / 2) * 28, 2.5f, 0.6f, 0.62f,
                     0.66f, 1);
    // The face: two glowing eyes above a grille.
    Disc(&pic, 40, 128 + 50, 14, 0.2f, 0.9f, 1.0f, 1);
    Disc(&pic, 88, 128 + 50, 14, 0.2f, 0.9f, 1.0f, 1);
    Disc(&pic, 40, 128 + 50, 6, 0.9f, 1.0f, 1.0f, 1);
    Disc(&pic, 88, 128 + 50, 6, 0.9f, 1.0f, 1.0f, 1);
    for (int i = 0; i < 6; ++i)
        FillRect(&pic, 30 + i * 12, 128 + 86, 36 + i * 12, 128 + 108, 0.3f, 0.32f, 0.36f, 1);
    return pic;
}

// Longitude across, latitude down: deep blue with a bright band at the equator.
Picture MakeBallsPicture() {
    Picture pic = MakePicture(64, 64, 0, 0, 0, 1);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float lat = (y + 0.5f) / 64 - 0.5f;
            float band = std::exp(-lat * lat * 300.0f);
            float stripe = (x / 8) % 2 ? 0.7f : 1.0f;
            SetPixel(&pic, x, y, 0.10f + 0.85f * band * stripe, 0.06f + 0.2f * band,
                     0.32f + 0.3f * band * stripe, 1);
        }
    return pic;
}

// Across the road from column 0 to the last; tiles along its length (rows).
Picture MakeRoadPicture() {
    constexpr int kSize = 1024;
    Picture pic = MakePicture(kSize, kSize, 0, 0, 0, 1);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
            float n = TiledNoise(x / 16.0f, y / 16.0f, kSize / 16, 4, 81);
            float a = 0.15f + 0.08f * n;
            float r = a, g = a, b = a * 1.08f;
            if (TiledNoise(x / 64.0f, y / 64.0f, kSize / 64, 2, 83) > 0.68f) // patches
                r *= 0.75f, g *= 0.75f, b *= 0.75f;
            float edge = std::fmin(u, 1 - u);
            if (edge < 0.045f) { // kerb stones, red and white
                bool red = static_cast<int>(v * 16) % 2 == 0;
                r = red ? 0.85f : 0.92f;
                g = red ? 0.12f : 0.92f;
                b = red ? 0.10f : 0.92f;
            } else if (std::fabs(edge - 0.075f) < 0.008f) { // edge lines
                r = g = b = 0.9f;
            } else if (std::fabs(u - 0.5f) < 0.007f && std::fmod(v * 4, 1.0f) < 0.55f) {
                r = 1.0f, g = 0.8f, b = 0.1f; // dashed centre line
            } else if ((std::fabs(u - 0.29f) < 0.005f || std::fabs(u - 0.71f) < 0.005f) &&
                       std::fmod(v * 8 + 0.5f, 1.0f) < 0.4f) {
                r = g = b = 0.8f; // lane dashes
            }
            SetPixel(&pic, x, y, r, g, b, 1);
        }
    return pic;
}

// Across the ribbon from column 0 to 31; repeats along it (rows). Saturated magenta, orange
// and violet so that they read on every background of the show (cyan above all), with a hot
// white core; alpha fades to the edges.
Picture MakeRibbonPicture() {
    Picture pic = MakePicture(32, 512, 0, 0, 0, 0);
    const float stops[4][3] = {
        {1.0f, 0.10f, 0.55f}, {1.0f, 0.45f, 0.05f}, {0.45f, 0.10f, 0.85f}, {1.0f, 0.10f, 0.55f}};
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 32; ++x) {
            float u = (x + 0.5f) / 32, v = (y + 0.5f) / 512;
            float across = std::sin(kPi * u);
            float core = std::pow(across, 12.0f);
            float k = v * 3;
            int i = static_cast<int>(k);
            float t = SmoothStep(0, 1, k - i);
            float r = stops[i][0] + (stops[i + 1][0] - stops[i][0]) * t;
            float g = stops[i][1] + (stops[i + 1][1] - stops[i][1]) * t;
            float b = stops[i][2] + (stops[i + 1][2] - stops[i][2]) * t;
            float pulse = 0.8f + 0.2f * std::sin(v * 2 * kPi * 6);
            r += (1 - r) * core;
            g += (1 - g) * core;
            b += (1 - b) * core;
            SetPixel(&pic, x, y, r, g, b, std::pow(across, 0.8f) * pulse * 0.92f);
        }
    return pic;
}

// Nearly white: it multiplies every finished frame. Grain, scratches, specks and a soft
// vignette; the average stays within a few percent of white.
Picture MakeDirtPicture() {
    constexpr int kSize = 512;
    Picture pic = MakePicture(kSize, kSize, 1, 1, 1, 1);
    Rng rng{0xD1A7ull};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float u = (x + 0.5f) / kSize - 0.5f, v = (y + 0.5f) / kSize - 0.5f;
            float r2 = (u * u + v * v) * 4; // 1 at the middle of each edge, 2 in the corners
            float vignette = 1 - 0.22f * SmoothStep(0.35f, 2.0f, r2);
            float grain =
                1 - 0.04f * NextFloat(&rng) - 0.03f * FractalNoise(x * 0.02f, y * 0.02f, 3, 91);
            float value = vignette * grain;
            SetPixel(&pic, x, y, value, value * 0.995f, value * 0.985f, 1);
        }
    for (int i = 0; i < 9; ++i) { // vertical scratches that wander a little
        float x = NextRange(&rng, 0, kSize), drift = NextRange(&rng, -0.05f, 0.05f);
        int y0 = static_cast<int>(NextRange(&rng, 0, kSize * 0.6f));
        int y1 = y0 + static_cast<int>(NextRange(&rng, kSize * 0.2f, kSize * 0.9f));
        float dark = NextRange(&rng, 0.78f, 0.9f);
        for (int y = y0; y < y1 && y < kSize; ++y) {
            float cx = x + drift * (y - y0) + 1.5f * std::sin(y * 0.03f + i);
            for (int dx = -2; dx <= 2; ++dx) {
                int px = static_cast<int>(cx) + dx;
                float cover = Clamp01(1.2f - std::fabs(px + 0.5f - cx));
                BlendPixel(&pic, px, y, dark, dark, dark * 0.97f, 1, cover * 0.6f);
            }
        }
    }
    for (int i = 0; i < 140; ++i) { // dust specks and a few larger blots
        float radius = i < 130 ? NextRange(&rng, 0.5f, 1.4f) : NextRange(&rng, 2.0f, 3.5f);
        float dark = NextRange(&rng, 0.55f, 0.8f);
        Disc(&pic, NextRange(&rng, 0, kSize), NextRange(&rng, 0, kSize), radius, dark, dark, dark,
             1);
    }
    for (int i = 0; i < 3; ++i) { // curled hairs
        float x = NextRange(&rng, 40, kSize - 40), y = NextRange(&rng, 40, kSize - 40);
        float heading = NextRange(&rng, 0, 2 * kPi), turn = NextRange(&rng, -0.08f, 0.08f);
        for (int s = 0; s < 60; ++s) {
            Disc(&pic, x, y, 0.6f, 0.62f, 0.62f, 0.62f, 1);
            x += std::cos(heading);
            y += std::sin(heading);
            heading += turn + 0.05f * std::sin(s * 0.3f);
        }
    }
    return pic;
}
