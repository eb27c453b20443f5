// The lettered pictures: the loading screen, and the title, credits and greetings panels.
// Panels are multiplied over the scene, so their white is invisible and only the ink shows.
#include <cmath>
#include "tools/datagen/datagen.h"
#include "tools/datagen/font.h"
#include "tools/datagen/text_layout.h"

namespace {

constexpr float kPi = 3.14159265f;
// The loading picture is stretched from 512 x 512 to the 800 x 600 screen.
constexpr float kScreenSqueeze = 0.75f;

TextStyle Ink(float cell) {
    return {cell, 1.0f, 0.55f, 0.09f, 0.09f, 0.22f, 1};
}
TextStyle Halo(float cell) {
    return {cell, 1.0f, 1.05f, 0.78f, 0.80f, 0.88f, 1};
}

// A line of panel lettering: a pale halo under dark ink, centred on column cx.
void Letter(Picture* pic, const char* text, float cx, float top, float cell) {
    DrawTextCentred(pic, text, cx, top, Halo(cell));
    DrawTextCentred(pic, text, cx, top, Ink(cell));
}

void LetterBlock(Picture* pic, const PanelText& block, int x0, int y0) {
    for (int i = 0; i < block.lineCount; ++i)
        Letter(pic, block.lines[i].text, x0 + block.width * 0.5f, y0 + block.lines[i].top,
               block.lines[i].cell);
}

} // namespace

Picture MakeTitlePicture() {
    Picture pic = MakePicture(512, 512, 1, 1, 1, 1);
    for (int i = 0; i < kTitlePanelCount; ++i) LetterBlock(&pic, kTitlePanels[i], 0, i * 256);
    return pic;
}

Picture MakeCreditsPicture() {
    Picture pic = MakePicture(512, 256, 1, 1, 1, 1);
    for (int i = 0; i < kCreditsPanelCount; ++i)
        LetterBlock(&pic, kCreditsPanels[i], (i % 2) * 256, (i / 2) * 128);
    return pic;
}

Picture MakeGreetingsPicture() {
    Picture pic = MakePicture(256, 512, 1, 1, 1, 1);
    for (int i = 0; i < kGreetingsPanelCount; ++i)
        LetterBlock(&pic, kGreetingsPanels[i], 0, i * 256);
    return pic;
}

Picture MakeLoadingPicture() {
    constexpr int kSize = 512;
    Picture pic = MakePicture(kSize, kSize, 0, 0, 0, 1);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float k = static_cast<float>(y) / kSize;
            float* p = PixelAt(&pic, x, y);
            p[0] = 0.02f + 0.04f * k;
            p[1] = 0.03f + 0.06f * k;
            p[2] = 0.08f + 0.12f * k;
        }
    // The round city seen from above: rings of streets, squeezed to look round on screen.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float dx = (x + 0.5f - kSize / 2) / kScreenSqueeze, dy = y + 0.5f - kSize / 2;
            float radius = std::sqrt(dx * dx + dy * dy);
            for (float ring : {120.0f, 150.0f, 180.0f, 230.0f}) {
                float cover =
                    Clamp01(1.2f - std::fabs(radius - ring)) * (ring == 230 ? 0.8f : 0.35f);
                BlendPixel(&pic, x, y, 0.3f, 0.8f, 1.0f, 1, cover);
            }
            float angle = std::atan2(dy, dx);
            float spoke = std::fabs(std::fmod(angle * 4 / kPi + 8.5f, 1.0f) - 0.5f) * radius;
            if (radius > 120 && radius < 230)
                BlendPixel(&pic, x, y, 0.3f, 0.8f, 1.0f, 1, Clamp01(1.0f - spoke) * 0.3f);
        }
    TextStyle title{11, kScreenSqueeze, 0.55f, 1.0f, 1.0f, 1.0f, 1};
    TextStyle glow{11, kScreenSqueeze, 1.4f, 0.10f, 0.30f, 0.50f, 1};
    DrawTextCentred(&pic, "lockstep", kSize / 2, 212, glow);
    DrawTextCentred(&pic, "lockstep", kSize / 2, 212, title);
    TextStyle small{3.5f, kScreenSqueeze, 0.5f, 0.6f, 0.8f, 0.95f, 1};
    DrawTextCentred(&pic, "loading", kSize / 2, 330, small);
    return pic;
}
