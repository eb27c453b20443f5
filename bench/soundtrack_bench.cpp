// Time to make the soundtrack: synthesis alone, then the whole WriteSoundtrack (synthesis, mp3
// encoding, writing). Medians of a few runs, process CPU time next to wall time, since the
// machines are shared. The goal: a few seconds at most.
//
// The synthesizer belongs to the lockstep-datagen executable, so its sources are compiled in.
#include "tools/datagen/soundtrack.h"
#include "tools/datagen/synth_core.h"
#include "tools/datagen/synth_effects.h"
#include "tools/datagen/synth_song.h"
#include "tools/datagen/synth_voices.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace {
const int kRuns = 3;

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

double Median(double* values, int count) {
    std::sort(values, values + count);
    return values[count / 2];
}
} // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "/tmp/lockstep_soundtrack_bench.mp3";
    double renderCpu[kRuns], renderWall[kRuns], totalCpu[kRuns], totalWall[kRuns];
    for (int run = 0; run < kRuns; run++) {
        Mix mix;
        if (!CreateMix(&mix)) return 1;
        double cpu = CpuSeconds(), wall = WallSeconds();
        RenderSong(&mix);
        renderCpu[run] = CpuSeconds() - cpu;
        renderWall[run] = WallSeconds() - wall;
        FreeMix(&mix);

        cpu = CpuSeconds();
        wall = WallSeconds();
        if (!WriteSoundtrack(path.c_str())) return 1;
        totalCpu[run] = CpuSeconds() - cpu;
        totalWall[run] = WallSeconds() - wall;
    }
    double songSeconds = double(SongFrameCount()) / kSynthRate;
    printf("soundtrack: %.1f s of music, medians of %d runs\n", songSeconds, kRuns);
    printf("  synthesis        cpu %.2f s  wall %.2f s\n", Median(renderCpu, kRuns),
           Median(renderWall, kRuns));
    printf("  synthesis + mp3  cpu %.2f s  wall %.2f s\n", Median(totalCpu, kRuns),
           Median(totalWall, kRuns));
    remove(path.c_str());
    return 0;
}
