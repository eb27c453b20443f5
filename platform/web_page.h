// The web host's two halves meet here: the page around the canvas (programs/web/page.js), which
// fetches the files, shows the question and the sentences, and the C++ that runs the show.
#pragma once

extern "C" {
// Told to the page.
void PageSay(const char* sentence);  // on the page, and on the console as an error
// One sentence that stands until replaced (a null sentence removes it): on the page, and on the
// console as a warning, or as an error with error set.
void PageNotice(const char* sentence, bool error);
void PageFail(const char* sentence); // as PageSay, and the page stops loading and asking
void PageReady();                    // the module runs: the page may hand over its files
void PageAsk(int kind);             // the "Fullscreen?" question, as a PageAskKind
void PageNewCanvas();                // a fresh canvas in place of one whose context is given up
void PagePlaying();                  // the show starts: the question goes
void PageLayout();                   // fits the canvas on the page to the frame and the screen
void PageHideCursor(bool hide);
bool PageHidden(); // the tab is in the background, or the window minimised
void PageLeaveFullscreen();
// Asked of the page, in real pixels (CSS pixels times the device's pixel ratio): the screen's
// size, or with box set the canvas's box in the page when not full screen.
void PagePixels(bool box, int* width, int* height);
}

enum PageAskKind {
    AskFirst = 0,
    AskEnded = 1, // the show has ended: play it again?
    AskLost = 2,  // the picture was lost for good: play it again?
};

// The web platform layer's own (platform/web_platform.cpp), besides platform/platform.h.
void WebKeepFrames(bool keep); // before the context exists: frames stay readable (stills)
void WebSetFrameSize(int width, int height); // the frame, the canvas's pixels and its layout
// lost is called when the canvas's WebGL context is lost (every GL object with it), restored
// when the browser gives it back, empty.
void WebWatchContext(void (*lost)(), void (*restored)());
// True while there is no context to draw with: lost, or never made.
bool WebContextLost();
// Gives up the canvas and its context for a fresh canvas with a new context; false when the
// browser gives none.
bool WebRenewContext();
