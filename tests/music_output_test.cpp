// The music against its output: one that cannot open, and the disk output that records what played.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <fstream>

#include "music/music.h"
#include "music/sound_layer.h"
#include "support/test_support.h"
#include "mp3_fixtures.h"

namespace {

std::vector<float> ReadFloats(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::vector<float> values(static_cast<size_t>(file.tellg()) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(float)));
    return values;
}

size_t FirstNonZero(const std::vector<float>& values, size_t from, size_t step) {
    for (size_t i = from; i < values.size(); i += step) {
        if (values[i] != 0.0f) return i;
    }
    return values.size();
}

TEST(MusicOutput, FailedOutputGivesZeroAndTheNextStartTriesAgain) {
    const std::string dir = MakeScratchDir();
    const std::string tone = dir + "/tone.mp3";
    ASSERT_TRUE(WriteMp3(tone, SineSamples(kBin20Hz, 2.0, 44100, 1.0f), 44100));

    setenv("SDL_AUDIODRIVER", "no-such-output", 1);
    int result = -1;
    const Captured output = CaptureOutputOf([&] { result = StartMusic(tone.c_str()); });
    EXPECT_EQ(result, 0);
    EXPECT_NE(output.err.find("no sound output"), std::string::npos) << output.err;
    EXPECT_EQ(SpectrumBand(700, 1000), 0.0f);
    EXPECT_EQ(SoundSpectrum(), nullptr);
    CloseMusic();

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(StartMusic(tone.c_str()), 1);
    SDL_Delay(250);
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f);
    CloseMusic();
    ShutdownSound();
}

TEST(MusicOutput, RecordedOutputIsTheDecodedFileStartingAtStartMusic) {
    const std::string dir = MakeScratchDir();
    const std::string tone = dir + "/tone.mp3";
    const std::string recording = dir + "/output.raw";
    ASSERT_TRUE(WriteMp3(tone, SineSamples(kBin20Hz, 0.5, 44100, 0.8f), 44100));
    std::vector<float> decoded;
    int rate = 0;
    ASSERT_TRUE(DecodeMp3File(tone.c_str(), &decoded, &rate));

    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    ASSERT_TRUE(InitSound());
    SDL_Delay(100); // some silence first
    const uint32_t before = SoundFramesWritten();
    ASSERT_EQ(StartMusic(tone.c_str()), 1);
    const uint32_t after = SoundFramesWritten();
    SDL_Delay(900); // the tone, then silence while the stream stays open
    CloseMusic();
    ShutdownSound();
    const uint32_t written = SoundFramesWritten();

    const std::vector<float> played = ReadFloats(recording); // interleaved stereo
    // SDL writes silence of its own while the output starts paused, before the first callback;
    // those frames lead the recording but not the count.
    ASSERT_GE(played.size() / 2, written);
    const size_t lead = played.size() / 2 - written;
    EXPECT_LE(lead, static_cast<size_t>(4 * kOutputBufferFrames));
    const size_t firstTone = FirstNonZero(decoded, 0, 1);
    ASSERT_LT(firstTone, decoded.size());
    const size_t firstPlayed = FirstNonZero(played, 0, 1) / 2;
    ASSERT_GE(firstPlayed, firstTone);
    // The stream began with the first buffer filled after StartMusic handed it over.
    const size_t start = firstPlayed - firstTone;
    EXPECT_GE(start, before + lead);
    EXPECT_LE(start, after + lead);
    ASSERT_GE(played.size() / 2, start + decoded.size() + 44100 / 10);
    size_t mismatches = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
        const float left = played[2 * (start + i)], right = played[2 * (start + i) + 1];
        if (left != decoded[i] || right != decoded[i]) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u);
    // Played once: nothing but silence after the end of the file.
    EXPECT_EQ(FirstNonZero(played, 2 * (start + decoded.size()), 1), played.size());
}

} // namespace
