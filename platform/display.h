// The one window, its rendering context and the render-state services used all through a run.
#pragma once
#include <cstdint>

// 1 once ApplyDefaultRenderState has run; mesh drawing applies it itself while still 0.
extern int32_t renderStateApplied;

void OpenDisplay(bool fullScreen);
void PresentFrame();
void ApplyDefaultRenderState();
void ClearDepthBuffer();
