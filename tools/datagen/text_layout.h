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
// high, above the robots that are drawn after them.
constexpr int kCreditsPanelCount = 4;
constexpr PanelText kCreditsPanels[kCreditsPanelCount] = {
    {256, 128, 2, {{"lockstep", 10, 5}, {"a generated show", 66, 2.4f}}},
    {256, 128, 2, {{"code", 10, 5}, {"C++ and OpenGL", 66, 2.4f}}},
    {256, 128, 2, {{"graphics", 10, 5}, {"generated", 66, 2.4f}}},
    {256, 128, 2, {{"music", 10, 5}, {"generated", 66, 2.4f}}},
};

// Greetings: two 256 x 256 halves, lettered high so that the lines stay above the skyline.
constexpr int kGreetingsPanelCount = 2;
constexpr PanelText kGreetingsPanels[kGreetingsPanelCount] = {
    {256, 256, 3, {{"greetings", 16, 4.2f}, {"to the", 78, 3.2f}, {"demoscene", 122, 3.6f}}},
    {256,
     256,
     4,
     {{"SDL  Mesa", 12, 3.2f},
      {"mpg123", 56, 3.2f},
      {"kissfft", 100, 3.2f},
      {"LAME  FFmpeg", 144, 3.2f}}},
};
