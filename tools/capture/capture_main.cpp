// lockstep-capture: runs the show offscreen at a fixed frame rate and writes stills, frame
// pictures, a video and the spectrum the scripts saw.
#include "platform/gl_api.h"
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "music/band_analysis.h"
#include "music/music.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/options.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_hud.h"
#include "script/show_seek.h"
#include "script/timeline.h"
#include "tools/capture/capture_args.h"
#include "tools/capture/capture_levels.h"
#include "tools/capture/video_pipe.h"
#include "tools/out_file.h"
#include "tools/png_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;
constexpr char kSoundtrackPath[] = "data/moravinte.mp3";
// The band the tree's motion follows, as the scene scripts ask for it.
constexpr int kTreeBandLowHz = 700;
constexpr int kTreeBandHighHz = 1000;
constexpr double kProgressIntervalS = 1.0;

using Clock = std::chrono::steady_clock;

size_t FrameBytes() { return size_t(frameWidth) * frameHeight * 4; }

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Output paths are taken relative to where the tool was started, not to --root.
void MakeAbsolute(std::string* path) {
    if (path->empty()) return;
    std::error_code ec;
    fs::path absolute = fs::absolute(*path, ec);
    if (!ec) *path = absolute.string();
}

// Every failed write is said the same way: the file and the system's reason.
bool SayCannotWrite(const std::string& path, const char* reason) {
    fprintf(stderr, "lockstep-capture: cannot write %s: %s\n", path.c_str(), reason);
    return false;
}

// A file that could not be written would otherwise show only when its frame comes, after
// minutes of drawing.
bool CanWrite(const std::string& path) {
    OutFile probe;
    const char* reason = nullptr;
    if (!OpenOutFile(&probe, path, &reason)) return SayCannotWrite(path, reason);
    DiscardOutFile(&probe);
    return true;
}

void WarnIfExists(const std::string& path) {
    std::error_code ec;
    if (!path.empty() && fs::exists(path, ec))
        fprintf(stderr, "lockstep-capture: %s exists and will be overwritten\n", path.c_str());
}

struct CaptureRun {
    CaptureArgs args;
    std::vector<CaptureFrame> frames;
    CaptureSoundtrack soundtrack;
    std::vector<uint8_t> pixels;
    float spectrum[kSpectrumBins];
    OutFile spectrumFile;
    bool spectrumOpen;
    VideoPipe video;
    bool videoOpen;
    bool warnedFrames;
    size_t nextStill;
    double drawMs; // the last frame's StepFrame
};

CaptureRun run;

void ShowProgress(size_t done, int32_t timeMs, Clock::time_point start) {
    const double elapsed = SecondsSince(start);
    const double fps = elapsed > 0 ? done / elapsed : 0.0;
    const double left = fps > 0 ? (run.frames.size() - done) / fps : 0.0;
    fprintf(stderr, "lockstep-capture: frame %zu/%zu (%dx%d), %d ms, %.1f fps, %.0f s left\n",
            done, run.frames.size(), frameWidth, frameHeight, timeMs, fps, left);
}

// Everything a frame is asked to give; false after a failed write (already reported).
bool WriteFrameOutputs(const CaptureFrame& frame) {
    const uint8_t* pixels = run.pixels.data();
    for (; run.nextStill < run.args.stills.size() &&
           run.args.stills[run.nextStill].timeMs == frame.timeMs;
         ++run.nextStill) {
        const std::string& path = run.args.stills[run.nextStill].path;
        const char* reason = nullptr;
        if (!WritePngBottomUp(path.c_str(), pixels, frameWidth, frameHeight, &reason))
            return SayCannotWrite(path, reason);
    }
    // Extra frames serve stills only; the sequences keep their fixed rate.
    if (frame.index < 0) return true;
    if (!run.args.framesDir.empty()) {
        char path[4096];
        snprintf(path, sizeof path, "%s/%06d.png", run.args.framesDir.c_str(), frame.index);
        if (!run.warnedFrames && access(path, F_OK) == 0) {
            fprintf(stderr, "lockstep-capture: overwriting earlier frame pictures in %s\n",
                    run.args.framesDir.c_str());
            run.warnedFrames = true;
        }
        const char* reason = nullptr;
        if (!WritePngBottomUp(path, pixels, frameWidth, frameHeight, &reason))
            return SayCannotWrite(path, reason);
    }
    if (run.videoOpen && !WriteVideoFrame(&run.video, pixels, FrameBytes())) {
        fprintf(stderr, "lockstep-capture: ffmpeg stopped taking frames\n");
        return false;
    }
    if (run.spectrumOpen) {
        int32_t type = 0, index = 0;
        SelectScene(frame.timeMs, &type, &index);
        const float level = SpectrumLevel(SpectrumBand(kTreeBandLowHz, kTreeBandHighHz));
        if (!PrintOutFile(&run.spectrumFile, "%d,%d,%.6f\n", frame.timeMs, type, level))
            return SayCannotWrite(run.args.spectrumPath, strerror(run.spectrumFile.error));
    }
    return true;
}

// Checks what can be checked before anything is drawn; returns an exit code, or 0 to go on.
int PrepareOutputs() {
    CaptureArgs& args = run.args;
    for (CaptureStill& still : args.stills) MakeAbsolute(&still.path);
    MakeAbsolute(&args.framesDir);
    MakeAbsolute(&args.videoPath);
    MakeAbsolute(&args.spectrumPath);
    if (!args.videoPath.empty() && !ProgramOnPath("ffmpeg")) {
        fprintf(stderr, "lockstep-capture: --video needs the ffmpeg program (Debian package "
                        "ffmpeg), and there is none on PATH\n");
        return kExitFailed;
    }
    for (const CaptureStill& still : args.stills)
        if (!CanWrite(still.path)) return kExitFailed;
    if (!args.videoPath.empty() && !CanWrite(args.videoPath)) return kExitFailed;
    for (const CaptureStill& still : args.stills) WarnIfExists(still.path);
    WarnIfExists(args.videoPath);
    WarnIfExists(args.spectrumPath);
    if (!args.framesDir.empty()) {
        std::error_code ec;
        fs::create_directories(args.framesDir, ec);
        if (!fs::is_directory(args.framesDir, ec)) {
            fprintf(stderr, "lockstep-capture: cannot make the folder %s\n",
                    args.framesDir.c_str());
            return kExitFailed;
        }
    }
    if (chdir(args.root.c_str()) != 0) {
        fprintf(stderr, "lockstep-capture: cannot enter --root %s: %s\n", args.root.c_str(),
                strerror(errno));
        return kExitBadArguments;
    }
    return 0;
}

int OpenOutputStreams() {
    const CaptureArgs& args = run.args;
    if (!args.spectrumPath.empty()) {
        const char* reason = nullptr;
        if (!OpenOutFile(&run.spectrumFile, args.spectrumPath, &reason)) {
            SayCannotWrite(args.spectrumPath, reason);
            return kExitFailed;
        }
        run.spectrumOpen = true;
        PrintOutFile(&run.spectrumFile, "time_ms,scene_type,level\n");
    }
    if (!args.videoPath.empty()) {
        int32_t regular = 0;
        for (const CaptureFrame& frame : run.frames) regular += frame.index >= 0;
        const int64_t durationMs = int64_t(regular) * 1000 / args.fps;
        const bool withSound = !run.soundtrack.mono.empty();
        if (!withSound) fprintf(stderr, "lockstep-capture: no soundtrack; the video is silent\n");
        int32_t soundStart = 0;
        for (const CaptureFrame& frame : run.frames) {
            if (frame.index >= 0) {
                soundStart = frame.timeMs;
                break;
            }
        }
        const VideoSpec video = {frameWidth, frameHeight, args.videoWidth, args.videoHeight,
                                args.fps, durationMs, withSound ? kSoundtrackPath : nullptr,
                                soundStart};
        // ffmpeg writes beside the final name; the video takes that name once it is whole.
        const std::string temporary = TemporaryPathFor(args.videoPath);
        if (!OpenVideoPipe(&run.video, temporary.c_str(), video)) {
            fprintf(stderr, "lockstep-capture: cannot start ffmpeg\n");
            return kExitFailed;
        }
        run.videoOpen = true;
    }
    return 0;
}

// Draws every planned frame; false after a failure (already reported).
bool CaptureFrames() {
    const Clock::time_point start = Clock::now();
    double lastReport = 0;
    for (size_t i = 0; i < run.frames.size(); ++i) {
        const CaptureFrame& frame = run.frames[i];
        InstallSpectrumAt(run.soundtrack, frame.timeMs, run.spectrum);
        BeginFrame();
        // The display tells the fixed rate and what the frame before took to draw.
        SetHudFrameStats(static_cast<float>(run.args.fps), static_cast<float>(run.drawMs));
        const Clock::time_point drawn = Clock::now();
        StepFrame(frame.timeMs);
        run.drawMs = SecondsSince(drawn) * 1000.0;
        PlatformReadFrame(run.pixels.data());
        if (!WriteFrameOutputs(frame)) return false;
        const double now = SecondsSince(start);
        if (now - lastReport >= kProgressIntervalS) {
            ShowProgress(i + 1, frame.timeMs, start);
            lastReport = now;
        }
    }
    return true;
}

// The spectrum and the video take their names only when every frame went into them.
int CloseOutputs(bool ok, Clock::time_point start) {
    bool closed = true;
    const char* reason = nullptr;
    if (run.spectrumOpen && !ok)
        DiscardOutFile(&run.spectrumFile);
    else if (run.spectrumOpen && !CloseOutFile(&run.spectrumFile, &reason))
        closed = SayCannotWrite(run.args.spectrumPath, reason);
    run.spectrumOpen = false;
    if (run.videoOpen) {
        const std::string& path = run.args.videoPath;
        const bool encoded = CloseVideoPipe(&run.video);
        if (!encoded) {
            fprintf(stderr, "lockstep-capture: ffmpeg failed to write %s\n", path.c_str());
            closed = false;
        }
        if (encoded && ok) {
            if (!MoveIntoPlace(path, &reason)) closed = SayCannotWrite(path, reason);
        } else {
            unlink(TemporaryPathFor(path).c_str());
        }
    }
    run.videoOpen = false;
    if (!ok || !closed) return kExitFailed;
    const double seconds = SecondsSince(start);
    fprintf(stderr, "lockstep-capture: %zu frames in %.2f s (%.1f fps)\n", run.frames.size(),
            seconds, seconds > 0 ? run.frames.size() / seconds : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    IgnoreFileSizeSignal();
    // No window and no sound output: the offscreen driver whatever the environment says.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    if (!ParseCaptureArgs(argc, argv, &run.args, &error)) {
        fprintf(stderr, "lockstep-capture: %s\n%s", error.c_str(), kCaptureUsage);
        return kExitBadArguments;
    }
    if (run.args.help) {
        fputs(kCaptureUsage, stdout);
        return 0;
    }
    if (int code = PrepareOutputs()) return code;

    frameWidth = run.args.frameWidth;
    frameHeight = run.args.frameHeight;
    OpenDisplay(false);
    if (!PlatformHasGL()) {
        fprintf(stderr, "lockstep-capture: no OpenGL context\n");
        return kExitFailed;
    }
    fprintf(stderr, "lockstep-capture: %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    if (!PlatformFrameFitsContext()) return kExitBadArguments;
    ApplyDefaultRenderState();
    // --frame-path, else what LOCKSTEP_FRAME_PATH says, checked against the context just made.
    int32_t path = FramePathFast;
    if (run.args.framePath.empty())
        path = FramePathFromEnvironment();
    else
        ParseFramePath(run.args.framePath.c_str(), &path);
    SetFramePath(path);
    SetUpScenes();
    if (!LoadCaptureSoundtrack(kSoundtrackPath, &run.soundtrack))
        fprintf(stderr, "lockstep-capture: no soundtrack; the scripts see a silent spectrum\n");
    // A capture from elsewhere than 0 finds the show as a run of the whole plan would have left it.
    const std::vector<CaptureFrame> plan =
        PlanCaptureFrames(run.args.fps, run.args.toMs, run.args.stills);
    run.frames = CaptureFramesFrom(plan, run.args.fromMs);
    if (!run.frames.empty() && run.frames.front().timeMs > 0)
        SeekShow(run.frames.front().timeMs, CaptureEntryTimes(plan));
    ShowHud(run.args.hud);
    run.pixels.assign(FrameBytes(), 0);

    const Clock::time_point start = Clock::now();
    int code = OpenOutputStreams();
    if (code == 0)
        code = CloseOutputs(CaptureFrames(), start);
    else
        CloseOutputs(false, start);

    SoundOverrideSpectrum(nullptr);
    TearDownScenes();
    // The window and context go with the process, as in the demo: closing them here unloads the
    // GL driver before the leak checker can tell its allocations from ours.
    fflush(stdout);
    return code;
}
