// The capture tool's command line and the list of frames it asks for.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "script/show_seek.h"

constexpr int32_t kCaptureDefaultFps = 60;
constexpr int32_t kCaptureMaxFps = 1000; // demo times are whole milliseconds
constexpr int32_t kCaptureMaxToMs = 3600000;
constexpr int32_t kCaptureMaxVideoSide = 8192;

struct CaptureStill {
    int32_t timeMs;
    std::string path;
};

struct CaptureArgs {
    std::string root = ".";
    int32_t fps = kCaptureDefaultFps;
    int32_t fromMs = 0; // --from: the frames from there on, the show as it would stand there
    int32_t toMs = 104000;
    std::vector<CaptureStill> stills; // sorted by time once parsed
    std::string framesDir;            // empty: not asked for
    std::string videoPath;
    std::string spectrumPath;
    std::string framePath; // "fast", "literal", or empty: LOCKSTEP_FRAME_PATH, else fast
    int frameWidth = 800; // --size WxH
    int frameHeight = 600;
    int videoWidth = 0; // --video-size WxH: the frame centred between black bars; 0: the frame's
    int videoHeight = 0;
    bool hud = false; // --hud: the makers' heads-up display on every frame
    bool help = false;
};

// Fills *args from argv[1..argc-1]. On a bad argument returns false with *error saying why.
bool ParseCaptureArgs(int argc, const char* const* argv, CaptureArgs* args, std::string* error);
extern const char kCaptureUsage[];

// One frame of a capture: its demo time and its number in the fixed-rate sequence, or -1 for an
// extra frame that only serves a still between two regular frames.
struct CaptureFrame {
    int32_t timeMs;
    int32_t index;
};

// Frames 0, 1, ... (at RegularFrameTime, programs/frame_loop.h) up to the first at or past toMs,
// with an extra frame at every still time that falls between two of them, in time order.
std::vector<CaptureFrame> PlanCaptureFrames(int32_t fps, int32_t toMs,
                                            const std::vector<CaptureStill>& stills);
// When a run of these frames enters each scene: its first frame past the scene's start (the
// start's first millisecond for a scene the frames never reach).
SceneEntryTimes CaptureEntryTimes(const std::vector<CaptureFrame>& frames);
// The frames at or after fromMs.
std::vector<CaptureFrame> CaptureFramesFrom(const std::vector<CaptureFrame>& frames,
                                            int32_t fromMs);
