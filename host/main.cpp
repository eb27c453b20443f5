// The demo's entry: read the options, ask, open the display, load, start the music, run the
// show, shut down.
#include <cstdio>
#include <string>

#include "host/display.h"
#include "host/frame_loop.h"
#include "host/options.h"
#include "host/platform.h"
#include "music/music.h"
#include "script/scene_objects.h"
#include "script/timeline.h"

namespace {
constexpr int kExitBadOptions = 2;
}

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

    const bool fullScreen = options.screen == ScreenAsk ? PlatformAskFullscreen()
                                                        : options.screen == ScreenFullscreen;
    OpenDisplay(fullScreen);
    ApplyDefaultRenderState();
    SetUpScenes();
    StartMusic("data/moravinte.mp3");

    const FrameLoopSource source = {PlatformTicks, PlatformEscapeState, PlatformSleep, StepFrame};
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
