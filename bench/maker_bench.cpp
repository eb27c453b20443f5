// The makers' keys against the clock: how long from a key press to the first frame that shows
// its effect, and to the first sound of the new place (written to the output, and heard by the
// sound layer's own reckoning of the output's latency). The show runs offscreen over the real
// data set with the dummy sound output, in the player's own session; a second thread presses
// Right, Left and Space (pause, then resume) in turn at random moments, as SDL key events, and
// watches the output. Also times R's reload.
// Usage: maker_bench [--root DIR] [--rounds N]
#include "platform/gl_api.h"
#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/percentile.h"
#include "music/music.h"
#include "music/sound_layer.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/maker_session.h"
#include "programs/options.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_seek.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

enum Kind { KindSeek, KindPause, KindResume, KindCount };
const char* const kKindNames[KindCount] = {"seek (Right, Left)", "pause (Space)", "resume (Space)"};

struct Sample {
    double toFrame, toWritten, toHeard;
};

// Shared between the pressing thread and the frame loop.
std::atomic<bool> pressed{false}; // a key is on its way
std::atomic<int> pressedKind{0};
std::atomic<bool> cued{false};       // the key took effect; cueWritten is valid
std::atomic<uint32_t> cueWritten{0}; // frames written before the effect reached the sound
std::atomic<bool> applied{false};    // its first frame is drawn; frameAt is valid
std::atomic<bool> stop{false};
Clock::time_point pressAt; // written before `pressed`, read after it
Clock::time_point frameAt; // written before `applied`
std::vector<Sample> samples[KindCount];

void PushKey(SDL_Keycode key) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.state = SDL_PRESSED;
    SDL_PushEvent(&event);
}

void Presser(int rounds) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(150, 350);
    const SDL_Keycode keys[] = {SDLK_RIGHT, SDLK_LEFT, SDLK_SPACE, SDLK_SPACE};
    const Kind kinds[] = {KindSeek, KindSeek, KindPause, KindResume};
    for (int round = 0; round < rounds && !stop; ++round) {
        for (int k = 0; k < 4 && !stop; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            pressedKind = kinds[k];
            pressAt = Clock::now();
            PushKey(keys[k]);
            pressed = true; // after the push: a pump that starts later drains the key

            while (!cued && !stop) std::this_thread::sleep_for(std::chrono::microseconds(100));
            // The first frame written after the effect holds the new sound (or the silence).
            const uint32_t mark = cueWritten;
            Clock::time_point written = {}, heard = {};
            while (!stop && heard == Clock::time_point{}) {
                const Clock::time_point now = Clock::now();
                if (written == Clock::time_point{} && SoundFramesWritten() > mark) written = now;
                if (SoundFramesAudible() > mark) heard = now;
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
            while (!applied && !stop) std::this_thread::sleep_for(std::chrono::microseconds(100));
            samples[kinds[k]].push_back(
                {MsSince(pressAt, frameAt), MsSince(pressAt, written), MsSince(pressAt, heard)});
            pressed = false;
            cued = false;
            applied = false;
        }
    }
    stop = true;
}

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const char* root = ".";
    int rounds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--root")) root = argv[i + 1];
        if (!strcmp(argv[i], "--rounds")) rounds = atoi(argv[i + 1]);
    }
    if (chdir(root) != 0) {
        fprintf(stderr, "maker_bench: cannot enter %s\n", root);
        return 1;
    }
    OpenDisplay(false);
    ApplyDefaultRenderState();
    SetFramePath(FramePathFromEnvironment());
    SetUpScenes();
    const int32_t start = 60000; // the credits: the tree, the robots, the turning city
    SeekShow(start, EntryTimesEveryMillisecond());
    if (!StartMusicAt("data/moravinte.mp3", start)) fprintf(stderr, "maker_bench: no music\n");
    BeginShowSession(start, 0, 0, true);

    std::thread presser(Presser, rounds);
    const uint32_t startTick = PlatformTicks();
    bool taken = false; // the last pump drained the pressed key: this pass applies it
    std::vector<double> frameMs;
    while (!stop) {
        const int32_t t = ShowSessionTime(PlatformTicks() - startTick);
        const bool effect = taken;
        if (effect) {
            cueWritten = SoundFramesWritten();
            cued = true;
        }
        const Clock::time_point before = Clock::now();
        BeginFrame();
        StepSessionFrame(t);
        glFinish();
        frameMs.push_back(MsSince(before, Clock::now()));
        if (effect) {
            frameAt = Clock::now();
            applied = true;
        }
        taken = pressed && !cued;
        if (PlatformEscapeState() || t >= kDemoLengthMs) stop = true;
        SDL_Delay(1);
    }
    presser.join();

    printf("frames: %zu, median %.1f ms, 95th percentile %.1f ms\n", frameMs.size(),
           Percentile(frameMs, 0.5), Percentile(frameMs, 0.95));
    printf("%-20s %5s %22s %22s %22s\n", "key", "n", "to frame med/max ms", "to sound written",
           "to sound heard");
    for (int k = 0; k < KindCount; ++k) {
        std::vector<double> f, w, h;
        for (const Sample& s : samples[k]) {
            f.push_back(s.toFrame);
            w.push_back(s.toWritten);
            h.push_back(s.toHeard);
        }
        printf("%-20s %5zu %12.1f / %7.1f %12.1f / %7.1f %12.1f / %7.1f\n", kKindNames[k],
               samples[k].size(), Percentile(f, 0.5), Percentile(f, 1), Percentile(w, 0.5),
               Percentile(w, 1), Percentile(h, 0.5), Percentile(h, 1));
    }

    // What a seek costs the frame loop: the scene scripts run for the state, the music cued.
    std::vector<double> seeks, cues;
    for (int i = 0; i < 20; ++i) {
        const int32_t t = 5000 * (i + 1);
        const Clock::time_point before = Clock::now();
        SeekShow(t, EntryTimesEveryMillisecond());
        const Clock::time_point between = Clock::now();
        SeekMusic(t);
        seeks.push_back(MsSince(before, between));
        cues.push_back(MsSince(between, Clock::now()));
    }
    printf("seek: the show's state median %.2f ms (max %.2f), the music's cue median %.2f ms "
           "(max %.2f), over 20 places\n",
           Percentile(seeks, 0.5), Percentile(seeks, 1), Percentile(cues, 0.5),
           Percentile(cues, 1));

    // R: the whole data set again, the time kept.
    std::vector<double> reloads;
    for (int i = 0; i < 3; ++i) {
        const Clock::time_point before = Clock::now();
        ReloadShow(start);
        ReloadMusic(start);
        reloads.push_back(MsSince(before, Clock::now()));
    }
    printf("reload (R): median %.0f ms of 3 (scenes torn down and set up, soundtrack reopened)\n",
           Percentile(reloads, 0.5));
    CloseMusic();
    TearDownScenes();
    return 0;
}
