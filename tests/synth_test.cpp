// The soundtrack synthesizer's parts: the bar grid, safe writes at the song's edges, the master
// chain's guarantees, the stab voicings the tree depends on, and repeatable output.
#include "tools/datagen/soundtrack.h"
#include "tools/datagen/synth_core.h"
#include "tools/datagen/synth_effects.h"
#include "tools/datagen/synth_song.h"
#include "tools/datagen/synth_voices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

// A short mix of our own buffers, for the voices and effects alone.
struct SmallMix {
    std::vector<float> left, right, reverb, delay;
    Mix mix;
    explicit SmallMix(int64_t frames) : left(frames), right(frames), reverb(frames), delay(frames) {
        mix.left = left.data();
        mix.right = right.data();
        mix.reverbSend = reverb.data();
        mix.delaySend = delay.data();
        mix.frameCount = frames;
        for (int64_t& k : mix.lastKick) k = -1;
    }
};

TEST(SynthGrid, BarsAndBeatsSitOnTheShowClockWithoutDrift) {
    // Every bar starts at round(bar * 1666 ms * 44.1) however far into the song.
    for (int bar = 0; bar <= kSongBars; bar++) {
        int64_t exact = std::llround(bar * 1666.0 * 44.1);
        EXPECT_NEAR(double(StepSample(bar * kStepsPerBar)), double(exact), 0.5) << "bar " << bar;
    }
    EXPECT_EQ(StepSample(20 * kStepsPerBar), 1469412); // the road's cut at 33320 ms
    EXPECT_EQ(SongFrameCount(), StepSample(kSongBars * kStepsPerBar));
    // Beats are quarters of the bar (18367.65 samples), each within half a sample.
    for (int beat = 0; beat < 4 * kSongBars; beat++)
        EXPECT_NEAR(double(StepSample(beat * 4)), beat * 18367.65, 0.5);
    // Lengths are grid differences, so consecutive notes tile the bar exactly.
    int64_t sum = 0;
    for (int step = 52 * kStepsPerBar; step < 53 * kStepsPerBar; step++) sum += StepLength(step, 1);
    EXPECT_EQ(sum, StepLength(52 * kStepsPerBar, kStepsPerBar));
}

TEST(SynthCore, TanhFollowsTheMathAndSaturatesCleanly) {
    for (int i = -3000; i <= 3000; i++) {
        float x = i * 0.01f;
        EXPECT_NEAR(Tanh(x), std::tanh(double(x)), 1e-6) << x;
    }
    EXPECT_EQ(Tanh(0.0f), 0.0f);
    EXPECT_EQ(Tanh(100.0f), 1.0f);
    EXPECT_EQ(Tanh(-100.0f), -1.0f);
}

TEST(SynthVoices, NotesAtTheEdgesStayInsideTheMix) {
    // Hits that start before the first frame or ring past the last are clipped to the buffers
    // (the sanitizer build checks the writes themselves).
    SmallMix m(4000);
    AddKick(&m.mix, -2000, 0.5f);
    AddCrash(&m.mix, 3990, 0.5f, 1);
    const float chord[3] = {57, 60, 64};
    PadTone pad = {600.0f, 0.0f, 0.5f};
    AddPad(&m.mix, 3500, 2000, chord, 3, 0.3f, pad, 2);
    AddBell(&m.mix, -10, 81, 0.3f, 0.1f, 0.0f, 1.0f, 0.2f);
    for (int64_t i = 0; i < 4000; i++)
        ASSERT_TRUE(std::isfinite(m.left[i]) && std::isfinite(m.right[i]));
    EXPECT_NE(m.left[0], 0.0f);    // the kick's tail and the bell reach the first frame
    EXPECT_NE(m.left[3999], 0.0f); // the crash's start reaches the last
}

TEST(SynthVoices, KicksDuckThePadsAndBassThenLetGo) {
    SmallMix m(kSynthRate);
    EXPECT_EQ(DuckGain(&m.mix, 1000, 0.6f), 1.0f); // no kick yet
    for (int s = 0; s < kSongBars * kStepsPerBar; s++) m.mix.lastKick[s] = 0;
    EXPECT_GT(DuckGain(&m.mix, 0, 0.6f), 0.99f); // the dip ramps in, no click
    EXPECT_LT(DuckGain(&m.mix, kSynthRate / 100, 0.6f), 0.6f);
    EXPECT_GT(DuckGain(&m.mix, kSynthRate / 4, 0.6f), 0.99f);
}

TEST(SynthMaster, LimiterHoldsTheCeilingAndLeavesQuietMusicAlone) {
    SmallMix loud(kSynthRate);
    Noise noise = SeedNoise(7);
    for (int64_t i = 0; i < kSynthRate; i++) {
        loud.left[i] = 1.6f * NextNoise(&noise);
        loud.right[i] = i % 1000 == 0 ? -3.0f : 0.1f; // lone spikes
    }
    ApplyLimiter(&loud.mix, 1.0f, 0.89f);
    for (int64_t i = 0; i < kSynthRate; i++) {
        ASSERT_LE(std::fabs(loud.left[i]), 0.89f) << i;
        ASSERT_LE(std::fabs(loud.right[i]), 0.89f) << i;
    }

    SmallMix quiet(kSynthRate);
    for (int64_t i = 0; i < kSynthRate; i++)
        quiet.left[i] = quiet.right[i] = 0.5f * std::sin(i * 0.01f);
    std::vector<float> before = quiet.left;
    ApplyLimiter(&quiet.mix, 1.0f, 0.89f);
    EXPECT_EQ(quiet.left, before);
}

TEST(SynthMaster, FadeEndsInSilenceAndDcIsRemoved) {
    SmallMix m(10000);
    for (int64_t i = 0; i < 10000; i++) m.left[i] = m.right[i] = 0.5f;
    ApplyFadeOut(&m.mix, 2000, 6000);
    EXPECT_EQ(m.left[1999], 0.5f);
    EXPECT_NEAR(m.left[4000], 0.5f * 0.75f, 1e-3f); // 1 - w^2 halfway
    EXPECT_EQ(m.left[6000], 0.0f);
    EXPECT_EQ(m.right[9999], 0.0f);

    SmallMix dc(kSynthRate);
    for (int64_t i = 0; i < kSynthRate; i++) dc.left[i] = dc.right[i] = 0.3f;
    RemoveDc(&dc.mix);
    EXPECT_LT(std::fabs(dc.left[kSynthRate - 1]), 0.01f);
}

TEST(SynthSong, StabsRingInsideTheTreesBandAndTheirBodiesBelowIt) {
    // SpectrumBand(700, 1000) averages the 43 Hz bins 16 to 22; a stab tone must sit well
    // inside them (a bin of margin for the window's spread), the body note below them.
    const Chord* chords[] = {&kAm, &kF, &kC, &kG, &kEm};
    for (const Chord* c : chords) {
        int count = 0;
        for (float midi : c->band) {
            if (midi <= 0.0f) continue;
            count++;
            float hz = MidiToHz(midi);
            EXPECT_GT(hz, 17 * 43.07f) << midi;
            EXPECT_LT(hz, 22 * 43.07f) << midi;
        }
        EXPECT_GE(count, 2);
        EXPECT_LT(MidiToHz(c->body), 15 * 43.07f);
    }
    // A4 = 440 Hz: the song is in tune.
    EXPECT_FLOAT_EQ(MidiToHz(69.0f), 440.0f);
}

TEST(SynthSong, UnwritablePathIsReported) {
    bool written = true;
    Captured output =
        CaptureOutputOf([&] { written = WriteSoundtrack("/nonexistent-dir/moravinte.mp3"); });
    EXPECT_FALSE(written);
    EXPECT_NE(output.err.find("cannot write /nonexistent-dir/moravinte.mp3"), std::string::npos)
        << output.err;
}
} // namespace
