#include "tools/capture/capture_args.h"

#include <algorithm>
#include <cstring>

#include "programs/frame_loop.h"
#include "programs/options.h"

const char kCaptureUsage[] =
    "usage: lockstep-capture [--root DIR] [--fps N] [--from MS] [--to MS] [--size WxH]\n"
    "                        [--still MS=FILE.png]... [--frames DIR] [--video FILE.mp4]\n"
    "                        [--video-size WxH] [--spectrum FILE.csv]\n"
    "                        [--frame-path fast|literal] [--hud]\n"
    "  --from MS   only the frames from MS on, the show standing as playing through left it;\n"
    "              frames keep their numbers, the video's sound starts there too\n"
    "  --hud       the makers' heads-up display on every frame\n"
    "  --size WxH  frame size, 4:3 from 320x240 (default 800x600; 1440x1080 for 1080p video)\n"
    "  --video-size WxH  the video's picture, the frame centred in it between black bars\n"
    "              (1920x1080 around 1440x1080 for a 16:9 screen)\n"
    "  --frame-path literal  draws every post pass as its own blended quad: the reference the\n"
    "              default fast path is checked against\n";

namespace {

// Whole decimal numbers only: no sign, no spaces, nothing after the digits.
bool ParseWhole(const char* text, int64_t limit, int32_t* out) {
    if (!text || !*text) return false;
    int64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > limit) return false;
    }
    *out = static_cast<int32_t>(value);
    return true;
}

bool ParseStill(const char* text, CaptureStill* still, std::string* error) {
    const char* eq = strchr(text, '=');
    if (!eq) {
        *error = std::string("--still wants MS=FILE.png, not '") + text + "'";
        return false;
    }
    std::string ms(text, eq);
    if (!ParseWhole(ms.c_str(), kCaptureMaxToMs, &still->timeMs)) {
        *error = "--still wants a time in whole milliseconds before '=', not '" + ms + "'";
        return false;
    }
    still->path = eq + 1;
    if (still->path.empty()) {
        *error = std::string("--still ") + text + " names no file";
        return false;
    }
    return true;
}

// "WxH" with even sides of at least the frame's, for --video-size.
bool ParseVideoSize(const char* text, CaptureArgs* args, std::string* error) {
    const char* x = strchr(text, 'x');
    const std::string width = x ? std::string(text, x) : std::string();
    if (!x || !ParseWhole(width.c_str(), kCaptureMaxVideoSide, &args->videoWidth) ||
        !ParseWhole(x + 1, kCaptureMaxVideoSide, &args->videoHeight)) {
        *error = std::string("--video-size wants WxH, each side at most ") +
                 std::to_string(kCaptureMaxVideoSide) + ", not '" + text + "'";
        return false;
    }
    return true;
}

bool CheckOutputsDistinct(const CaptureArgs& args, std::string* error) {
    std::vector<std::string> files;
    for (const CaptureStill& still : args.stills) files.push_back(still.path);
    if (!args.videoPath.empty()) files.push_back(args.videoPath);
    if (!args.spectrumPath.empty()) files.push_back(args.spectrumPath);
    std::sort(files.begin(), files.end());
    auto twice = std::adjacent_find(files.begin(), files.end());
    if (twice != files.end()) {
        *error = "the output " + *twice + " is named twice";
        return false;
    }
    return true;
}

} // namespace

bool ParseCaptureArgs(int argc, const char* const* argv, CaptureArgs* args, std::string* error) {
    *args = CaptureArgs{};
    bool seenRoot = false, seenFps = false, seenFrom = false, seenTo = false, seenFrames = false,
         seenVideo = false, seenSpectrum = false, seenFramePath = false, seenSize = false,
         seenVideoSize = false, seenHud = false;
    for (int i = 1; i < argc; ++i) {
        const char* opt = argv[i];
        if (!strcmp(opt, "--help") || !strcmp(opt, "-h")) {
            args->help = true;
            continue;
        }
        if (!strcmp(opt, "--hud")) {
            if (!SetOnce(opt, &seenHud, error)) return false;
            args->hud = true;
            continue;
        }
        const bool known = !strcmp(opt, "--root") || !strcmp(opt, "--fps") ||
                           !strcmp(opt, "--from") || !strcmp(opt, "--to") ||
                           !strcmp(opt, "--still") ||
                           !strcmp(opt, "--frames") || !strcmp(opt, "--video") ||
                           !strcmp(opt, "--spectrum") || !strcmp(opt, "--frame-path") ||
                           !strcmp(opt, "--size") || !strcmp(opt, "--video-size");
        if (!known) {
            *error = opt[0] == '-' ? std::string("unknown option ") + opt
                                   : std::string("unexpected argument '") + opt + "'";
            return false;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            *error = std::string(opt) + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (!strcmp(opt, "--root")) {
            if (!SetOnce(opt, &seenRoot, error)) return false;
            args->root = value;
        } else if (!strcmp(opt, "--fps")) {
            if (!SetOnce(opt, &seenFps, error)) return false;
            if (!ParseWhole(value, kCaptureMaxFps, &args->fps) || args->fps < 1) {
                *error = "--fps wants a whole number from 1 to " + std::to_string(kCaptureMaxFps) +
                         ", not '" + value + "'";
                return false;
            }
        } else if (!strcmp(opt, "--to") || !strcmp(opt, "--from")) {
            const bool to = !strcmp(opt, "--to");
            if (!SetOnce(opt, to ? &seenTo : &seenFrom, error)) return false;
            if (!ParseWhole(value, kCaptureMaxToMs, to ? &args->toMs : &args->fromMs)) {
                *error = std::string(opt) + " wants whole milliseconds from 0 to " +
                         std::to_string(kCaptureMaxToMs) + ", not '" + value + "'";
                return false;
            }
        } else if (!strcmp(opt, "--still")) {
            CaptureStill still;
            if (!ParseStill(value, &still, error)) return false;
            args->stills.push_back(still);
        } else if (!strcmp(opt, "--frames")) {
            if (!SetOnce(opt, &seenFrames, error)) return false;
            args->framesDir = value;
        } else if (!strcmp(opt, "--size")) {
            if (!SetOnce(opt, &seenSize, error)) return false;
            if (!ParseFrameSize(value, &args->frameWidth, &args->frameHeight, error)) return false;
        } else if (!strcmp(opt, "--video-size")) {
            if (!SetOnce(opt, &seenVideoSize, error)) return false;
            if (!ParseVideoSize(value, args, error)) return false;
        } else if (!strcmp(opt, "--video")) {
            if (!SetOnce(opt, &seenVideo, error)) return false;
            args->videoPath = value;
        } else if (!strcmp(opt, "--frame-path")) {
            if (!SetOnce(opt, &seenFramePath, error)) return false;
            if (strcmp(value, "fast") != 0 && strcmp(value, "literal") != 0) {
                *error = std::string("--frame-path wants fast or literal, not '") + value + "'";
                return false;
            }
            args->framePath = value;
        } else {
            if (!SetOnce(opt, &seenSpectrum, error)) return false;
            args->spectrumPath = value;
        }
    }
    if (args->fromMs > args->toMs) {
        *error = "--from " + std::to_string(args->fromMs) + " lies past --to " +
                 std::to_string(args->toMs);
        return false;
    }
    for (const CaptureStill& still : args->stills) {
        if (still.timeMs > args->toMs) {
            *error = "--still " + std::to_string(still.timeMs) + " lies past --to " +
                     std::to_string(args->toMs);
            return false;
        }
        if (still.timeMs < args->fromMs) {
            *error = "--still " + std::to_string(still.timeMs) + " lies before --from " +
                     std::to_string(args->fromMs);
            return false;
        }
    }
    // H.264 in 4:2:0 halves both sides of the colour planes.
    if (!args->videoPath.empty() && (args->frameWidth % 2 || args->frameHeight % 2)) {
        *error = "--video needs even sides for H.264; " + std::to_string(args->frameWidth) + "x" +
                 std::to_string(args->frameHeight) + " has an odd one";
        return false;
    }
    if (seenVideoSize) {
        const std::string size = std::to_string(args->videoWidth) + "x" +
                                 std::to_string(args->videoHeight);
        if (args->videoPath.empty()) {
            *error = "--video-size " + size + " without --video";
            return false;
        }
        if (args->videoWidth % 2 || args->videoHeight % 2) {
            *error = "--video-size needs even sides for H.264; " + size + " has an odd one";
            return false;
        }
        if (args->videoWidth < args->frameWidth || args->videoHeight < args->frameHeight) {
            *error = "--video-size " + size + " is smaller than the frame, " +
                     std::to_string(args->frameWidth) + "x" + std::to_string(args->frameHeight);
            return false;
        }
    }
    std::stable_sort(
        args->stills.begin(), args->stills.end(),
        [](const CaptureStill& a, const CaptureStill& b) { return a.timeMs < b.timeMs; });
    return CheckOutputsDistinct(*args, error);
}

std::vector<CaptureFrame> PlanCaptureFrames(int32_t fps, int32_t toMs,
                                            const std::vector<CaptureStill>& stills) {
    std::vector<int32_t> stillTimes;
    for (const CaptureStill& still : stills) stillTimes.push_back(still.timeMs);
    std::sort(stillTimes.begin(), stillTimes.end());
    std::vector<CaptureFrame> frames;
    size_t next = 0;
    for (int32_t n = 0;; ++n) {
        const int32_t t = RegularFrameTime(n, fps);
        for (; next < stillTimes.size() && stillTimes[next] <= t; ++next) {
            const bool extra = stillTimes[next] < t &&
                               (frames.empty() || frames.back().timeMs != stillTimes[next]);
            if (extra) frames.push_back({stillTimes[next], -1});
        }
        frames.push_back({t, n});
        if (t >= toMs) break;
    }
    return frames;
}

SceneEntryTimes CaptureEntryTimes(const std::vector<CaptureFrame>& frames) {
    SceneEntryTimes entries = EntryTimesEveryMillisecond();
    for (int32_t i = 0; i < kSceneTableSize; ++i) {
        for (const CaptureFrame& frame : frames) {
            if (frame.timeMs >= entries.times[i]) {
                entries.times[i] = frame.timeMs;
                break;
            }
        }
    }
    return entries;
}

std::vector<CaptureFrame> CaptureFramesFrom(const std::vector<CaptureFrame>& frames,
                                            int32_t fromMs) {
    std::vector<CaptureFrame> kept;
    for (const CaptureFrame& frame : frames) {
        if (frame.timeMs >= fromMs) kept.push_back(frame);
    }
    return kept;
}
