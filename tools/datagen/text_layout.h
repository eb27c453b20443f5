// The words on the panels and where they sit inside each panel's part of its picture.
#pragma once

struct PanelLine {
    const char* text;
    float top;  // pixels from the top of the panel
    float cell; // font dot size in pixels
};

constexpr int kMaxPanelLines = 4;
struct PanelText {
    int width, height; // pixels of the picture that the panel shows
    int lineCount;
    PanelLine lines[kMaxPanelLines];
};

// Title: two 512 x 256 halves, one for each resting angle of the swing.
constexpr int kTitlePanelCount = 2;
constexpr PanelText kTitlePanels[kTitlePanelCount] = {
    {512, 256, 2, {{"lockstep", 70, 10}, {"in step with the music", 190, 3}}},
    {512, 256, 2, {{"lockstep", 70, 10}, {"a show of light and sound", 190, 3}}},
};

// Credits: four 256 x 128 quarters, read one after the other as the carousel turns; lettered
// at the top, so that the lines clear the robots and the tree below them.
constexpr int kCreditsPanelCount = 4;
constexpr PanelText kCreditsPanels[kCreditsPanelCount] = {
    {256, 128, 2, {{"lockstep", 8, 5}, {"a generated show", 55, 2.5f}}},
    {256, 128, 2, {{"code", 8, 5}, {"C++ and OpenGL", 55, 2.5f}}},
    {256, 128, 2, {{"graphics", 8, 5}, {"generated", 55, 2.5f}}},
    {256, 128, 2, {{"music", 8, 5}, {"generated", 55, 2.5f}}},
};

// Greetings: two 256 x 256 halves, lettered at the top like the credits.
constexpr int kGreetingsPanelCount = 2;
constexpr PanelText kGreetingsPanels[kGreetingsPanelCount] = {
    {256, 256, 2, {{"greetings", 8, 4.4f}, {"to the demoscene", 54, 2.5f}}},
    {256,
     256,
     3,
     {{"SDL  Mesa", 8, 2.6f}, {"mpg123  kissfft", 34, 2.6f}, {"LAME  FFmpeg", 60, 2.6f}}},
};
