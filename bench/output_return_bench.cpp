// The sound output pulled out and plugged back in, over and over, through the player's own path
// (SDL's events pumped by the platform, handed over by music/sound_output.cpp): how long from the
// event of an output added to the first sound of the music at the show's time being heard (by the
// sound layer's reckoning of the output's latency), and how long the main thread spends on the
// return. SDL's disk output writes into a pipe this program reads; closing the pipe pulls it out.
// Usage: output_return_bench [--rounds N]
#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/percentile.h"
#include "music/music.h"
#include "music/sound_layer.h"
#include "music/sound_output.h"
#include "platform/platform.h"
#include "tests/mp3_fixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr uint32_t kPlayMs = 500;
constexpr uint32_t kSilentMs = 300;

uint32_t showStart;
int reader = -1;

int32_t ShowMs() {
    return static_cast<int32_t>(SDL_GetTicks() - showStart);
}

// One pass of the player's loop, the output's pipe drained as a card would play it.
void Pass() {
    char sink[65536];
    while (reader >= 0 && read(reader, sink, sizeof sink) > 0) {
    }
    PlatformEscapeState();
    FollowSoundOutput(ShowMs());
}

// The output writes into a fresh pipe from its next opening on.
bool NewPipe(const std::string& path) {
    unlink(path.c_str());
    if (mkfifo(path.c_str(), 0600) != 0) return false;
    reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    return reader >= 0;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--rounds")) rounds = atoi(argv[i + 1]);
    }
    signal(SIGPIPE, SIG_IGN); // a write into the closed pipe must fail, not end the process
    char folder[] = "/tmp/lockstep-output-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string dir = folder, track = dir + "/track.mp3", pipe = dir + "/device";
    if (!WriteMp3(track, SineSamples(440.0, 30.0, kRate, 0.5f), kRate)) return 1;

    setenv("SDL_AUDIODRIVER", "disk", 1);
    if (!NewPipe(pipe) || !InitSound() || !StartMusic(track.c_str())) return 1;
    showStart = SDL_GetTicks();
    std::vector<double> toHeard, onMainThread;
    for (int round = 0; round < rounds; ++round) {
        const uint32_t playUntil = SDL_GetTicks() + kPlayMs;
        while (SDL_GetTicks() < playUntil) Pass();
        close(reader);
        reader = -1;
        while (!SoundOutputLost()) Pass();
        const uint32_t silentUntil = SDL_GetTicks() + kSilentMs;
        while (SDL_GetTicks() < silentUntil) Pass();

        if (!NewPipe(pipe)) return 1;
        SDL_Event added = {};
        added.adevice.type = SDL_AUDIODEVICEADDED;
        SDL_PushEvent(&added);
        PlatformEscapeState();
        const double eventAt = SoundClockSeconds();
        FollowSoundOutput(ShowMs());
        const double handledAt = SoundClockSeconds();
        const uint32_t first = SoundFramesWritten(); // the cued music starts here
        while (SoundFramesAudible() <= first) {
            char sink[65536];
            while (read(reader, sink, sizeof sink) > 0) {
            }
            SDL_Delay(0);
        }
        toHeard.push_back((SoundClockSeconds() - eventAt) * 1000.0);
        onMainThread.push_back((handledAt - eventAt) * 1000.0);
    }
    printf("output: %s, buffer %d frames (%.1f ms); %d returns\n", SDL_GetCurrentAudioDriver(),
           kOutputBufferFrames, kOutputBufferFrames * 1000.0 / kRate, rounds);
    printf("from the output added to the music heard at the show's time: median %.1f ms, max "
           "%.1f\n", Percentile(toHeard, 0.5), Percentile(toHeard, 1));
    printf("of which the main thread opening the output and cueing: median %.1f ms, max %.1f\n",
           Percentile(onMainThread, 0.5), Percentile(onMainThread, 1));
    CloseMusic();
    ShutdownSound();
    close(reader);
    unlink(pipe.c_str());
    unlink(track.c_str());
    rmdir(folder);
    return 0;
}
