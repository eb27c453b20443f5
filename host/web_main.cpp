// The web page's entry: the same show as host/main.cpp, in the order a page allows. The page
// (host/web/page.js) fetches the data set and the soundtrack while the loading picture shows,
// the scenes are set up from them, then the page asks "Fullscreen?"; the click that answers
// settles the frame's size and starts the sound, and the browser calls one frame at a time, its
// demo time read from the audio clock. After the show the scenes are torn down as on the
// desktop, and set up again if the viewer plays it again. With ?still=MS the page steps frames
// at a fixed rate from 0 instead, silent and without asking.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

#include "host/display.h"
#include "host/frame_loop.h"
#include "host/gl_api.h"
#include "host/options.h"
#include "host/page_options.h"
#include "host/platform.h"
#include "host/web_page.h"
#include "music/music.h"
#include "music/web_audio.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/timeline.h"

namespace {

constexpr char kSoundtrackPath[] = "data/moravinte.mp3";
// A still steps as many frames as fit in this much of each browser frame, so the page stays
// responsive while it works.
constexpr double kStillStepBudgetMs = 40.0;

enum PageStage {
    StageLoading, // files arriving
    StageAsking,  // the question shows
    StagePlaying,
    StageStill,   // stepping towards a still
    StageEnded,   // the question shows again
    StageFailed,  // a sentence says why
};

struct WebShow {
    PageOptions options;
    PageStage stage;
    int32_t demoTime; // of the latest frame drawn
    int32_t frames;   // drawn in this show or still
    double startedAt; // the page's clock when the show started, in ms
    double lastFrameAt;
    int32_t stillFrame; // the next regular frame of a still
    bool scenesReady;   // set up and not torn down since
};

WebShow show = {};

// The page passes each frame's demo time itself (from the audio clock or the still's grid).
const FrameLoopSource kPageSource = {PlatformTicks, PlatformEscapeState, PlatformSleep,
                                     StepFrame, nullptr};

void Fail(const char* sentence) {
    show.stage = StageFailed;
    PageFail(sentence);
}

// The frame size for the answer: as the player's --size, where native means the real pixels of
// the screen in full screen, and of the canvas's box in the page.
void ChooseFrameSize(bool fullScreen) {
    int width = show.options.frameWidth, height = show.options.frameHeight;
    if (width == 0) {
        width = kDefaultFrameWidth;
        height = kDefaultFrameHeight;
    }
    if (show.options.nativeSize) {
        int w = 0, h = 0;
        PagePixels(!fullScreen, &w, &h);
        NativeFrameSize(w, h, &width, &height);
        if (width == 0) {
            width = kMinFrameWidth;
            height = kMinFrameHeight;
        }
    }
    WebSetFrameSize(width, height);
    FollowFrameSize();
}

// Demo time from the audio clock: the soundtrack's position now heard. Without sound (none
// started, or the browser refused it) the page's clock carries on from the latest frame.
int32_t ShowClock() {
    const double now = emscripten_get_now();
    int32_t t = WebSoundPositionMs();
    if (t < 0) t = show.demoTime + static_cast<int32_t>(now - show.lastFrameAt);
    show.lastFrameAt = now;
    return t;
}

void EndShow() {
    const double seconds = (emscripten_get_now() - show.startedAt) / 1000.0;
    TearDownScenes();
    show.scenesReady = false;
    CloseMusic();
    fprintf(stderr, "lockstep: %d frames in %.1f s (%.1f fps)\n", show.frames, seconds,
            seconds > 0 ? show.frames / seconds : 0.0);
    PlatformShutdown();
    show.stage = StageEnded;
    PageAsk(true);
}

// Steps towards the still within the budget; true once its frame is on the canvas.
bool StepStill() {
    const int32_t target = show.options.stillMs;
    const double until = emscripten_get_now() + kStillStepBudgetMs;
    while (emscripten_get_now() < until) {
        int32_t t = RegularFrameTime(show.stillFrame, show.options.fps);
        // The frames before the still on the regular grid, then the still's own time.
        if (t >= target) t = target;
        ++show.stillFrame;
        WebSoundHoldPosition(t);
        BeginFrame();
        StepFrame(t);
        // Each frame is drawn before the next is issued: the budget then counts drawing, and
        // no backlog of frames stands between the still and the read of the canvas.
        glFinish();
        show.demoTime = t;
        ++show.frames;
        if (t == target) return true;
    }
    return false;
}

EM_BOOL OnBrowserFrame(double, void*) {
    if (show.stage == StageStill) {
        if (!StepStill()) return EM_TRUE;
        printf("lockstep: still %d ready\n", show.options.stillMs);
        return EM_FALSE;
    }
    if (show.stage != StagePlaying) return EM_FALSE;
    show.demoTime = ShowClock();
    const bool stop = RunFramePass(kPageSource, show.demoTime);
    ++show.frames;
    if (stop) {
        EndShow();
        return EM_FALSE;
    }
    return EM_TRUE;
}

} // namespace

// The page hands its files over, then says when each stage of loading is done.
extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_show_loading() {
    if (show.stage == StageLoading) ShowLoadingPicture();
}

extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_loaded() {
    if (show.stage != StageLoading) return;
    // A still is the windowed show's frame, stepped as the capture tool steps it.
    if (show.options.stillMs >= 0) ChooseFrameSize(false);
    SetUpScenes();
    show.scenesReady = true;
    if (show.options.stillMs < 0) {
        show.stage = StageAsking;
        PageAsk(false);
        return;
    }
    ResetTimeline();
    show.stage = StageStill;
    emscripten_request_animation_frame_loop(OnBrowserFrame, nullptr);
}

// Called from the click on the answer: the user gesture that lets the sound start.
extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_answer(int fullScreen) {
    if (show.stage != StageAsking && show.stage != StageEnded) return;
    ChooseFrameSize(fullScreen != 0);
    if (!PlatformFrameFitsContext()) {
        Fail("The frame size asked for is larger than this browser's WebGL allows.");
        return;
    }
    PagePlaying();
    PlatformHideCursor();
    if (!show.scenesReady) SetUpScenes();
    show.scenesReady = true;
    ResetTimeline();
    StartMusic(kSoundtrackPath);
    PlatformEscapeState(); // an Escape from before the show does not end it
    show.stage = StagePlaying;
    show.demoTime = 0;
    show.frames = 0;
    show.startedAt = show.lastFrameAt = emscripten_get_now();
    emscripten_request_animation_frame_loop(OnBrowserFrame, nullptr);
}

// For window.lockstepStatus().
extern "C" EMSCRIPTEN_KEEPALIVE int lockstep_demo_time() {
    return show.demoTime;
}

extern "C" EMSCRIPTEN_KEEPALIVE int lockstep_frames() {
    return show.frames;
}

// argv[1] is the page's query string.
int main(int argc, char** argv) {
    std::string error;
    if (!ParsePageQuery(argc > 1 ? argv[1] : "", &show.options, &error)) {
        Fail(("The address asks for something the show cannot do: " + error + ".").c_str());
        return 0;
    }
    const bool still = show.options.stillMs >= 0;
    WebKeepFrames(still);
    if (show.options.frameWidth > 0)
        WebSetFrameSize(show.options.frameWidth, show.options.frameHeight);
    OpenDisplay(false);
    if (!PlatformHasGL()) {
        Fail("This browser gives the page no WebGL, which the show needs to draw.");
        return 0;
    }
    ApplyDefaultRenderState();
    show.stage = StageLoading;
    PageReady();
    return 0;
}
