// The web host's two halves meet here: the page around the canvas (host/web/page.js), which
// fetches the files, shows the question and the sentences, and the C++ that runs the show.
#pragma once

extern "C" {
// Told to the page.
void PageSay(const char* sentence);  // on the page, and on the console as an error
void PageFail(const char* sentence); // as PageSay, and the page stops loading and asking
void PageReady();                    // the module runs: the page may hand over its files
void PageAsk(bool again);            // the "Fullscreen?" question; again: after an ended show
void PagePlaying();                  // the show starts: the question goes
void PageLayout();                   // fits the canvas on the page to the frame and the screen
void PageHideCursor(bool hide);
void PageLeaveFullscreen();
// Asked of the page, in real pixels (CSS pixels times the device's pixel ratio): the screen's
// size, or with box set the canvas's box in the page when not full screen.
void PagePixels(bool box, int* width, int* height);
}

// The web platform layer's own (host/web_platform.cpp), besides host/platform.h.
void WebKeepFrames(bool keep); // before the context exists: frames stay readable (stills)
void WebSetFrameSize(int width, int height); // the frame, the canvas's pixels and its layout
