// The spectrum a capture installs for the scripts: the soundtrack's samples at the frame's time.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "music/music.h"
#include "music/band_analysis.h"

// The tool is an executable of its own; this part of it is compiled into the test directly.
#include "tools/capture/capture_levels.cpp"

namespace {

CaptureSoundtrack Ramp(int samples) {
    CaptureSoundtrack s;
    s.sampleRate = 44100;
    for (int i = 0; i < samples; ++i) s.mono.push_back(static_cast<float>(i + 1));
    return s;
}

CaptureSoundtrack Sine(double hz, double seconds) {
    CaptureSoundtrack s;
    s.sampleRate = 44100;
    const int n = static_cast<int>(seconds * s.sampleRate);
    for (int i = 0; i < n; ++i)
        s.mono.push_back(static_cast<float>(sin(2 * M_PI * hz * i / s.sampleRate)));
    return s;
}

} // namespace

TEST(CaptureSpectrum, TheWindowEndsAtTheFramesTimeWithSilenceOutsideTheFile) {
    const CaptureSoundtrack ramp = Ramp(44100);
    float window[kSpectrumWindow];
    // 1000 ms is sample 44100: the window holds samples 43076..44099, that is values up to 44100.
    SoundtrackWindowAt(ramp, 1000, window);
    EXPECT_EQ(window[kSpectrumWindow - 1], 44100.0f);
    EXPECT_EQ(window[0], 44100.0f - kSpectrumWindow + 1);
    // At 10 ms (sample 441) the window reaches back before the start of the file.
    SoundtrackWindowAt(ramp, 10, window);
    EXPECT_EQ(window[kSpectrumWindow - 1], 441.0f);
    EXPECT_EQ(window[kSpectrumWindow - 441], 1.0f);
    EXPECT_EQ(window[kSpectrumWindow - 442], 0.0f);
    EXPECT_EQ(window[0], 0.0f);
    // Time 0 and times past the end see silence only.
    SoundtrackWindowAt(ramp, 0, window);
    EXPECT_EQ(window[kSpectrumWindow - 1], 0.0f);
    SoundtrackWindowAt(ramp, 2000, window);
    EXPECT_EQ(window[0], 0.0f);
    EXPECT_EQ(window[kSpectrumWindow - 1], 0.0f);
}

TEST(CaptureSpectrum, TheScriptsBandFollowsTheSoundtrackAndIsZeroWithoutOne) {
    static float spectrum[kSpectrumBins];
    // A tone in the 700-1000 Hz band that the tree follows, starting half a second in.
    CaptureSoundtrack tone = Sine(861.328125, 1.0);
    std::fill(tone.mono.begin(), tone.mono.begin() + 22050, 0.0f);
    InstallSpectrumAt(tone, 400, spectrum);
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f);
    InstallSpectrumAt(tone, 800, spectrum);
    EXPECT_GT(SpectrumBand(700, 1000), 0.1f);
    EXPECT_LT(SpectrumBand(100, 500), 0.01f);

    const CaptureSoundtrack none{};
    InstallSpectrumAt(none, 800, spectrum);
    EXPECT_EQ(SpectrumBand(700, 1000), 0.0f);
    EXPECT_EQ(SpectrumBand(0, 22000), 0.0f);
    SoundOverrideSpectrum(nullptr);
}
