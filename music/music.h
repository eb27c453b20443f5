// The soundtrack stream and the mean of a band of its live spectrum.
#pragma once
#include <cstdint>

// 1 when the stream plays, 0 on failure (the show then runs silent).
int StartMusic(const char* path);
void CloseMusic();
// Mean spectrum magnitude over the 43 Hz bins from lowHz / 43 up to, not including, highHz / 43;
// 0 for an empty band or when there is no spectrum. Bins outside 0..511 count as silence.
float SpectrumBand(int lowHz, int highHz);

// Seeking and pausing, for the makers' controls. The soundtrack then follows the caller's clock:
// from the call on, what is heard is the file at `ms` plus the time since, and the spectrum is
// that place's at once. Each opens the file afresh, so a rewritten soundtrack is picked up.
// As StartMusic, but the file plays from ms.
int StartMusicAt(const char* path, int32_t ms);
// Moves the playing soundtrack to ms (while paused it waits there); nothing without one.
void SeekMusic(int32_t ms);
// Silence after what the output already holds; the spectrum keeps what was heard.
void PauseMusic();
// Plays on from ms after a pause.
void ResumeMusic(int32_t ms);
// Opens the soundtrack last started again and plays it from ms, paused if it was; failures are
// reported as StartMusic's. 1 when it plays.
int ReloadMusic(int32_t ms);
