// Reloading the data set while the show plays, from files caught half written: the loaders say
// what they found, the show plays on, and once the files are whole again the show is as before.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "programs/frame_loop.h"
#include "platform/gl_api.h"
#include "music/music.h"
#include "music/sound_layer.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_seek.h"
#include "script/timeline.h"
#include "support/show_data_set.h"
#include "support/test_support.h"
#include "mp3_fixtures.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

void ShowFrame(int32_t t) {
    BeginFrame();
    StepFrame(t);
}

// R as the player does it: the scenes and the soundtrack from disk, the time kept.
void Reload(int32_t t) {
    ReloadShow(t);
    ReloadMusic(t);
}

// A few frames across the scenes, from t on.
void PlayOn(int32_t t) {
    for (int32_t at : {t, t + 16, 20000, 40000, 60000, 90000, t}) ShowFrame(at);
}

} // namespace

TEST(ShowReload, HalfWrittenFilesAreReportedAndTheShowPlaysOnThenReloadsWhole) {
    std::string dir;
    LoadShowDataSet({}, true, &dir);
    ASSERT_TRUE(
        WriteMp3(dir + "/data/moravinte.mp3", SineSamples(kBin20Hz, 1.0, 44100, 0.5f), 44100));
    fs::copy(dir + "/data", dir + "/whole");
    ASSERT_EQ(StartMusic("data/moravinte.mp3"), 1);
    // The tree follows a fixed level, so that frames can be compared across reloads.
    static const float kQuiet[kSpectrumBins] = {};
    SoundOverrideSpectrum(kQuiet);
    ShowFrame(53400);
    ShowFrame(60000);
    const std::vector<uint8_t> before = ReadFrame();

    // Each file cut where a writer may have got to: nothing yet, a third, all but a byte.
    for (const double part : {0.0, 0.34, 0.999}) {
        for (const fs::directory_entry& file : fs::directory_iterator(dir + "/whole")) {
            const fs::path cut = fs::path(dir) / "data" / file.path().filename();
            fs::resize_file(cut, static_cast<uintmax_t>(file.file_size() * part));
        }
        const Captured said = CaptureOutputOf([] {
            Reload(60000);
            PlayOn(60000);
        });
        for (const char* name : {"city_1024x1024.raw", "botwalk.baf", "ttl.bof"}) {
            EXPECT_NE(said.err.find(name), std::string::npos) << part << ": " << said.err;
        }
    }

    fs::remove_all(dir + "/data");
    fs::copy(dir + "/whole", dir + "/data");
    ResetTimeline();
    ShowFrame(53400);
    const Captured said = CaptureOutputOf([] {
        Reload(60000);
        ShowFrame(60000);
    });
    EXPECT_EQ(said.out + said.err, "") << "the whole data set loads without a word";
    EXPECT_TRUE(ReadFrame() == before) << "the reloaded show does not stand where it stood";
    SoundOverrideSpectrum(nullptr);
    CloseMusic();
    ShutdownSound();
    TearDownScenes();
}

// A context lost and given back empty, as a browser gives back WebGL's: here a new context that
// shares nothing with the old. Every GL object is made again, and the show draws what it drew.
TEST(ShowReload, ANewContextGetsEveryGLObjectMadeAgainOnBothFramePaths) {
    LoadShowDataSet();
    static const float kQuiet[kSpectrumBins] = {};
    SoundOverrideSpectrum(kQuiet);
    SDL_Window* const window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    for (const int32_t path : {FramePathFast, FramePathLiteral}) {
        SetFramePath(path);
        ShowFrame(40000);
        ShowFrame(40500);
        const std::vector<uint8_t> before = ReadFrame();
        SDL_GLContext fresh = SDL_GL_CreateContext(window); // current from now on
        ASSERT_NE(fresh, nullptr) << SDL_GetError();
        RemakeShowContext(40500);
        ShowFrame(40500);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << path;
        EXPECT_TRUE(ReadFrame() == before) << "frame path " << path << ": "
                                           << SaveFrame("remade_context_" + std::to_string(path));
    }
    RestoreFramePath();
    SoundOverrideSpectrum(nullptr);
    TearDownScenes();
}

// The real writer at work: reload after reload while lockstep-datagen rewrites the data set.
TEST(ShowReload, ReloadWhileTheGeneratorWritesTheDataSet) {
    std::string dir;
    LoadShowDataSet({}, true, &dir);
    ShowFrame(40000);

    std::string generator = LOCKSTEP_BINARY_DIR "/bin/lockstep-datagen";
    std::string target = dir + "/data";
    char* argv[] = {generator.data(), target.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, generator.c_str(), nullptr, nullptr, argv, environ), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    int reloads = 0, status = 0;
    bool running = true;
    while (running && std::chrono::steady_clock::now() < until) {
        int32_t t = 40000 + 500 * reloads;
        CaptureOutputOf([t] {
            Reload(t);
            PlayOn(t);
        });
        ++reloads;
        running = waitpid(pid, &status, WNOHANG) == 0;
    }
    if (running) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_GE(reloads, 2);
    CloseMusic();
    TearDownScenes();
}
