// A heads-up display drawn as one picture: lines of text in a small built-in font and a level
// bar, composed on the CPU into an RGBA block, uploaded as a texture and laid over the top-left
// corner of the finished frame, alpha-blended.
#pragma once

constexpr int kHudMaxLines = 3;    // of text, above the bar
constexpr int kHudMaxColumns = 28; // longer lines are cut

// Draws up to kHudMaxLines lines, then `barLabel` and a bar filled to `level` (0 to 1).
void DrawHud(const char* const* lines, int lineCount, const char* barLabel, float level);
