// The show's own lettering: a 5x7 dot font (with descenders) drawn as rounded strokes that join
// neighbouring dots, so it stays smooth at any size.
#pragma once
#include "tools/datagen/gen_common.h"

struct TextStyle {
    float cell;   // pixels per font dot, vertically
    float xScale; // horizontal squeeze, for pictures stretched on screen
    float weight; // stroke half-width in dots (0.5 just touches the neighbours)
    float r, g, b, a;
};

// Width in pixels of text set in that style.
float TextWidth(const char* text, const TextStyle& style);
// Draws text with its top-left corner (the top of capitals) at (x, y).
void DrawText(Picture* pic, const char* text, float x, float y, const TextStyle& style);
// Centred on column cx.
void DrawTextCentred(Picture* pic, const char* text, float cx, float y, const TextStyle& style);
