#include "tools/capture/video_pipe.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

bool ProgramOnPath(const char* name) {
    const char* path = getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(begin, end - begin);
        if (dir.empty()) dir = ".";
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        begin = end + 1;
    }
    return false;
}

bool OpenVideoPipe(VideoPipe* pipe, const char* outPath, const VideoSpec& video) {
    pipe->pid = -1;
    pipe->fd = -1;
    // A dead ffmpeg must show up as a failed write, not end this process.
    signal(SIGPIPE, SIG_IGN);
    const std::string size = std::to_string(video.width) + "x" + std::to_string(video.height);
    const std::string rate = std::to_string(video.fps);
    const char* soundtrackPath = video.soundtrackPath;
    char duration[32], soundStart[32];
    snprintf(duration, sizeof duration, "%.3f", video.durationMs / 1000.0);
    snprintf(soundStart, sizeof soundStart, "%.3f", video.soundStartMs / 1000.0);
    std::string filter = "vflip";
    if (video.videoWidth > video.width || video.videoHeight > video.height) {
        // Even offsets keep the frame's edges on whole pixels of the halved colour planes.
        const int x = (video.videoWidth - video.width) / 2 & ~1;
        const int y = (video.videoHeight - video.height) / 2 & ~1;
        filter += ",pad=" + std::to_string(video.videoWidth) + ":" +
                  std::to_string(video.videoHeight) + ":" + std::to_string(x) + ":" +
                  std::to_string(y) + ":black";
    }
    std::vector<std::string> args = {
        "ffmpeg",   "-hide_banner", "-loglevel", "error", "-nostdin",   "-y", "-f", "rawvideo",
        "-pix_fmt", "rgba",         "-s",        size,    "-framerate", rate, "-i", "pipe:0"};
    // Seeking the input decodes up to the place, so the sound starts with the first frame.
    if (soundtrackPath) args.insert(args.end(), {"-ss", soundStart, "-i", soundtrackPath});
    // veryfast at a lower CRF keeps the picture as clean as the default preset at a fraction of
    // the encoder's time, which otherwise takes the cores the capture renders on.
    args.insert(args.end(), {"-map", "0:v", "-vf", filter, "-c:v", "libx264", "-preset",
                             "veryfast", "-crf", "20", "-pix_fmt", "yuv420p", "-r", rate});
    if (soundtrackPath) args.insert(args.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "192k"});
    args.insert(args.end(), {"-t", duration, "-f", "mp4", outPath});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int failed = posix_spawnp(&pipe->pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (failed != 0) {
        close(fds[1]);
        pipe->pid = -1;
        return false;
    }
    pipe->fd = fds[1];
    return true;
}

bool WriteVideoFrame(VideoPipe* pipe, const uint8_t* rgba, size_t bytes) {
    while (bytes > 0) {
        const ssize_t written = write(pipe->fd, rgba, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        rgba += written;
        bytes -= static_cast<size_t>(written);
    }
    return true;
}

bool CloseVideoPipe(VideoPipe* pipe) {
    if (pipe->fd >= 0) close(pipe->fd);
    pipe->fd = -1;
    if (pipe->pid <= 0) return false;
    int status = 0;
    while (waitpid(pipe->pid, &status, 0) < 0 && errno == EINTR) {
    }
    pipe->pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
