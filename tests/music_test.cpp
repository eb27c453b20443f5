// The soundtrack calls and the spectrum band, on SDL's dummy output (consumed in real time).
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>

#include "music/music.h"
#include "music/sound_layer.h"
#include "support/test_support.h"
#include "mp3_fixtures.h"

namespace {

constexpr int kToneRate = 44100;
constexpr uint32_t kSettleMs = 250; // a window's worth of the new sound, plus two buffers

// The test mp3s, made once per process.
struct Sounds {
    std::string dir, tone861, tone100, silence, shortTone;
};

const Sounds& TestSounds() {
    static Sounds sounds;
    if (sounds.dir.empty()) {
        sounds.dir = MakeScratchDir();
        sounds.tone861 = sounds.dir + "/tone861.mp3";
        sounds.tone100 = sounds.dir + "/tone100.mp3";
        sounds.silence = sounds.dir + "/silence.mp3";
        sounds.shortTone = sounds.dir + "/short.mp3";
        WriteMp3(sounds.tone861, SineSamples(kBin20Hz, 4.0, kToneRate, 1.0f), kToneRate);
        WriteMp3(sounds.tone100, SineSamples(100.0, 4.0, kToneRate, 1.0f), kToneRate);
        WriteMp3(sounds.silence, std::vector<float>(4 * kToneRate, 0.0f), kToneRate);
        WriteMp3(sounds.shortTone, SineSamples(kBin20Hz, 0.3, kToneRate, 1.0f), kToneRate);
    }
    return sounds;
}

// Fills a spectrum that SpectrumBand then reads in place of the live one.
struct OverrideSpectrum {
    std::vector<float> bins =
        std::vector<float>(kSpectrumBins, 0.0f); // exact size: ASan sees overreads
    OverrideSpectrum() { SoundOverrideSpectrum(bins.data()); }
    ~OverrideSpectrum() { SoundOverrideSpectrum(nullptr); }
};

TEST(SpectrumBand, MeanOverTruncatedBinBounds) {
    OverrideSpectrum spectrum;
    for (int i = 0; i < kSpectrumBins; ++i) spectrum.bins[i] = 0.01f * i;
    // 700 / 43 = 16 and 1000 / 43 = 23: the mean of entries 16 to 22.
    EXPECT_FLOAT_EQ(SpectrumBand(700, 1000), 0.19f);
    EXPECT_FLOAT_EQ(SpectrumBand(0, 43), 0.0f);
    spectrum.bins[0] = 0.75f;
    EXPECT_FLOAT_EQ(SpectrumBand(0, 43), 0.75f);
    EXPECT_FLOAT_EQ(SpectrumBand(42, 85), 0.75f); // 85 / 43 = 1: still bin 0 alone
    EXPECT_FLOAT_EQ(SpectrumBand(43, 129), 0.015f);
}

TEST(SpectrumBand, EmptyOrReversedBandsGiveZero) {
    OverrideSpectrum spectrum;
    for (float& bin : spectrum.bins) bin = 0.5f;
    EXPECT_EQ(SpectrumBand(700, 700), 0.0f);
    EXPECT_EQ(SpectrumBand(700, 730), 0.0f); // both in bin 16
    EXPECT_EQ(SpectrumBand(1000, 700), 0.0f);
}

TEST(SpectrumBand, BoundsBeyondTheSpectrumReadNothingOutside) {
    OverrideSpectrum spectrum;
    for (float& bin : spectrum.bins) bin = 1.0f;
    // Bins 500 to 599: only 500 to 511 exist, the rest count as silence.
    EXPECT_FLOAT_EQ(SpectrumBand(500 * 43, 600 * 43), 0.12f);
    // Bins -10 to 9: ten exist.
    EXPECT_FLOAT_EQ(SpectrumBand(-10 * 43, 10 * 43), 0.5f);
    EXPECT_EQ(SpectrumBand(30000, 40000), 0.0f);
    EXPECT_EQ(SpectrumBand(-2000000000, -1000000000), 0.0f);
    EXPECT_FLOAT_EQ(SpectrumBand(-2147483647 - 1, 2147483647), 512.0f / 99882960.0f);
}

class Music : public ::testing::Test {
  protected:
    // No sound card here: SDL's dummy output consumes samples in real time.
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 0); }
    void TearDown() override { CloseMusic(); }
};

TEST_F(Music, ToneReadsHighInTheBandOthersNearZero) {
    const Sounds& sounds = TestSounds();
    ASSERT_EQ(StartMusic(sounds.tone861.c_str()), 1);
    SDL_Delay(kSettleMs);
    // Bins 19, 20, 21 hold 0.5, 1, 0.5 of the seven: about 0.29.
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f);
    EXPECT_LT(SpectrumBand(2000, 4000), 0.01f);

    ASSERT_EQ(StartMusic(sounds.tone100.c_str()), 1);
    SDL_Delay(kSettleMs);
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f);
    EXPECT_GT(SpectrumBand(86, 129), 0.3f); // 100 Hz lies in bins 2 and 3

    ASSERT_EQ(StartMusic(sounds.silence.c_str()), 1);
    SDL_Delay(kSettleMs);
    EXPECT_LT(SpectrumBand(700, 1000), 0.001f);
    EXPECT_LT(SpectrumBand(0, 22000), 0.001f);
}

TEST_F(Music, SecondStartReplacesTheStreamOnTheSameOutput) {
    const Sounds& sounds = TestSounds();
    ASSERT_EQ(StartMusic(sounds.tone861.c_str()), 1);
    SDL_Delay(kSettleMs);
    const uint32_t before = SoundFramesWritten();
    ASSERT_EQ(StartMusic(sounds.tone100.c_str()), 1);
    SDL_Delay(kSettleMs);
    // The output ran on without being reopened: its frame count did not start over.
    EXPECT_GT(SoundFramesWritten(), before);
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f);
}

TEST_F(Music, StreamPlaysOnceThenStaysSilentUntilClosed) {
    ASSERT_EQ(StartMusic(TestSounds().shortTone.c_str()), 1);
    SDL_Delay(150);
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f);
    SDL_Delay(500);
    EXPECT_LT(SpectrumBand(700, 1000), 0.001f);
    EXPECT_NE(SoundSpectrum(), nullptr);
}

TEST_F(Music, CloseSilencesAndIsHarmlessTwice) {
    ASSERT_EQ(StartMusic(TestSounds().tone861.c_str()), 1);
    SDL_Delay(kSettleMs);
    CloseMusic();
    CloseMusic();
    SDL_Delay(kSettleMs);
    EXPECT_LT(SpectrumBand(700, 1000), 0.001f);
}

TEST_F(Music, MissingFileFailsButTheOutputStaysReady) {
    const std::string missing = TestSounds().dir + "/absent.mp3";
    int result = -1;
    const Captured output = CaptureOutputOf([&] { result = StartMusic(missing.c_str()); });
    EXPECT_EQ(result, 0);
    EXPECT_NE(output.err.find(missing), std::string::npos) << output.err;
    SDL_Delay(100);
    // The output plays silence: a spectrum of zeros, not none.
    ASSERT_NE(SoundSpectrum(), nullptr);
    EXPECT_EQ(SpectrumBand(700, 1000), 0.0f);
    EXPECT_EQ(StartMusic(TestSounds().tone861.c_str()), 1);
}

TEST_F(Music, UndecodableFileFails) {
    const std::string junk = TestSounds().dir + "/junk.mp3";
    WriteTextFile(junk, std::string(5000, 'j'));
    int result = -1;
    const Captured output = CaptureOutputOf([&] { result = StartMusic(junk.c_str()); });
    EXPECT_EQ(result, 0);
    EXPECT_NE(output.err.find(junk), std::string::npos) << output.err;
}

} // namespace
