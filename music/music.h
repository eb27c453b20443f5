// The soundtrack stream and the mean of a band of its live spectrum.
#pragma once
#include <cstdint>

// 1 when the stream plays, 0 on failure (the show then runs silent).
int StartMusic(const char* path);
void CloseMusic();
// Mean spectrum magnitude over the 43 Hz bins from lowHz / 43 up to, not including, highHz / 43;
// 0 for an empty band or when there is no spectrum. Bins outside 0..511 count as silence.
float SpectrumBand(int lowHz, int highHz);
