// The generated soundtrack against what the show needs from it: its format and length, stabs that
// light the tree on the bar grid (through the same decoder and spectrum as the show), quiet
// edges and no clipping. Reads data/moravinte.mp3, which ./test.sh generates before the tests;
// LOCKSTEP_SOUNDTRACK names another file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/band_analysis.h"

namespace {
const int kBarMs = 1666;
const int kLowBin = 700 / 43; // the scripts' band, as SpectrumBand(700, 1000) takes it
const int kHighBin = 1000 / 43;
const double kFrameMs = 1000.0 / 60.0;
const double kFineMs = 2.5; // for peaks, which frames at any phase may catch

std::string SoundtrackPath() {
    const char* path = std::getenv("LOCKSTEP_SOUNDTRACK");
    return path ? path : LOCKSTEP_SOURCE_DIR "/data/moravinte.mp3";
}

struct Decoded {
    bool loaded = false;
    std::vector<float> mono;
    int rate = 0;
};

const Decoded& Soundtrack() {
    static Decoded decoded;
    static bool tried = false;
    if (!tried) {
        tried = true;
        decoded.loaded = DecodeMp3File(SoundtrackPath().c_str(), &decoded.mono, &decoded.rate);
    }
    return decoded;
}

// The tree's level s at demo time ms: the spectrum of the 1024 samples heard up to then, the band
// mean times 5, clamped to [0, 1].
float TreeLevel(const std::vector<float>& mono, double ms) {
    static float window[kSpectrumWindow];
    static float spectrum[kSpectrumBins];
    long end = std::lround(ms * kAnalysisRate / 1000.0);
    for (int i = 0; i < kSpectrumWindow; i++) {
        long at = end - kSpectrumWindow + i;
        window[i] = at >= 0 && at < long(mono.size()) ? mono[at] : 0.0f;
    }
    ComputeSpectrum(window, spectrum);
    double sum = 0.0;
    for (int b = kLowBin; b < kHighBin; b++) sum += spectrum[b];
    return std::clamp(float(5.0 * sum / (kHighBin - kLowBin)), 0.0f, 1.0f);
}

// Highest and lowest level over [fromMs, toMs), sampled every stepMs.
void LevelRange(const std::vector<float>& mono, double fromMs, double toMs, double stepMs,
                float* low, float* high) {
    *low = 1.0f;
    *high = 0.0f;
    for (double t = fromMs; t < toMs; t += stepMs) {
        float s = TreeLevel(mono, t);
        *low = std::min(*low, s);
        *high = std::max(*high, s);
    }
}

class SoundtrackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Soundtrack().loaded)
            GTEST_SKIP() << SoundtrackPath() << " is missing: run lockstep-datagen first";
    }
    const std::vector<float>& mono() { return Soundtrack().mono; }
};

TEST_F(SoundtrackTest, IsAStereo192kMp3OfAbout106Seconds) {
    FILE* f = fopen(SoundtrackPath().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char header[4] = {0, 0, 0, 0};
    ASSERT_EQ(fread(header, 1, 4, f), 4u);
    fclose(f);
    // No ID3 tag: the file starts with a frame header (MPEG-1 layer III, 192 kbit/s, 44.1 kHz).
    EXPECT_EQ(header[0], 0xFF);
    EXPECT_EQ(header[1] & 0xFE, 0xFA) << "not MPEG-1 layer III";
    EXPECT_EQ(header[2] >> 4, 11) << "bitrate index of 192 kbit/s";
    EXPECT_EQ((header[2] >> 2) & 3, 0) << "sample rate index of 44100 Hz";
    EXPECT_NE(header[3] >> 6, 3) << "mono";

    EXPECT_EQ(Soundtrack().rate, 44100);
    // The music starts on the file's first sample: the encoder's delay is declared in the file
    // and dropped by the decoder, so the bar grid sits on the show's clock.
    size_t first = 0;
    while (first < mono().size() && std::fabs(mono()[first]) < 1e-4f) first++;
    EXPECT_LT(first, 220u) << "the music starts " << first << " samples late";
    double seconds = double(mono().size()) / 44100.0;
    EXPECT_GT(seconds, 105.5);
    EXPECT_LT(seconds, 107.5);
}

TEST_F(SoundtrackTest, AccentsLightTheTreeOnTheirBar) {
    // The title's two swings, the city's turn and the finale. A stab must not be early (the tree
    // is still low just before the bar) nor late (it is fully lit within 45 ms).
    for (int bar : {4, 8, 12, 52}) {
        double start = bar * kBarMs;
        float low, high;
        LevelRange(mono(), start - 60.0, start, kFineMs, &low, &high);
        EXPECT_LT(high, 0.3f) << "bar " << bar << " lights up early";
        LevelRange(mono(), start + 15.0, start + 45.0, kFineMs, &low, &high);
        EXPECT_GE(high, 1.0f) << "bar " << bar;
    }
}

TEST_F(SoundtrackTest, TreePulsesFromTheCityTurnToTheRoadAndThroughTheCredits) {
    // Every bar of those lights the tree on its downbeat and lets it fall between stabs; from the
    // turn to the road (bars 12 to 19) the and of three lights it too.
    const double andOfThree = kBarMs * 10.0 / 16.0;
    for (int bar = 12; bar < 52; bar = bar == 19 ? 32 : bar + 1) {
        double start = bar * kBarMs;
        float low, high;
        LevelRange(mono(), start + 15.0, start + 45.0, kFineMs, &low, &high);
        EXPECT_GE(high, 0.9f) << "bar " << bar;
        if (bar < 20) {
            LevelRange(mono(), start + andOfThree + 15.0, start + andOfThree + 45.0, kFineMs, &low,
                       &high);
            EXPECT_GE(high, 0.9f) << "bar " << bar << ", the and of three";
        }
        LevelRange(mono(), start, start + kBarMs, kFrameMs, &low, &high);
        EXPECT_LT(low, 0.1f) << "bar " << bar << " never falls";
    }
}

TEST_F(SoundtrackTest, QuietIntroSilentEndNoClipping) {
    float low, high;
    LevelRange(mono(), 0.0, 4 * kBarMs, kFrameMs, &low, &high);
    EXPECT_LT(high, 0.1f) << "the first four bars should leave the tree still";
    // Then, up to the city's turn, only the title's accents light it: a beat, and it rests.
    for (int bar : {4, 8}) {
        LevelRange(mono(), bar * kBarMs + 416.0, (bar + 4) * kBarMs - 60.0, kFrameMs, &low, &high);
        EXPECT_LT(high, 0.3f) << "bars " << bar << " to " << bar + 3;
    }

    // Black picture from 62 bars on: the music has faded out too.
    size_t silentFrom = size_t(62 * kBarMs * 44.1);
    ASSERT_LT(silentFrom, mono().size());
    float tail = 0.0f, peak = 0.0f;
    for (size_t i = 0; i < mono().size(); i++) {
        float a = std::fabs(mono()[i]);
        peak = std::max(peak, a);
        if (i >= silentFrom) tail = std::max(tail, a);
    }
    EXPECT_LT(tail, 1e-3f);
    EXPECT_LT(peak, 0.99f);
    EXPECT_GT(peak, 0.5f) << "far too quiet";
}
} // namespace
