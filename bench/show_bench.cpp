// The whole show offscreen against the real clock, glFinish after every frame: frame times per
// scene, set-up time, and heap allocations made by our own code while frames run. With
// --frame-path all (the default) the fast and the literal frame path and the floor take turns
// frame by frame, so all see the same scenes on the same machine at the same moment. The floor
// is the least any frame of the show can cost: its draw list rendered once into the window by
// the default path's drawing and one full-screen textured pass over it (the dirt), nothing else.
// Usage: show_bench [--root DIR] [--json FILE] [--frame-path fast|literal|floor|all] [--size WxH]
#include "platform/gl_api.h"
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "assets/texture_slots.h"
#include "music/music.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/options.h"
#include "render/draw_list.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/screen_quads.h"
#include "script/scene_objects.h"
#include "script/timeline.h"
#include "tools/out_file.h"

// --- Allocation counting. Every malloc and operator new in the process passes through here;
// only those called directly from this executable's own code (the demo library is linked in
// statically, so that is our code) are counted. Mesa, SDL and libc count as theirs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LOCKSTEP_COUNT_ALLOCATIONS 0 // the sanitizers own malloc
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LOCKSTEP_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef LOCKSTEP_COUNT_ALLOCATIONS
#define LOCKSTEP_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<long> ourAllocations{0};
} // namespace

#if LOCKSTEP_COUNT_ALLOCATIONS
extern "C" {
extern char __executable_start[];
extern char etext[];
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

// The callers' return addresses must be real ones: nothing here may be inlined into them.
#define NOINLINE __attribute__((noinline))

namespace {
inline void CountIfOurs(const void* caller) {
    if (!countingAllocations.load(std::memory_order_relaxed)) return;
    const char* at = static_cast<const char*>(caller);
    if (at >= __executable_start && at < etext)
        ourAllocations.fetch_add(1, std::memory_order_relaxed);
}
void* NewBlock(size_t size, const void* caller) {
    CountIfOurs(caller);
    void* block = __libc_malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
void* NewAlignedBlock(size_t size, std::align_val_t alignment, const void* caller) {
    CountIfOurs(caller);
    void* block = __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
} // namespace

extern "C" NOINLINE void* malloc(size_t size) {
    CountIfOurs(__builtin_return_address(0));
    return __libc_malloc(size);
}
extern "C" NOINLINE void* calloc(size_t count, size_t size) {
    CountIfOurs(__builtin_return_address(0));
    return __libc_calloc(count, size);
}
extern "C" NOINLINE void* realloc(void* block, size_t size) {
    CountIfOurs(__builtin_return_address(0));
    return __libc_realloc(block, size);
}
NOINLINE void* operator new(size_t size) {
    return NewBlock(size, __builtin_return_address(0));
}
NOINLINE void* operator new[](size_t size) {
    return NewBlock(size, __builtin_return_address(0));
}
NOINLINE void* operator new(size_t size, const std::nothrow_t&) noexcept {
    CountIfOurs(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
NOINLINE void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    CountIfOurs(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
NOINLINE void* operator new(size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment, __builtin_return_address(0));
}
NOINLINE void* operator new[](size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment, __builtin_return_address(0));
}
#endif

namespace {

constexpr int kMaxFrames = 1 << 20;
constexpr int32_t kWarmUpMs = 1000; // allocations before this are set-up, not steady state
constexpr int kSceneGroups = 5;
const char* const kGroupNames[kSceneGroups] = {"city", "road", "credits", "finale", "end fade"};
// Indexed by FramePath (fast, literal), then the floor.
constexpr int kPaths = 3;
constexpr int32_t kFloorPath = 2;
const char* const kPathNames[kPaths] = {"fast", "literal", "floor"};
constexpr uint32_t kDefaultBackground = 0xFFFF00; // the show's own, before each scene's

struct FrameSample {
    int32_t timeMs;
    int32_t path;
    float frameMs;
    // All of the process's threads, Mesa's included: steadier than wall time on a shared machine.
    float cpuMs;
    int32_t allocations;
};

struct GroupStats {
    int frames;
    double medianMs, p95Ms, worstMs, medianCpuMs;
};

FrameSample samples[kMaxFrames];
double frameTimes[kMaxFrames];

using Clock = std::chrono::steady_clock;

double CpuMsNow() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Milliseconds since the kernel started this process (10 ms resolution).
double MsSinceProcessStart() {
    FILE* f = fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char line[1024];
    const bool read = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    if (!read) return -1;
    // Field 22 is the start time in clock ticks since boot; fields after the name are plain.
    const char* p = strrchr(line, ')');
    if (!p) return -1;
    unsigned long long startTicks = 0;
    int field = 2;
    for (const char* tok = p + 1; *tok && field < 22; ++tok)
        if (*tok == ' ') {
            ++field;
            if (field == 22) startTicks = strtoull(tok + 1, nullptr, 10);
        }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

// Which of the reported parts of the show a demo time belongs to, or -1 for none.
int SceneGroup(int32_t t) {
    if (t > kEndFadeStartMs) return 4;
    int32_t type = 0, index = 0;
    SelectScene(t, &type, &index);
    switch (type) {
    case kSceneCity:
        return 0;
    case kSceneRoadFirst:
    case kSceneRoadMiddle:
    case kSceneRoadLong:
        return 1;
    case kSceneCredits:
        return 2;
    case kSceneFinale:
        return 3;
    default:
        return -1;
    }
}

// Sorts the group's values of one field on one path into frameTimes; returns how many there are.
int GatherSorted(int frameCount, int group, int path, float FrameSample::*field) {
    int n = 0;
    for (int i = 0; i < frameCount; ++i)
        if (SceneGroup(samples[i].timeMs) == group && samples[i].path == path)
            frameTimes[n++] = samples[i].*field;
    std::sort(frameTimes, frameTimes + n);
    return n;
}

double Median(int n) {
    if (n == 0) return 0;
    return n % 2 ? frameTimes[n / 2] : (frameTimes[n / 2 - 1] + frameTimes[n / 2]) / 2;
}

GroupStats Summarise(int frameCount, int group, int path) {
    GroupStats s{};
    s.frames = GatherSorted(frameCount, group, path, &FrameSample::cpuMs);
    s.medianCpuMs = Median(s.frames);
    const int n = GatherSorted(frameCount, group, path, &FrameSample::frameMs);
    if (n == 0) return s;
    s.medianMs = Median(n);
    s.p95Ms = frameTimes[std::min(n - 1, static_cast<int>(0.95 * n))];
    s.worstMs = frameTimes[n - 1];
    return s;
}

double Fps(double ms) {
    return ms > 0 ? 1000.0 / ms : 0.0;
}

bool ParseBenchPath(const char* text, int32_t* path) {
    if (!strcmp(text, "floor")) {
        *path = kFloorPath;
        return true;
    }
    return ParseFramePath(text, path);
}

// The floor's full-screen pass reads the dirt as the frame's pixels see it, one texel a pixel:
// the cheapest textured pass there is. Made once, into the lowest free slot.
int32_t floorDirtSlot = -1;

void MakeFloorDirt() {
    for (int32_t slot = 0; slot < kTextureSlotCount && floorDirtSlot < 0; ++slot)
        if (!textureSlots[slot]) floorDirtSlot = slot;
    if (floorDirtSlot < 0) return;
    SetFramePath(FramePathFast);
    ClearToColor(0);
    // Upside down, so that the copy of the window reads upright through a screen image.
    SetCull(false);
    DrawScreenImage(dirtTexture, 0, 1, 1, 0, ScreenOpaque);
    SetCull(true);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, frameWidth, frameHeight, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    textureSlots[floorDirtSlot] = name;
}

// The floor frame at t: the scene's script and one render of its list into the window, then the
// dirt multiplied over it, drawn as the default path draws.
void StepFloorFrame(int32_t t) {
    ClearDepthBuffer();
    ResetDrawList();
    ClearToColor(kDefaultBackground);
    RunSceneScript(AdvanceTimeline(&timeline, t), t);
    RenderDrawList();
    DrawScreenImage(floorDirtSlot, 0, 0, 1, 1, ScreenMultiply);
    PresentFrame();
}

void StepBenchFrame(int32_t path, int32_t t) {
    SetFramePath(path == kFloorPath ? FramePathFast : path);
    BeginFrame();
    if (path == kFloorPath)
        StepFloorFrame(t);
    else
        StepFrame(t);
}

// One path's figure over another's, where both were measured.
using PathStats = GroupStats[kPaths][kSceneGroups];

bool HasRatio(const PathStats& stats, int g, int over, int under) {
    const GroupStats& b = stats[under][g];
    return stats[over][g].frames && b.frames && b.medianMs > 0 && b.medianCpuMs > 0;
}

void PrintRatio(const PathStats& stats, int g, int over, int under) {
    if (!HasRatio(stats, g, over, under)) return;
    printf("%-9s %s/%s: median frame time x%.2f, median CPU ms x%.2f\n", kGroupNames[g],
           kPathNames[over], kPathNames[under], stats[over][g].medianMs / stats[under][g].medianMs,
           stats[over][g].medianCpuMs / stats[under][g].medianCpuMs);
}

// "fast_over_NAME": {"city": {"frame_ms": R, "cpu_ms": R}, ...}, scenes without both left out.
void WriteRatios(OutFile* f, const PathStats& stats, int over, int under) {
    PrintOutFile(f, "    \"%s_over_%s\": {", kPathNames[over], kPathNames[under]);
    const char* separator = "";
    for (int g = 0; g < kSceneGroups; ++g) {
        if (!HasRatio(stats, g, over, under)) continue;
        PrintOutFile(f, "%s\"%s\": {\"frame_ms\": %.3f, \"cpu_ms\": %.3f}", separator,
                     kGroupNames[g], stats[over][g].medianMs / stats[under][g].medianMs,
                     stats[over][g].medianCpuMs / stats[under][g].medianCpuMs);
        separator = ", ";
    }
    PrintOutFile(f, "}");
}

} // namespace

int main(int argc, char** argv) {
    const double startedMs = MsSinceProcessStart();
    const Clock::time_point mainEntered = Clock::now();
    const char* root = ".";
    const char* jsonPath = nullptr;
    bool alternate = true;
    int32_t onlyPath = FramePathFast;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--root"))
            root = argv[i + 1];
        else if (!strcmp(argv[i], "--json"))
            jsonPath = argv[i + 1];
        else if (!strcmp(argv[i], "--frame-path"))
            alternate = !ParseBenchPath(argv[i + 1], &onlyPath);
        else if (!strcmp(argv[i], "--size")) {
            std::string error;
            if (!ParseFrameSize(argv[i + 1], &frameWidth, &frameHeight, &error)) {
                fprintf(stderr, "show_bench: %s\n", error.c_str());
                return 2;
            }
        }
    }
    if (chdir(root) != 0) {
        fprintf(stderr, "show_bench: cannot enter %s: %s\n", root, strerror(errno));
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0); // the sound layer runs, nothing is heard

    OpenDisplay(false);
    if (!PlatformFrameFitsContext()) return 2;
    ApplyDefaultRenderState();
    const Clock::time_point loadStart = Clock::now();
    // Set-up counts the shaded path's programs and targets, made as the path is chosen.
    SetFramePath(FramePathFromEnvironment());
    SetUpScenes();
    const double loadMs = MsBetween(loadStart, Clock::now());
    const bool music = StartMusic("data/moravinte.mp3") != 0;
    if (alternate || onlyPath == kFloorPath) MakeFloorDirt();

    // The demo's loop, with glFinish so that each frame's time is its whole cost.
    double setUpMs = 0;
    int frames = 0;
    const Clock::time_point showStart = Clock::now();
    for (;;) {
        const Clock::time_point frameStart = Clock::now();
        const double cpuStart = CpuMsNow();
        const int32_t t = static_cast<int32_t>(MsBetween(showStart, frameStart));
        const int32_t path = alternate ? frames % kPaths : onlyPath;
        const long before = ourAllocations.load();
        countingAllocations = t >= kWarmUpMs;
        StepBenchFrame(path, t);
        glFinish();
        countingAllocations = false;
        const Clock::time_point frameEnd = Clock::now();
        if (frames == 0) setUpMs = startedMs + MsBetween(mainEntered, frameEnd);
        if (frames < kMaxFrames) {
            samples[frames] = {t, path, static_cast<float>(MsBetween(frameStart, frameEnd)),
                               static_cast<float>(CpuMsNow() - cpuStart),
                               static_cast<int32_t>(ourAllocations.load() - before)};
            ++frames;
        }
        if (t >= kDemoLengthMs) break;
    }
    TearDownScenes();
    CloseMusic();

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    printf("show: %d frames, %dx%d offscreen, glFinish per frame, music %s, frame path %s\n",
           frames, frameWidth, frameHeight, music ? "playing (dummy output)" : "not playing",
           alternate ? "fast, literal and floor by turns" : kPathNames[onlyPath]);
    printf("GL: %s | %s | %ld cores\n", renderer ? renderer : "?", version ? version : "?",
           sysconf(_SC_NPROCESSORS_ONLN));
    printf("%-9s %-8s %7s %11s %12s %9s %14s\n", "scene", "path", "frames", "median fps",
           "5th pct fps", "worst ms", "median CPU ms");
    PathStats stats;
    for (int g = 0; g < kSceneGroups; ++g) {
        for (int p = 0; p < kPaths; ++p) {
            stats[p][g] = Summarise(frames, g, p);
            const GroupStats& s = stats[p][g];
            if (s.frames == 0) continue;
            printf("%-9s %-8s %7d %11.1f %12.1f %9.1f %14.1f\n", kGroupNames[g], kPathNames[p],
                   s.frames, Fps(s.medianMs), Fps(s.p95Ms), s.worstMs, s.medianCpuMs);
        }
        PrintRatio(stats, g, FramePathFast, FramePathLiteral);
        PrintRatio(stats, g, FramePathFast, kFloorPath);
    }
    long steadyAllocations = 0;
    int steadyFrames = 0;
    for (int i = 0; i < frames; ++i) {
        if (samples[i].timeMs < kWarmUpMs) continue;
        steadyAllocations += samples[i].allocations;
        ++steadyFrames;
    }
    printf("set-up: %.0f ms from process start to the first frame (loading %.0f ms)\n", setUpMs,
           loadMs);
    if (LOCKSTEP_COUNT_ALLOCATIONS)
        printf("allocations by our code from %d ms on: %ld in %d frames (%.3f per frame)\n",
               kWarmUpMs, steadyAllocations, steadyFrames,
               steadyFrames ? double(steadyAllocations) / steadyFrames : 0.0);
    else
        printf("allocations: not counted in a sanitizer build\n");

    if (jsonPath) {
        OutFile json;
        OutFile* f = &json;
        const char* reason = nullptr;
        if (!OpenOutFile(f, jsonPath, &reason)) {
            fprintf(stderr, "show_bench: cannot write %s: %s\n", jsonPath, reason);
            return 1;
        }
        PrintOutFile(f,
                     "{\n  \"frames\": %d,\n  \"renderer\": \"%s\",\n  \"gl_version\": \"%s\",\n",
                     frames, renderer ? renderer : "", version ? version : "");
        PrintOutFile(f, "  \"cores\": %ld,\n  \"paths\": {\n", sysconf(_SC_NPROCESSORS_ONLN));
        bool firstPath = true;
        for (int p = 0; p < kPaths; ++p) {
            if (!stats[p][0].frames && !stats[p][kSceneGroups - 1].frames) continue;
            PrintOutFile(f, "%s    \"%s\": {\n", firstPath ? "" : ",\n", kPathNames[p]);
            firstPath = false;
            for (int g = 0; g < kSceneGroups; ++g)
                PrintOutFile(
                    f,
                    "      \"%s\": {\"frames\": %d, \"median_fps\": %.1f, \"p5_fps\": %.1f, "
                    "\"worst_ms\": %.1f, \"median_cpu_ms\": %.1f}%s\n",
                    kGroupNames[g], stats[p][g].frames, Fps(stats[p][g].medianMs),
                    Fps(stats[p][g].p95Ms), stats[p][g].worstMs, stats[p][g].medianCpuMs,
                    g + 1 < kSceneGroups ? "," : "");
            PrintOutFile(f, "    }");
        }
        PrintOutFile(f, "\n  },\n  \"ratios\": {\n");
        WriteRatios(f, stats, FramePathFast, FramePathLiteral);
        PrintOutFile(f, ",\n");
        WriteRatios(f, stats, FramePathFast, kFloorPath);
        PrintOutFile(f, "\n");
        PrintOutFile(f, "  },\n  \"setup_ms\": %.0f,\n  \"load_ms\": %.0f,\n", setUpMs, loadMs);
        if (LOCKSTEP_COUNT_ALLOCATIONS)
            PrintOutFile(f, "  \"steady_frames\": %d,\n  \"steady_allocations\": %ld\n}\n",
                         steadyFrames, steadyAllocations);
        else
            PrintOutFile(f, "  \"steady_frames\": %d,\n  \"steady_allocations\": null\n}\n",
                         steadyFrames);
        if (!CloseOutFile(f, &reason)) {
            fprintf(stderr, "show_bench: cannot write %s: %s\n", jsonPath, reason);
            return 1;
        }
    }
    PlatformShutdown();
    return 0;
}
