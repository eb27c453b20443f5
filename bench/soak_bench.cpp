// The show over and over, for what a long run leaks or lets drift. Two modes, each its own
// process (bench/soak.sh runs both):
//   --player SECONDS   the player's own session offscreen as `--loop 0-104000` plays it, for that
//                      much wall time, the music through SDL's disk output into --recording FILE;
//   --capture PASSES   the capture tool's frames over the whole show at --fps, PASSES times in
//                      one process, each pass after the first from the seek that --from makes.
// At every loop (pass) start it takes the resident memory, the open file handles and the live GL
// objects of each kind, and counts GL errors after every frame. The player's music is checked
// against the clock at each loop start: on the loop's first frame, after the turn cued the music,
// the bench notes the show's time and the next output frame with when it will be heard, and
// afterwards finds in the recording which place of the soundtrack that frame holds. Near each
// loop's end it does the same, for how far the music drifted from the clock over the loop (a
// figure, not a limit: it is the output's pace against the system clock). Prints a row per loop,
// the memory curve and a verdict per limit; exits 1 when a limit is not met.
// Usage: soak_bench --root DIR (--player SECONDS --recording FILE | --capture PASSES [--fps N])
#include "platform/gl_api.h"
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/band_analysis.h"
#include "music/music.h"
#include "music/sound_layer.h"
#include "music/sound_output.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/maker_session.h"
#include "programs/options.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_seek.h"
#include "script/timeline.h"
#include "tools/capture/capture_args.h"
#include "tools/capture/capture_levels.h"

namespace {

constexpr char kSoundtrackPath[] = "data/moravinte.mp3";
constexpr GLuint kProbedNames = 65536; // GL names looked at per kind
constexpr uint32_t kCurveEveryMs = 60000;
constexpr int32_t kMusicLateProbeMs = 103000; // near each loop's end: what a loop lets drift
constexpr long kRssLimitKb = 1024;
constexpr double kMusicLimitMs = 10.0;
constexpr int kMatchFrames = 2048;  // frames compared to place a stretch of the recording
constexpr int kSearchFrames = 4410; // how far from the clock's place the search goes

// Resident memory in KB: in all, and of it the anonymous part (the heap, stacks; not the pages
// of mapped files such as the libraries' code, which come and go with the page cache).
struct Resident {
    long kb, anonKb;
};

struct GlObjects {
    int textures, buffers, framebuffers, renderbuffers, programs, shaders;
    bool operator==(const GlObjects& o) const {
        return textures == o.textures && buffers == o.buffers && framebuffers == o.framebuffers &&
               renderbuffers == o.renderbuffers && programs == o.programs && shaders == o.shaders;
    }
};

struct LoopSample {
    double wallS;
    Resident rss;
    int files;
    GlObjects gl;
    long glErrors; // since the previous loop start
};

// The show's time, and the next frame the output is given with the frame heard at that time.
struct MusicProbe {
    int loop;
    int32_t showMs;
    uint32_t next, heard;
};

struct Soak {
    uint32_t startTick;
    uint32_t passTick; // when the pass's time was read
    uint32_t seconds;
    int32_t lastTime;
    long glErrors;
    std::vector<LoopSample> loops;
    std::vector<std::pair<double, Resident>> curve; // by wall seconds
    uint32_t nextCurveMs;
    std::vector<MusicProbe> probes;
    bool probedLate;
};

Soak soak;

Resident ResidentNow() {
    Resident r = {0, 0};
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return r;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        sscanf(line, "VmRSS: %ld", &r.kb);
        sscanf(line, "RssAnon: %ld", &r.anonKb);
    }
    fclose(f);
    return r;
}

int OpenFiles() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count - 1; // the listing's own
}

GlObjects CountGlObjects() {
    GlObjects n = {};
    for (GLuint name = 1; name <= kProbedNames; ++name) {
        n.textures += glIsTexture(name);
        n.buffers += glIsBuffer(name);
        n.framebuffers += glIsFramebuffer(name);
        n.renderbuffers += glIsRenderbuffer(name);
        n.programs += glIsProgram(name);
        n.shaders += glIsShader(name);
    }
    return n;
}

double WallSeconds() {
    return (PlatformTicks() - soak.startTick) / 1000.0;
}

void TakeLoopSample() {
    soak.loops.push_back(
        {WallSeconds(), ResidentNow(), OpenFiles(), CountGlObjects(), soak.glErrors});
    soak.glErrors = 0;
}

void CountGlErrors() {
    while (glGetError() != GL_NO_ERROR) ++soak.glErrors;
}

void FollowCurve() {
    const uint32_t ms = PlatformTicks() - soak.startTick;
    if (ms < soak.nextCurveMs) return;
    soak.curve.push_back({ms / 1000.0, ResidentNow()});
    soak.nextCurveMs += kCurveEveryMs;
}

int32_t PlayerTime(uint32_t elapsed) {
    soak.passTick = PlatformTicks();
    return ShowSessionTime(elapsed);
}

void ProbeMusic(int32_t t) {
    MusicProbe probe = {static_cast<int>(soak.loops.size()), 0, 0, 0};
    do { // no callback in between
        probe.next = SoundFramesWritten();
        probe.showMs = t + static_cast<int32_t>(PlatformTicks() - soak.passTick);
        probe.heard = SoundFramesAudible();
    } while (probe.next != SoundFramesWritten());
    soak.probes.push_back(probe);
}

// The player's pass, as programs/main.cpp makes it, with the soak's notes around it.
void StepPlayerFrame(int32_t t) {
    FollowSoundOutput(t);
    if (soak.loops.empty() || t < soak.lastTime) {
        TakeLoopSample();
        ProbeMusic(t);
        soak.probedLate = false;
    }
    soak.lastTime = t;
    if (!soak.probedLate && t >= kMusicLateProbeMs) {
        ProbeMusic(t);
        soak.probedLate = true;
    }
    StepSessionFrame(t);
    CountGlErrors();
    FollowCurve();
}

int32_t PlayerEscapeState() {
    const int32_t key = PlatformEscapeState();
    return key | (PlatformTicks() - soak.startTick >= soak.seconds * 1000 ? 1 : 0);
}

// The soundtrack place whose mono samples kMatchFrames of the recording from `at` (a frame of the
// recording) repeat, searched around `expected`; -1 when it cannot be read or no place within
// the search matches (the output plays the decoder's samples unchanged).
int64_t PlaceInRecording(FILE* recording, int64_t at, const std::vector<float>& mono,
                         int64_t expected) {
    std::vector<float> stereo(2 * kMatchFrames);
    if (at < 0 || fseek(recording, static_cast<long>(at * 2 * sizeof(float)), SEEK_SET) != 0 ||
        fread(stereo.data(), sizeof(float), stereo.size(), recording) != stereo.size())
        return -1;
    int64_t best = -1;
    double bestError = INFINITY;
    for (int64_t place = expected - kSearchFrames; place <= expected + kSearchFrames; ++place) {
        if (place < 0 || place + kMatchFrames > static_cast<int64_t>(mono.size())) continue;
        double error = 0.0;
        for (int i = 0; i < kMatchFrames && error < bestError; ++i) {
            const double d = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]) - mono[place + i];
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = place;
        }
    }
    return bestError < 1e-6 ? best : -1;
}

// Each probe's music against the clock, in ms (positive: the music ahead): the place the
// recording holds at the probe's next frame against the show's time when that frame is heard.
// False when a loop start is out of the limit or the recording cannot be read.
bool CheckMusic(const char* recordingPath, uint32_t written) {
    std::vector<float> mono;
    int rate = 0;
    FILE* recording = fopen(recordingPath, "rb");
    if (!recording || !DecodeMp3File(kSoundtrackPath, &mono, &rate)) {
        printf("music: FAIL, no recording or soundtrack to compare\n");
        if (recording) fclose(recording);
        return false;
    }
    fseek(recording, 0, SEEK_END);
    const int64_t recorded = ftell(recording) / static_cast<long>(2 * sizeof(float));
    // SDL writes silence of its own before the first callback: it leads the recording.
    const int64_t lead = recorded - written;
    bool ok = lead >= 0;
    double worst = 0.0;
    printf("music against the clock (ms, + ahead; nan: more than %d ms), at each loop's start and "
           "near its end:\n", kSearchFrames * 1000 / kOutputRate);
    for (const MusicProbe& probe : soak.probes) {
        const int64_t expected =
            int64_t{probe.showMs} * kOutputRate / 1000 + (probe.next - probe.heard);
        const int64_t place = PlaceInRecording(recording, lead + probe.next, mono, expected);
        const double offset = (place - expected) * 1000.0 / kOutputRate;
        printf("  loop %d at %6d ms: %+7.1f\n", probe.loop, probe.showMs, place < 0 ? NAN : offset);
        if (probe.showMs >= kMusicLateProbeMs) continue;
        ok = ok && place >= 0 && std::fabs(offset) <= kMusicLimitMs;
        worst = std::fmax(worst, std::fabs(offset));
    }
    fclose(recording);
    printf("music at loop starts: worst %.1f ms (limit %.0f): %s\n", worst, kMusicLimitMs,
           ok ? "ok" : "FAIL");
    return ok;
}

// The limits over the loop starts; true when all are met.
bool Report(const char* unit) {
    printf("%-5s %8s %10s %10s %6s %30s %9s\n", unit, "wall s", "RSS KB", "anon KB", "files",
           "GL tex/buf/fbo/rb/prog/shader", "GL errors");
    long errors = 0;
    for (size_t i = 0; i < soak.loops.size(); ++i) {
        const LoopSample& s = soak.loops[i];
        char gl[64];
        snprintf(gl, sizeof gl, "%d/%d/%d/%d/%d/%d", s.gl.textures, s.gl.buffers,
                 s.gl.framebuffers, s.gl.renderbuffers, s.gl.programs, s.gl.shaders);
        printf("%-5zu %8.1f %10ld %10ld %6d %30s %9ld\n", i + 1, s.wallS, s.rss.kb, s.rss.anonKb,
               s.files, gl, s.glErrors);
        errors += s.glErrors;
    }
    errors += soak.glErrors; // after the last loop start
    printf("resident memory curve (s: KB, anonymous KB):");
    for (const auto& point : soak.curve)
        printf(" %.0f: %ld %ld", point.first, point.second.kb, point.second.anonKb);
    printf("\n");

    // The first loop fills what is made on first use (mesh buffers, the driver's shader
    // variants): the limits hold from the second loop's start on.
    bool ok = soak.loops.size() >= 3;
    long growth = 0, anonGrowth = 0;
    bool same = true;
    for (size_t i = 2; i < soak.loops.size(); ++i) {
        growth = std::max(growth, soak.loops[i].rss.kb - soak.loops[1].rss.kb);
        anonGrowth = std::max(anonGrowth, soak.loops[i].rss.anonKb - soak.loops[1].rss.anonKb);
        same = same && soak.loops[i].files == soak.loops[1].files &&
               soak.loops[i].gl == soak.loops[1].gl;
    }
    printf("resident memory after the first %s: grows by %ld KB, %ld KB of it anonymous (limit "
           "%ld): %s\n", unit, growth, anonGrowth, kRssLimitKb,
           growth <= kRssLimitKb ? "ok" : "FAIL");
    printf("GL errors: %ld: %s\n", errors, errors == 0 ? "ok" : "FAIL");
    printf("file handles and GL objects at every %s start after the first: %s\n", unit,
           same ? "the same" : "FAIL, they differ");
    if (!ok) printf("FAIL: fewer than three %ss\n", unit);
    return ok && growth <= kRssLimitKb && errors == 0 && same;
}

bool SetUpShow() {
    OpenDisplay(false);
    if (!PlatformHasGL()) {
        fprintf(stderr, "soak_bench: no OpenGL context\n");
        return false;
    }
    ApplyDefaultRenderState();
    SetFramePath(FramePathFromEnvironment());
    SetUpScenes();
    return true;
}

int RunPlayer(uint32_t seconds, const char* recording) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording, 1);
    if (!SetUpShow()) return 1;
    if (!StartMusic(kSoundtrackPath)) fprintf(stderr, "soak_bench: no music\n");
    BeginShowSession(0, 0, kDemoLengthMs, false);
    soak.seconds = seconds;
    soak.startTick = PlatformTicks();
    const FrameLoopSource source = {PlatformTicks, PlayerEscapeState, PlatformSleep,
                                    StepPlayerFrame, PlayerTime};
    const int32_t frames = RunFrameLoop(source);
    TearDownScenes();
    CloseMusic();
    ShutdownSound(); // the recording is complete
    const double played = WallSeconds();
    printf("player: %d frames in %.0f s, looping 0-%d ms; the output took %.1f s of sound in "
           "that time\n", frames, played, kDemoLengthMs,
           SoundFramesWritten() / static_cast<double>(kOutputRate));
    const bool limits = Report("loop");
    const bool music = CheckMusic(recording, SoundFramesWritten());
    return limits && music ? 0 : 1;
}

int RunCapture(int passes, int32_t fps) {
    if (!SetUpShow()) return 1;
    CaptureSoundtrack soundtrack;
    if (!LoadCaptureSoundtrack(kSoundtrackPath, &soundtrack))
        fprintf(stderr, "soak_bench: no soundtrack; a silent spectrum\n");
    const std::vector<CaptureFrame> plan = PlanCaptureFrames(fps, kDemoLengthMs, {});
    std::vector<uint8_t> pixels(size_t(frameWidth) * frameHeight * 4);
    float spectrum[kSpectrumBins];
    soak.startTick = PlatformTicks();
    for (int pass = 0; pass < passes; ++pass) {
        // Every pass after the first goes back to its first frame as --from would.
        if (pass > 0) SeekShow(plan.front().timeMs, CaptureEntryTimes(plan));
        TakeLoopSample();
        for (const CaptureFrame& frame : plan) {
            InstallSpectrumAt(soundtrack, frame.timeMs, spectrum);
            BeginFrame();
            StepFrame(frame.timeMs);
            PlatformReadFrame(pixels.data());
            CountGlErrors();
            FollowCurve();
        }
    }
    SoundOverrideSpectrum(nullptr);
    TearDownScenes();
    printf("capture: %d passes of %zu frames at %d fps in %.0f s\n", passes, plan.size(), fps,
           WallSeconds());
    return Report("pass") ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    const char* root = ".";
    const char* recording = nullptr;
    int player = 0, passes = 0, fps = kCaptureDefaultFps;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--root")) root = argv[i + 1];
        if (!strcmp(argv[i], "--player")) player = atoi(argv[i + 1]);
        if (!strcmp(argv[i], "--recording")) recording = argv[i + 1];
        if (!strcmp(argv[i], "--capture")) passes = atoi(argv[i + 1]);
        if (!strcmp(argv[i], "--fps")) fps = atoi(argv[i + 1]);
    }
    if ((player > 0) == (passes > 0) || (player > 0 && !recording) || fps <= 0) {
        fprintf(stderr, "usage: soak_bench --root DIR (--player SECONDS --recording FILE | "
                        "--capture PASSES [--fps N])\n");
        return 2;
    }
    if (chdir(root) != 0) {
        fprintf(stderr, "soak_bench: cannot enter %s\n", root);
        return 2;
    }
    return player > 0 ? RunPlayer(static_cast<uint32_t>(player), recording)
                      : RunCapture(passes, fps);
}
