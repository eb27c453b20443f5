// The four scene scripts: each poses the camera and the scene objects for one frame and fills
// the DrawList. d is the scene time, t the demo time, entered true on a scene's first frame.
#pragma once
#include <cstdint>

void CityScene(int32_t d);
void RoadScene(int32_t type, bool entered, int32_t d, int32_t t);
void CreditsScene(bool entered, int32_t d, int32_t t);
void FinaleScene(bool entered, int32_t d);
// The spectrum level the tree follows now, 0 to 1.
float TreeSpectrumLevel();
