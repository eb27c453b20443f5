// Frames to an H.264 + AAC file through the ffmpeg program, fed raw pictures over a pipe.
#pragma once
#include <cstdint>
#include <sys/types.h>

struct VideoPipe {
    pid_t pid;
    int fd; // write end of ffmpeg's standard input; -1 when closed
};

// True when an executable of that name lies on PATH.
bool ProgramOnPath(const char* name);
// What ffmpeg is given: frames of width x height RGBA (rows bottom-up, as OpenGL reads them) at
// fps, centred in a videoWidth x videoHeight picture between black bars (0: the frame's size),
// durationMs long, with soundtrackPath from soundStartMs on as the sound when non-null.
struct VideoSpec {
    int width, height;
    int videoWidth, videoHeight;
    int32_t fps;
    int64_t durationMs;
    const char* soundtrackPath;
    int32_t soundStartMs;
};

// Starts ffmpeg writing outPath as `video` says.
bool OpenVideoPipe(VideoPipe* pipe, const char* outPath, const VideoSpec& video);
bool WriteVideoFrame(VideoPipe* pipe, const uint8_t* rgba, size_t bytes);
// Closes the pipe and waits for ffmpeg; true when it finished cleanly.
bool CloseVideoPipe(VideoPipe* pipe);
