// What the web page's host asks of the Web Audio sound layer beyond the sound layer's own
// interface: the audio clock that its demo time follows, and the fixed times its stills step at.
#pragma once
#include <cstdint>

// Milliseconds of the playing soundtrack that have reached the listener; it stands still while
// the audio context is suspended. -1 while none plays (none started, closed, or the browser
// refused the sound), when the host keeps time itself.
int32_t WebSoundPositionMs();
// While ms >= 0 the spectrum is the soundtrack's at that demo time and nothing needs to play,
// so stills match the capture tool's; -1 returns to the playing sound.
void WebSoundHoldPosition(int32_t ms);
