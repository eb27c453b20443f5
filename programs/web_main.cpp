// The web page's entry: the same show as programs/main.cpp, in the order a page allows. The page
// (programs/web/page.js) fetches the data set and the soundtrack while the loading picture shows,
// the scenes are set up from them, then the page asks "Fullscreen?"; the click that answers
// settles the frame's size and starts the sound, and the browser calls one frame at a time, its
// demo time read from the audio clock. After the show the scenes are torn down as on the
// desktop, and set up again if the viewer plays it again. With ?still=MS the page steps frames
// at a fixed rate from 0 instead, silent and without asking.
//
// The browser may take the WebGL context away at any time. Until it gives it back nothing is
// drawn, and the clock goes on with the music; then every GL object is made again from the
// files the page keeps, through the makers' reload, and the show goes on at the clock's time.
// A context not back within kRestoreLimitMs is given up: the page offers to play again, on a
// fresh canvas.
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

#include "music/music.h"
#include "music/web_audio.h"
#include "platform/display.h"
#include "platform/gl_api.h"
#include "platform/platform.h"
#include "platform/web_page.h"
#include "programs/frame_loop.h"
#include "programs/options.h"
#include "programs/page_options.h"
#include "render/frame.h"
#include "script/scene_objects.h"
#include "script/show_seek.h"
#include "script/timeline.h"

namespace {

constexpr char kSoundtrackPath[] = "data/moravinte.mp3";
// A still steps as many frames as fit in this much of each browser frame, so the page stays
// responsive while it works.
constexpr double kStillStepBudgetMs = 40.0;
constexpr double kRestoreLimitMs = 10000.0;

enum PageStage {
    StageLoading, // files arriving
    StageAsking,  // the question shows
    StagePlaying,
    StageStill,   // stepping towards a still
    StageEnded,   // the question shows again
    StageFailed,  // a sentence says why
};

enum PictureState {
    PictureShown, // the context is there with every GL object the show has made
    PictureLost,  // the context is gone: nothing is drawn
    PictureBack,  // the context is back, empty: everything is made again before the next frame
};

struct WebShow {
    PageOptions options;
    PageStage stage;
    int32_t demoTime; // the show's clock at the latest browser frame
    int32_t frames;   // drawn in this show or still
    double startedAt; // the page's clock when the show started, in ms
    double lastFrameAt;
    int32_t stillFrame; // the next regular frame of a still
    bool stillReady;    // its frame is on the canvas
    bool scenesReady;   // set up and not torn down since
    bool loadingShown;  // the page asked for the loading picture
    PictureState picture;
    bool pictureGivenUp; // lost for longer than kRestoreLimitMs
    long giveUpTimer;    // 0: none
    double restoredAt;   // the page's clock when the context came back; 0 once a frame is drawn
};

WebShow show = {};

// The page passes each frame's demo time itself (from the audio clock or the still's grid).
const FrameLoopSource kPageSource = {PlatformTicks, PlatformEscapeState, PlatformSleep,
                                     StepFrame, nullptr};

EM_BOOL OnBrowserFrame(double, void*);

void DrawNothing(int32_t) {}

// While there is no picture the loop's stop rule still runs, on frames that draw nothing.
const FrameLoopSource kNoPictureSource = {PlatformTicks, PlatformEscapeState, PlatformSleep,
                                          DrawNothing, nullptr};

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

bool HasPicture() {
    return show.picture == PictureShown && !WebContextLost();
}

void StopGiveUpTimer() {
    if (show.giveUpTimer) emscripten_clear_timeout(show.giveUpTimer);
    show.giveUpTimer = 0;
}

// Everything the stage has on the canvas, made again in a context that came back empty: the
// scenes through the makers' reload, at t, or the loading picture.
void RemakePicture(int32_t t) {
    show.picture = PictureShown;
    if (show.scenesReady) {
        RemakeShowContext(t);
        return;
    }
    ForgetGLObjects();
    ApplyDefaultRenderState();
    CheckFramePath();
    if (show.stage == StageLoading && show.loadingShown) {
        TearDownScenes(); // the slot variables name the old context's textures
        ShowLoadingPicture();
    }
}

// The show ended: the scenes torn down, the music closed, the question asked again.
void EndShow() {
    const double seconds = (emscripten_get_now() - show.startedAt) / 1000.0;
    TearDownScenes();
    show.scenesReady = false;
    CloseMusic();
    fprintf(stderr, "lockstep: %d frames in %.1f s (%.1f fps)\n", show.frames, seconds,
            seconds > 0 ? show.frames / seconds : 0.0);
    PlatformShutdown();
    show.stage = StageEnded;
    PageAsk(show.pictureGivenUp ? AskLost : AskEnded);
}

// The context did not come back in time: the show ends, and the page offers to play it again.
// A page hidden when the time is up waits another spell: a browser may hold a background tab's
// context back until the tab is shown.
void GiveUpPicture(void*) {
    show.giveUpTimer = 0;
    if (show.picture != PictureLost || show.stage == StageFailed) return;
    if (PageHidden()) {
        show.giveUpTimer = emscripten_set_timeout(GiveUpPicture, kRestoreLimitMs, nullptr);
        return;
    }
    show.pictureGivenUp = true;
    if (show.stage == StageStill) {
        PageNotice(nullptr, false);
        Fail("The picture was lost and not restored within 10 seconds; the still cannot be drawn.");
        return;
    }
    PageNotice("The picture was lost and not restored within 10 seconds.", true);
    if (show.stage == StagePlaying)
        EndShow();
    else if (show.stage == StageAsking || show.stage == StageEnded)
        PageAsk(AskLost);
    // While loading, the question comes when the files are in.
}

void OnContextLost() {
    if (show.picture == PictureLost) return;
    show.picture = PictureLost;
    // The names went with the context: nothing may use or delete them in the next one.
    ForgetGLObjects();
    StopGiveUpTimer();
    show.giveUpTimer = emscripten_set_timeout(GiveUpPicture, kRestoreLimitMs, nullptr);
    if (show.stage != StageFailed) PageNotice("The picture was lost and is being restored.", false);
}

void OnContextRestored() {
    if (show.picture != PictureLost) return; // a canvas given up on already
    StopGiveUpTimer();
    show.pictureGivenUp = false;
    show.picture = PictureBack;
    if (show.stage != StageFailed) PageNotice(nullptr, false);
    // A running show or still remakes its picture in the next browser frame, right before it
    // draws; the other stages have no frames to wait for.
    if (show.stage == StagePlaying || show.stage == StageStill)
        show.restoredAt = emscripten_get_now();
    else if (show.stage != StageFailed)
        RemakePicture(0);
    // A still already drawn went with the context: it is stepped again.
    if (show.stage == StageStill && show.stillReady) {
        show.stillReady = false;
        emscripten_request_animation_frame_loop(OnBrowserFrame, nullptr);
    }
}

// The answer needs a picture: a context still lost is given up for a fresh canvas, and the one
// to draw on starts empty.
bool TakeFreshPicture() {
    if (WebContextLost() && !WebRenewContext()) {
        Fail("This browser gives the page no WebGL, which the show needs to draw.");
        return false;
    }
    StopGiveUpTimer();
    show.pictureGivenUp = false;
    show.picture = PictureShown;
    PageNotice(nullptr, false);
    ForgetGLObjects();
    ApplyDefaultRenderState();
    CheckFramePath();
    if (show.scenesReady) TearDownScenes(); // their textures were the old context's
    show.scenesReady = false;
    return true;
}

void SayPictureBack() {
    if (show.restoredAt <= 0) return;
    printf("lockstep: the picture is back, drawn %.0f ms after its context returned\n",
           emscripten_get_now() - show.restoredAt);
    show.restoredAt = 0;
}

// A still is stepped from 0 as the capture tool steps it; after a lost context it starts again
// from 0 on the new one, set up as at first, so it stays the capture tool's frame.
bool StillHasPicture() {
    if (show.picture == PictureBack && !WebContextLost()) {
        show.picture = PictureShown;
        ForgetGLObjects();
        ApplyDefaultRenderState();
        CheckFramePath();
        TearDownScenes();
        SetUpScenes();
        show.scenesReady = true;
        ResetTimeline();
        show.stillFrame = 0;
    }
    return HasPicture() && show.scenesReady;
}

// Steps towards the still within the budget; true once its frame is on the canvas.
bool StepStill() {
    if (!StillHasPicture()) return false;
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
        // no backlog of frames stands between the still and the read of the canvas. Browsers
        // make WebGL's finish a flush; reading a pixel back waits.
        uint8_t pixel[4];
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        show.demoTime = t;
        ++show.frames;
        SayPictureBack();
        if (t == target) return true;
    }
    return false;
}

EM_BOOL OnBrowserFrame(double, void*) {
    if (show.stage == StageStill) {
        if (!StepStill()) return EM_TRUE;
        printf("lockstep: still %d ready\n", show.options.stillMs);
        show.stillReady = true;
        return EM_FALSE;
    }
    if (show.stage != StagePlaying) return EM_FALSE;
    show.demoTime = ShowClock();
    if (show.picture == PictureBack && !WebContextLost()) RemakePicture(show.demoTime);
    const bool drawn = HasPicture();
    const bool stop = RunFramePass(drawn ? kPageSource : kNoPictureSource, show.demoTime);
    if (drawn) {
        ++show.frames;
        SayPictureBack();
    }
    if (stop) {
        EndShow();
        return EM_FALSE;
    }
    return EM_TRUE;
}

} // namespace

// The page hands its files over, then says when each stage of loading is done.
extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_show_loading() {
    if (show.stage != StageLoading) return;
    show.loadingShown = true;
    if (HasPicture()) ShowLoadingPicture();
}

extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_loaded() {
    if (show.stage != StageLoading) return;
    const bool still = show.options.stillMs >= 0;
    // A still is the windowed show's frame, stepped as the capture tool steps it.
    if (still) ChooseFrameSize(false);
    // Without a picture the scenes wait for one: the still for the context to come back, the
    // show for the answer.
    if (HasPicture()) {
        SetUpScenes();
        show.scenesReady = true;
    }
    if (!still) {
        show.stage = StageAsking;
        PageAsk(show.pictureGivenUp ? AskLost : AskFirst);
        return;
    }
    if (HasPicture() && !PlatformFrameFitsContext()) {
        Fail("The frame size asked for is larger than this browser's WebGL allows.");
        return;
    }
    ResetTimeline();
    show.stage = StageStill;
    emscripten_request_animation_frame_loop(OnBrowserFrame, nullptr);
}

// Called from the click on the answer: the user gesture that lets the sound start.
extern "C" EMSCRIPTEN_KEEPALIVE void lockstep_answer(int fullScreen) {
    if (show.stage != StageAsking && show.stage != StageEnded) return;
    if (!HasPicture() && !TakeFreshPicture()) return;
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

// For window.lockstepStatus(): the show's clock, which goes on while no picture is drawn, and
// the frames drawn.
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
    WebWatchContext(OnContextLost, OnContextRestored);
    OpenDisplay(false);
    if (!PlatformHasGL()) {
        Fail("This browser gives the page no WebGL, which the show needs to draw.");
        return 0;
    }
    ApplyDefaultRenderState();
    // WebGL has no fixed function: the default path is the page's only one.
    SetFramePath(FramePathFast);
    show.stage = StageLoading;
    PageReady();
    return 0;
}
