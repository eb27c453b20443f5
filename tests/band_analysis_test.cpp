// The spectrum analysis and the offline decoder that the tools share with the live sound.
#include <gtest/gtest.h>

#include "music/band_analysis.h"
#include "support/test_support.h"
#include "mp3_fixtures.h"

namespace {

std::vector<float> Analyse(const float* window) {
    std::vector<float> spectrum(kSpectrumBins, -1.0f);
    ComputeSpectrum(window, spectrum.data());
    return spectrum;
}

// The spectrum of the 1024 samples that start at `start`.
std::vector<float> AnalyseAt(const std::vector<float>& samples, size_t start) {
    return Analyse(samples.data() + start);
}

float MaxOutside(const std::vector<float>& spectrum, int low, int high) {
    float most = 0.0f;
    for (int i = 0; i < kSpectrumBins; ++i) {
        if (i < low || i > high) most = std::max(most, spectrum[i]);
    }
    return most;
}

TEST(ComputeSpectrum, FullScaleSineOnBinCentreReadsOneThere) {
    const std::vector<float> tone = SineSamples(kBin20Hz, 0.1, kAnalysisRate, 1.0f);
    const std::vector<float> spectrum = AnalyseAt(tone, 0);
    EXPECT_NEAR(spectrum[20], 1.0f, 1e-4);
    // Hann leaks exactly half into each neighbour and nothing further.
    EXPECT_NEAR(spectrum[19], 0.5f, 1e-4);
    EXPECT_NEAR(spectrum[21], 0.5f, 1e-4);
    EXPECT_LT(MaxOutside(spectrum, 19, 21), 1e-4);
}

TEST(ComputeSpectrum, MagnitudeFollowsAmplitudeAndStaysWithinOne) {
    const std::vector<float> quiet = SineSamples(100 * 44100.0 / 1024, 0.1, kAnalysisRate, 0.25f);
    EXPECT_NEAR(AnalyseAt(quiet, 0)[100], 0.25f, 1e-4);

    std::vector<float> square(kSpectrumWindow);
    for (int i = 0; i < kSpectrumWindow; ++i) square[i] = (i / 16) % 2 ? 1.0f : -1.0f;
    for (float value : Analyse(square.data())) {
        EXPECT_GE(value, 0.0f);
        EXPECT_LE(value, 1.0f);
    }
}

TEST(ComputeSpectrum, SilenceIsZeroAndCallsCarryNothingOver) {
    const std::vector<float> silence(kSpectrumWindow, 0.0f);
    const std::vector<float> tone = SineSamples(kBin20Hz, 0.1, kAnalysisRate, 1.0f);
    const std::vector<float> first = Analyse(silence.data());
    Analyse(tone.data());
    const std::vector<float> again = Analyse(silence.data());
    for (int i = 0; i < kSpectrumBins; ++i) {
        EXPECT_EQ(first[i], 0.0f) << i;
        EXPECT_EQ(again[i], 0.0f) << i;
    }
}

TEST(DecodeMp3File, ToneComesBackInPlaceAndAtFullLength) {
    const std::string dir = MakeScratchDir();
    const std::string path = dir + "/tone.mp3";
    const std::vector<float> tone = SineSamples(kBin20Hz, 1.0, 44100, 1.0f);
    ASSERT_TRUE(WriteMp3(path, tone, 44100));

    std::vector<float> decoded;
    int rate = 0;
    ASSERT_TRUE(DecodeMp3File(path.c_str(), &decoded, &rate));
    EXPECT_EQ(rate, 44100);
    // The tag lets the decoder drop the encoder's padding: same length, no shift.
    EXPECT_EQ(decoded.size(), tone.size());
    double error = 0.0;
    for (size_t i = 0; i < std::min(decoded.size(), tone.size()); ++i) {
        error += std::fabs(decoded[i] - tone[i]);
    }
    // Coding noise is about 0.02 per sample; one sample of shift would be 0.08.
    EXPECT_LT(error / tone.size(), 0.04);
    const std::vector<float> spectrum = AnalyseAt(decoded, 22050);
    EXPECT_GT(spectrum[20], 0.9f);
    EXPECT_LT(MaxOutside(spectrum, 19, 21), 0.01f);
}

TEST(DecodeMp3File, OtherRatesAreResampledTo44100) {
    const std::string dir = MakeScratchDir();
    const std::string path = dir + "/low_rate.mp3";
    ASSERT_TRUE(WriteMp3(path, SineSamples(kBin20Hz, 1.0, 22050, 0.5f), 22050));

    std::vector<float> decoded;
    int rate = 0;
    ASSERT_TRUE(DecodeMp3File(path.c_str(), &decoded, &rate));
    EXPECT_EQ(rate, 44100);
    EXPECT_NEAR(static_cast<double>(decoded.size()), 44100.0, 200.0);
    const std::vector<float> spectrum = AnalyseAt(decoded, 22050);
    EXPECT_NEAR(spectrum[20], 0.5f, 0.05f);
    // The decoder's resampler leaves a faint image of the tone mirrored at 22050 Hz.
    EXPECT_LT(MaxOutside(spectrum, 19, 21), 0.05f);
    float belowImage = 0.0f;
    for (int i = 23; i < kSpectrumBins / 2; ++i) belowImage = std::max(belowImage, spectrum[i]);
    EXPECT_LT(belowImage, 0.01f);
}

TEST(DecodeMp3File, StereoIsMixedToMono) {
    const std::string dir = MakeScratchDir();
    const std::string path = dir + "/one_side.mp3";
    const std::vector<float> left = SineSamples(kBin20Hz, 0.5, 44100, 1.0f);
    const std::vector<float> right(left.size(), 0.0f);
    ASSERT_TRUE(WriteMp3(path, left, 44100, &right));

    std::vector<float> decoded;
    int rate = 0;
    ASSERT_TRUE(DecodeMp3File(path.c_str(), &decoded, &rate));
    EXPECT_NEAR(AnalyseAt(decoded, 11025)[20], 0.5f, 0.05f);
}

TEST(DecodeMp3File, MissingOrForeignFilesFailWithTheirName) {
    const std::string dir = MakeScratchDir();
    const std::string text = dir + "/notes.mp3";
    WriteTextFile(text, std::string(4000, 'x'));
    const std::string missing = dir + "/absent.mp3";
    for (const std::string& path : {missing, text}) {
        std::vector<float> decoded(3, 1.0f);
        int rate = 0;
        bool ok = true;
        const Captured output =
            CaptureOutputOf([&] { ok = DecodeMp3File(path.c_str(), &decoded, &rate); });
        EXPECT_FALSE(ok) << path;
        EXPECT_TRUE(decoded.empty()) << path;
        EXPECT_NE(output.err.find(path), std::string::npos) << output.err;
    }
}

} // namespace
