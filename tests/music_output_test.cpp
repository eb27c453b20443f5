// The music against its output: one that cannot open, and the disk output that records what played.
#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include "platform/platform.h"
#include "music/sound_output.h"
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
    // The tone, then a tenth of a second of silence while the stream stays open. Counted in
    // frames written, not waited in wall time: on a loaded machine the output falls behind.
    const uint32_t wanted = after + static_cast<uint32_t>(decoded.size()) + 44100 / 5;
    for (uint32_t waited = 0; SoundFramesWritten() < wanted && waited < 30000; waited += 10)
        SDL_Delay(10);
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

// The file place whose samples `length` recorded frames from output frame `at` repeat, searched
// within `range` frames of `expected`; -1 when none does (the output plays the decoder's samples
// unchanged, so only the true place matches).
int64_t PlaceOfRecording(const std::vector<float>& played, size_t lead, int64_t at,
                         const std::vector<float>& decoded, int64_t expected, int64_t range) {
    constexpr int64_t kLength = 1024;
    int64_t best = -1;
    double bestError = 1e30;
    for (int64_t place = expected - range; place <= expected + range; ++place) {
        if (place < 0 || place + kLength > static_cast<int64_t>(decoded.size())) continue;
        double error = 0.0;
        for (int64_t i = 0; i < kLength && error < bestError; ++i) {
            const double d = played[2 * (lead + at + i)] - decoded[place + i];
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = place;
        }
    }
    return bestError < 1e-6 ? best : -1;
}

int64_t FramesOf(double ms) {
    return static_cast<int64_t>(ms * 44.1 + 0.5);
}

// Noise throughout, so that any stretch of the output tells its place in the file, and the tree's
// tone in the first two seconds only. Returns the file as the decoder gives it, mono.
std::vector<float> WriteNoiseAndTone(const std::string& path) {
    std::vector<float> samples = SineSamples(kBin20Hz, 4.0, 44100, 0.5f);
    uint32_t noise = 12345;
    for (size_t i = 0; i < samples.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        if (i >= 2 * 44100) samples[i] = 0.0f;
        samples[i] += 0.1f * (static_cast<float>(noise >> 8) / 16777216.0f - 0.5f);
    }
    std::vector<float> decoded;
    int rate = 0;
    if (!WriteMp3(path, samples, 44100) || !DecodeMp3File(path.c_str(), &decoded, &rate))
        decoded.clear();
    return decoded;
}

// The show's time, the next frame the output is given and the frame heard at that time, read
// with no callback in between: the next frame is heard (next - heard) frames from now.
struct OutputProbe {
    int32_t showMs;
    uint32_t next, heard;
};

template <typename Clock> OutputProbe ProbeOutput(Clock showMs) {
    OutputProbe probe = {};
    do {
        probe.next = SoundFramesWritten();
        probe.showMs = showMs();
        probe.heard = SoundFramesAudible();
    } while (probe.next != SoundFramesWritten());
    return probe;
}

// How many frames the place that the probe's next frame holds in the recording is from the
// show's time when that frame is heard. The recording ends with the last frame written.
int64_t FramesOffClock(const std::string& recording, uint32_t written, const OutputProbe& probe,
                       const std::vector<float>& decoded) {
    const std::vector<float> played = ReadFloats(recording);
    const int64_t at = static_cast<int64_t>(played.size() / 2) - (written - probe.next);
    const int64_t expected = FramesOf(probe.showMs) + (probe.next - probe.heard);
    if (at < 0) return INT32_MAX;
    const int64_t place = PlaceOfRecording(played, 0, at, decoded, expected, 4410);
    return place < 0 ? INT32_MAX : place - expected;
}

// A scratch folder with the noise-and-tone track, and SDL's disk output recording into it.
struct TrackRecording {
    std::string dir = MakeScratchDir();
    std::string track = dir + "/track.mp3";
    std::string recording = dir + "/output.raw";
    std::vector<float> decoded = WriteNoiseAndTone(track);
    TrackRecording() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    }
};

void PushOutputEvent(uint32_t type, uint32_t which, bool capture) {
    SDL_Event event = {};
    event.adevice.type = type;
    event.adevice.which = which;
    event.adevice.iscapture = capture ? 1 : 0;
    SDL_PushEvent(&event);
}

} // namespace

// After each seek and resume the output holds the file at the clock's place, counted from the
// listener's point at the call, within 10 ms.
TEST(MusicOutput, SeeksAndPausesAreHeardInStepWithTheClock) {
    const TrackRecording files;
    const std::vector<float>& decoded = files.decoded;
    ASSERT_FALSE(decoded.empty());
    ASSERT_TRUE(InitSound());
    ASSERT_EQ(StartMusic(files.track.c_str()), 1);
    SDL_Delay(300);
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f / 5) << "the tone plays";

    // Into the second half: the band is quiet at once.
    const uint32_t seekHeard = SoundFramesAudible();
    SeekMusic(3000);
    const uint32_t seekDone = SoundFramesWritten();
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f) << "the spectrum did not follow the seek";
    SDL_Delay(300);

    const uint32_t pauseHeard = SoundFramesAudible();
    const int32_t pausedAt = 3000 + static_cast<int32_t>((pauseHeard - seekHeard) / 44.1 + 0.5);
    PauseMusic();
    const uint32_t pauseDone = SoundFramesWritten();
    const float heldBand = SpectrumBand(700, 1000);
    SDL_Delay(300);
    EXPECT_EQ(SpectrumBand(700, 1000), heldBand) << "the spectrum did not hold over the pause";
    // A seek while paused moves the held spectrum, not the output.
    SeekMusic(1000);
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f / 5);
    SeekMusic(pausedAt);
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f);
    SDL_Delay(100);
    const uint32_t pauseEnd = SoundFramesWritten();

    const uint32_t resumeHeard = SoundFramesAudible();
    ResumeMusic(pausedAt);
    const uint32_t resumeDone = SoundFramesWritten();
    SDL_Delay(300);
    CloseMusic();
    ShutdownSound();
    const uint32_t written = SoundFramesWritten();

    const std::vector<float> played = ReadFloats(files.recording);
    ASSERT_GE(played.size() / 2, written);
    const size_t lead = played.size() / 2 - written;
    const int64_t tolerance = FramesOf(10);
    // From the first frame written after the call returned, the new place plays.
    const int64_t afterSeek = PlaceOfRecording(played, lead, seekDone, decoded,
                                               FramesOf(3000) + (seekDone - seekHeard), 4410);
    EXPECT_NEAR(afterSeek, FramesOf(3000) + (seekDone - seekHeard), tolerance);
    const int64_t afterResume = PlaceOfRecording(
        played, lead, resumeDone, decoded, FramesOf(pausedAt) + (resumeDone - resumeHeard), 4410);
    EXPECT_NEAR(afterResume, FramesOf(pausedAt) + (resumeDone - resumeHeard), tolerance);
    // Nothing but silence between the pause and the resume.
    ASSERT_LT(pauseDone, pauseEnd);
    for (uint32_t k = pauseDone; k < pauseEnd; ++k) {
        ASSERT_EQ(played[2 * (lead + k)], 0.0f) << "sound at output frame " << k << " while paused";
    }
}

// The output is pulled out and another plugged in, through the player's own path: SDL's events
// pumped by the platform, handed over by the host once a pass with the show's time. The disk
// output writes into a pipe that the test reads; closing it fails the next write, and SDL gives
// the device up as it gives up a card that is gone. Silent, the spectrum goes on with the music
// at the show's time; the new output (a file) plays the file at the show's time within 10 ms.
TEST(MusicOutput, ALostOutputPlaysOnSilentlyAndANewOnePlaysFromTheShowsTime) {
    const TrackRecording files;
    const std::string& track = files.track;
    const std::string pipe = files.dir + "/device";
    ASSERT_FALSE(files.decoded.empty());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    signal(SIGPIPE, SIG_IGN); // the failed write must fail, not end the process

    setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
    ASSERT_TRUE(InitSound());
    ASSERT_EQ(StartMusic(track.c_str()), 1);
    const uint32_t start = SDL_GetTicks();
    auto showMs = [&] { return static_cast<int32_t>(SDL_GetTicks() - start); };
    auto pass = [&] {
        char sink[65536];
        while (reader >= 0 && read(reader, sink, sizeof sink) > 0) {
        }
        PlatformEscapeState();
        FollowSoundOutput(showMs());
        SDL_Delay(5);
    };
    // Other outputs going leave this one playing.
    PushOutputEvent(SDL_AUDIODEVICEREMOVED, 1000, false);
    PushOutputEvent(SDL_AUDIODEVICEREMOVED, 1, true);
    while (showMs() < 300) pass();
    EXPECT_FALSE(SoundOutputLost());
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f / 5) << "the tone plays";

    close(reader);
    reader = -1;
    const Captured lost = CaptureOutputOf([&] {
        while (!SoundOutputLost() && showMs() < 1500) pass();
    });
    ASSERT_TRUE(SoundOutputLost()) << "no removal reached the sound layer";
    EXPECT_NE(lost.err.find("the sound output is gone"), std::string::npos) << lost.err;
    // The tone to 2000 ms of the file, then noise alone: the spectrum follows the show's clock.
    while (showMs() < 1700) pass();
    EXPECT_GT(SpectrumBand(700, 1000), 0.2f / 5) << "the spectrum stopped with the output";
    while (showMs() < 2300) pass();
    EXPECT_LT(SpectrumBand(700, 1000), 0.01f) << "the spectrum did not go on with the clock";

    setenv("SDL_DISKAUDIOFILE", files.recording.c_str(), 1);
    PushOutputEvent(SDL_AUDIODEVICEADDED, 0, false);
    PlatformEscapeState();
    const Captured back = CaptureOutputOf([&] { FollowSoundOutput(showMs()); });
    EXPECT_FALSE(SoundOutputLost());
    EXPECT_NE(back.err.find("the sound output is back"), std::string::npos) << back.err;
    const OutputProbe probe = ProbeOutput(showMs);
    while (showMs() < probe.showMs + 300) pass();
    CloseMusic();
    ShutdownSound();
    const int64_t off = FramesOffClock(files.recording, SoundFramesWritten(), probe, files.decoded);
    EXPECT_LE(std::abs(off), FramesOf(10)) << "frames off the show's time";
}

// An output slower than the clock (the disk output waiting 30 ms after each 23 ms buffer) falls
// behind the show by a quarter of a second each second; followed once a pass, the music is
// moved back to the show's time whenever it is out of step.
TEST(MusicOutput, MusicOutOfStepWithTheShowIsMovedBackToIt) {
    const TrackRecording files;
    ASSERT_FALSE(files.decoded.empty());
    setenv("SDL_DISKAUDIODELAY", "30", 1);
    ASSERT_TRUE(InitSound());
    unsetenv("SDL_DISKAUDIODELAY");
    ASSERT_EQ(StartMusic(files.track.c_str()), 1);
    const uint32_t start = SDL_GetTicks();
    auto showMs = [&] { return static_cast<int32_t>(SDL_GetTicks() - start); };
    while (showMs() < 1500) {
        FollowSoundOutput(showMs());
        SDL_Delay(5);
    }
    const OutputProbe probe = ProbeOutput(showMs);
    SDL_Delay(200); // no pass: the probe's frame is written as it was cued
    CloseMusic();
    ShutdownSound();
    const int64_t off = FramesOffClock(files.recording, SoundFramesWritten(), probe, files.decoded);
    EXPECT_LE(std::abs(off), FramesOf(kMusicOutOfStepMs + 20)) << "frames off the show's time";
}
