// The demo's entry: ask, open the display, load, start the music, run the show, shut down.
#include <cstdio>

#include "host/display.h"
#include "host/frame_loop.h"
#include "host/platform.h"
#include "music/music.h"
#include "script/scene_objects.h"
#include "script/timeline.h"

int main(int, char**) {
    const bool fullScreen = PlatformAskFullscreen();
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
