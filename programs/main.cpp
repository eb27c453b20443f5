// The demo's entry: read the options, find the data set, ask, open the display, load, start the
// music, run the show, shut down.
#include <cstdio>
#include <string>

#include "music/music.h"
#include "music/sound_output.h"
#include "platform/data_folder.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "programs/frame_loop.h"
#include "programs/maker_session.h"
#include "programs/options.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_seek.h"
#include "script/timeline.h"

namespace {

constexpr int kExitBadOptions = 2;
constexpr char kSoundtrackPath[] = "data/moravinte.mp3";

// The frame of the pass, the viewer's or the makers' session's.
void (*stepShow)(int32_t demoTime) = StepFrame;

// Each pass, the sound output's comings and goings since the last one reach the music first.
void StepShowFrame(int32_t demoTime) {
    FollowSoundOutput(demoTime);
    stepShow(demoTime);
}

// Sets the frame size the options ask for; false (said on stderr) when the desktop is too small
// for a native frame.
bool ChooseFrameSize(const PlayerOptions& options, bool fullScreen) {
    if (options.frameWidth > 0) {
        frameWidth = options.frameWidth;
        frameHeight = options.frameHeight;
        return true;
    }
    // A native frame is the desktop's in full screen only; a window keeps the default.
    if (!options.nativeSize || !fullScreen) return true;
    int desktopWidth = 0, desktopHeight = 0;
    if (!PlatformDesktopSize(&desktopWidth, &desktopHeight)) {
        fprintf(stderr, "lockstep: the desktop's size is unknown; --size native plays %dx%d\n",
                frameWidth, frameHeight);
        return true;
    }
    int width = 0, height = 0;
    NativeFrameSize(desktopWidth, desktopHeight, &width, &height);
    if (width == 0) {
        fprintf(stderr, "lockstep: the %dx%d desktop is smaller than the smallest frame, %dx%d\n",
                desktopWidth, desktopHeight, kMinFrameWidth, kMinFrameHeight);
        return false;
    }
    frameWidth = width;
    frameHeight = height;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    PlayerOptions options;
    std::string error;
    if (!ParsePlayerOptions(argc, argv, &options, &error)) {
        fprintf(stderr, "lockstep: %s\n%s", error.c_str(), kPlayerUsage);
        return kExitBadOptions;
    }
    if (options.help) {
        fputs(kPlayerUsage, stdout);
        return 0;
    }
    EnterDataFolder(PlatformProgramFolder());

    const bool fullScreen = options.screen == ScreenAsk ? PlatformAskFullscreen()
                                                        : options.screen == ScreenFullscreen;
    if (!ChooseFrameSize(options, fullScreen)) return kExitBadOptions;
    OpenDisplay(fullScreen);
    // Nothing can be drawn without a context (the reason is said above).
    if (!PlatformHasGL()) {
        PlatformShutdown();
        return 1;
    }
    if (!PlatformFrameFitsContext()) {
        PlatformShutdown();
        return kExitBadOptions;
    }
    ApplyDefaultRenderState();
    // The frame path LOCKSTEP_FRAME_PATH asks for, checked against the context just made.
    SetFramePath(FramePathFromEnvironment());
    SetUpScenes();
    // The show's own clock only where it is asked for: the viewer's show runs as it always has.
    const int32_t startMs = PlayerStartTime(options);
    const bool session = options.maker || startMs > 0 || options.loopEndMs > 0;
    if (startMs > 0) {
        SeekShow(startMs, EntryTimesEveryMillisecond());
        StartMusicAt(kSoundtrackPath, startMs);
    } else {
        StartMusic(kSoundtrackPath);
    }

    FrameLoopSource source = {PlatformTicks, PlatformEscapeState, PlatformSleep, StepShowFrame,
                              nullptr};
    if (session) {
        BeginShowSession(startMs, options.loopStartMs, options.loopEndMs, options.maker);
        stepShow = StepSessionFrame;
        source.demoTime = ShowSessionTime;
    }
    const uint32_t started = PlatformTicks();
    const int32_t frames = RunFrameLoop(source);
    const uint32_t elapsed = PlatformTicks() - started;

    TearDownScenes();
    CloseMusic();
    fprintf(stderr, "lockstep: %d frames in %.1f s (%.1f fps)\n", frames, elapsed / 1000.0,
            elapsed ? frames * 1000.0 / elapsed : 0.0);
    PlatformShutdown();
    return 0;
}
