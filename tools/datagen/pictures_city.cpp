// The city's texture: facades with lit windows, roofs, the rim, and the ground plan.
#include <cmath>
#include "tools/datagen/city_layout.h"
#include "tools/datagen/datagen.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kWindowCell = 32;

struct Rgb {
    float r, g, b;
};

const Rgb kWallColours[kFacadeKinds] = {
    {0.16f, 0.19f, 0.26f}, {0.32f, 0.22f, 0.17f}, {0.08f, 0.20f, 0.25f}, {0.42f, 0.42f, 0.45f}};

void PaintFacade(Picture* pic, int kind, Rng* rng) {
    int x0 = kind * kFacadeWidth;
    Rgb wall = kWallColours[kind];
    for (int y = 0; y < kFacadeHeight; ++y)
        for (int x = 0; x < kFacadeWidth; ++x) {
            float n = 0.85f + 0.3f * FractalNoise(x * 0.05f, y * 0.05f, 3, 11 + kind);
            float* p = PixelAt(pic, x0 + x, y);
            p[0] = wall.r * n;
            p[1] = wall.g * n;
            p[2] = wall.b * n;
            p[3] = 1;
        }
    int floors = kFacadeHeight / kWindowCell, columns = kFacadeWidth / kWindowCell;
    bool glass = kind == 2;
    for (int f = 0; f < floors; ++f)
        for (int c = 0; c < columns; ++c) {
            int cx = x0 + c * kWindowCell, cy = f * kWindowCell;
            if (f == 0) { // parapet band at the top of the tallest buildings
                FillRect(pic, cx, cy + 20, cx + kWindowCell, cy + 26, wall.r * 1.6f, wall.g * 1.6f,
                         wall.b * 1.6f, 1);
                continue;
            }
            bool ground = f == floors - 1;
            int wx0 = glass ? 3 : 7, wx1 = glass ? 29 : 25, wy0 = glass ? 6 : 8;
            int wy1 = ground ? 30 : (glass ? 28 : 25);
            bool lit = ground || NextFloat(rng) < 0.42f;
            float level = NextRange(rng, 0.75f, 1.0f);
            bool cool = NextFloat(rng) < 0.3f;
            for (int y = wy0; y < wy1; ++y)
                for (int x = wx0; x < wx1; ++x) {
                    float gy = static_cast<float>(y - wy0) / (wy1 - wy0);
                    float r, g, b;
                    if (lit) {
                        float l = level * (0.85f + 0.15f * gy);
                        r = (cool ? 0.80f : 1.00f) * l;
                        g = (cool ? 0.90f : 0.82f) * l;
                        b = (cool ? 1.00f : 0.48f) * l;
                    } else { // dark glass with a sky reflection fading down
                        r = 0.05f + 0.10f * (1 - gy);
                        g = 0.07f + 0.13f * (1 - gy);
                        b = 0.12f + 0.20f * (1 - gy);
                    }
                    BlendPixel(pic, cx + x, cy + y, r, g, b, 1, 1);
                }
            // Mullion down the middle of each window.
            FillRect(pic, cx + 15, cy + wy0, cx + 17, cy + wy1, wall.r, wall.g, wall.b, 1);
        }
}

void PaintRoof(Picture* pic, int kind, Rng* rng) {
    int x0 = kRoofX + kind * kRoofSize, y0 = kRoofY;
    float base = kind == 0 ? 0.34f : 0.22f;
    for (int y = 0; y < kRoofSize; ++y)
        for (int x = 0; x < kRoofSize; ++x) {
            float n = base * (0.8f + 0.4f * FractalNoise(x * 0.04f, y * 0.04f, 4, 31 + kind));
            bool border = x < 10 || y < 10 || x >= kRoofSize - 10 || y >= kRoofSize - 10;
            float* p = PixelAt(pic, x0 + x, y0 + y);
            p[0] = border ? n * 1.5f : n;
            p[1] = border ? n * 1.5f : n;
            p[2] = border ? n * 1.55f : n * 1.05f;
            p[3] = 1;
        }
    for (int i = 0; i < 5; ++i) { // machinery boxes
        int bx = x0 + 24 + static_cast<int>(NextFloat(rng) * 170);
        int by = y0 + 24 + static_cast<int>(NextFloat(rng) * 170);
        int w = 20 + static_cast<int>(NextFloat(rng) * 40), h = 16 + (i * 7) % 30;
        FillRect(pic, bx, by, bx + w, by + h, 0.55f, 0.56f, 0.58f, 1);
        FillRect(pic, bx + 3, by + 3, bx + w - 3, by + h - 3, 0.42f, 0.43f, 0.46f, 1);
    }
    // A red beacon light in a corner, for the glow.
    for (int y = -6; y <= 6; ++y)
        for (int x = -6; x <= 6; ++x)
            BlendPixel(pic, x0 + 30 + x, y0 + 30 + y, 1.0f, 0.15f, 0.1f, 1,
                       Clamp01(6.5f - std::sqrt(static_cast<float>(x * x + y * y))));
}

void PaintRim(Picture* pic) {
    for (int y = 0; y < kRimHeight; ++y)
        for (int x = 0; x < kRimWidth; ++x) {
            float* p = PixelAt(pic, kRimX + x, kRimY + y);
            float band = (y < 8 || y >= kRimHeight - 8) ? 0.45f : 0.16f;
            p[0] = band;
            p[1] = band;
            p[2] = band * 1.2f;
            p[3] = 1;
            // A row of lights along the edge of the disc.
            float lx = static_cast<float>(x % 32) - 16, ly = static_cast<float>(y) - 32;
            float light = Clamp01(5.0f - std::sqrt(lx * lx + ly * ly));
            p[0] += (1.0f - p[0]) * light;
            p[1] += (0.85f - p[1]) * light;
            p[2] += (0.55f - p[2]) * light;
        }
}

float AngleDistance(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 2 * kPi);
    return d > kPi ? 2 * kPi - d : d;
}

// Distance (world units) from the centre line of the nearest avenue, and the radius.
float AvenueDistance(float x, float z) {
    float radius = std::sqrt(x * x + z * z), angle = std::atan2(x, z);
    float step = 2 * kPi / kAvenueCount, best = 1e9f;
    for (int i = 0; i < kAvenueCount; ++i)
        best = std::fmin(best, AngleDistance(angle, (i + 0.5f) * step));
    return radius * std::sin(std::fmin(best, kPi * 0.5f));
}

void PaintGround(Picture* pic) {
    float worldPerPixel = 2 * kGroundExtent / kGroundSize;
    for (int py = 0; py < kGroundSize; ++py)
        for (int px = 0; px < kGroundSize; ++px) {
            float x = (px + 0.5f) * worldPerPixel - kGroundExtent;
            float z = (py + 0.5f) * worldPerPixel - kGroundExtent;
            float radius = std::sqrt(x * x + z * z), angle = std::atan2(x, z);
            float grain = 0.9f + 0.2f * FractalNoise(x * 0.08f, z * 0.08f, 3, 51);
            // Blocks: concrete with patches of park.
            float park = FractalNoise(x * 0.01f, z * 0.01f, 3, 57);
            float r = 0.40f * grain, g = 0.40f * grain, b = 0.40f * grain;
            if (park > 0.6f) r = 0.16f * grain, g = 0.34f * grain, b = 0.14f * grain;
            if (radius < kPlazaRadius) { // paving in rings and spokes
                float ring = std::fmod(radius, 18.0f) < 1.6f ? 0.8f : 1.0f;
                float spoke = std::fmod(angle * 8 / kPi + 16, 1.0f) < 0.06f ? 0.85f : 1.0f;
                r = 0.62f * grain * ring * spoke;
                g = 0.58f * grain * ring * spoke;
                b = 0.52f * grain * ring * spoke;
            }
            float street = 1e9f, centre = 1e9f, dash = 0;
            for (int i = 0; i < kRingStreetCount; ++i) {
                float d = std::fabs(radius - kRingStreets[i][0]) - kRingStreets[i][1];
                if (d < street) {
                    street = d;
                    centre = std::fabs(radius - kRingStreets[i][0]);
                    dash = std::fmod(angle * kRingStreets[i][0] / 14.0f + 1000, 2.0f);
                }
            }
            float avenue = AvenueDistance(x, z) - kAvenueHalfWidth;
            if (radius > kPlazaRadius && avenue < street) {
                street = avenue;
                centre = avenue + kAvenueHalfWidth;
                dash = std::fmod(radius / 14.0f, 2.0f);
            }
            if (street < 0) {
                float asphalt = 0.13f * (0.85f + 0.3f * FractalNoise(x * 0.3f, z * 0.3f, 2, 61));
                r = g = asphalt;
                b = asphalt * 1.12f;
                if (street > -5.0f) r = g = b = 0.55f * grain; // pavement edge
                if (centre < 1.8f && dash < 1.0f) r = 0.95f, g = 0.85f, b = 0.35f;
            }
            if (radius > kCityRadius - 6) r = g = b = 0.5f;
            float* p = PixelAt(pic, kGroundX + px, kGroundY + py);
            p[0] = r;
            p[1] = g;
            p[2] = b;
            p[3] = 1;
        }
    // Street lamps along the ring streets' pavements.
    for (int i = 0; i < kRingStreetCount; ++i)
        for (float side : {-1.0f, 1.0f}) {
            float radius = kRingStreets[i][0] + side * (kRingStreets[i][1] - 3);
            int lamps = static_cast<int>(2 * kPi * radius / 40.0f);
            for (int k = 0; k < lamps; ++k) {
                float a = (k + 0.5f * (side > 0)) * 2 * kPi / lamps;
                float lx = (std::sin(a) * radius + kGroundExtent) / worldPerPixel;
                float ly = (std::cos(a) * radius + kGroundExtent) / worldPerPixel;
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -3; dx <= 3; ++dx) {
                        float ex = std::floor(lx) + dx + 0.5f - lx;
                        float ey = std::floor(ly) + dy + 0.5f - ly;
                        float cover = Clamp01(2.2f - std::sqrt(ex * ex + ey * ey));
                        BlendPixel(pic, kGroundX + static_cast<int>(lx) + dx,
                                   kGroundY + static_cast<int>(ly) + dy, 1.0f, 0.9f, 0.6f, 1,
                                   cover);
                    }
            }
        }
}

} // namespace

Picture MakeCityPicture() {
    Picture pic = MakePicture(kCityTextureSize, kCityTextureSize, 0.3f, 0.3f, 0.3f, 1);
    Rng rng{0xC17Eull};
    for (int k = 0; k < kFacadeKinds; ++k) PaintFacade(&pic, k, &rng);
    for (int k = 0; k < kRoofKinds; ++k) PaintRoof(&pic, k, &rng);
    PaintRim(&pic);
    PaintGround(&pic);
    return pic;
}
