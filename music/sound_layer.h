// The sound output: the one place that talks to SDL audio. It plays at most one mp3 stream on
// a fixed channel and offers the spectrum of what is audible now.
#pragma once
#include <cstdint>

#include "music/band_analysis.h"

struct Mp3Stream;

constexpr int kOutputRate = 44100;
constexpr int kOutputBufferFrames = 1024; // one audio callback, about 23 ms
constexpr int kSoundChannel = 0;          // the only channel a stream plays on

// Opens the default output (float, stereo, 44100 Hz) and starts it playing silence.
// False when no output can be opened; a later call tries again.
bool InitSound();
// Closes the output so that a test or tool can finish a recording or open another driver.
// The demo never calls it: the end of the process reclaims the output.
void ShutdownSound();
// The spectrum unit: while off, SoundSpectrum gives null.
void SetSpectrumActive(bool active);
// Null (with a stderr line naming the file and the reason) for a missing or undecodable file.
Mp3Stream* OpenSoundStream(const char* path);
// Plays the stream from where it stands, once, replacing whatever the channel played.
// Returns the channel, or -1 when the output is not open or the arguments are unusable.
int PlaySoundStream(int channel, Mp3Stream* stream);
// Plays a freshly opened stream in place of the channel's, in step with a clock that read `frame`
// at `heardAt` (SoundClockSeconds): the listener hears the place that clock gives. The recent
// output the spectrum reads is rewritten as if the stream had been playing, so the spectrum is the
// new place's at once. With `paused` the stream waits at `frame` and the spectrum holds that place.
// Returns the channel, or -1 as PlaySoundStream.
int CueSoundStream(int channel, Mp3Stream* stream, int64_t frame, double heardAt, bool paused);
// Paused, the output plays silence after what it already holds, the stream waits where it stands
// and the spectrum keeps what was heard at the pause.
void PauseSound(bool paused);
// Stops the stream if it plays and releases it.
void CloseSoundStream(Mp3Stream* stream);
// The 512-bin spectrum of the most recent 1024 audible samples (mono mix), or the override;
// null while the unit is off or before anything has been played. Valid until the next call.
const float* SoundSpectrum();

// The SDL host hands over its outputs' comings and goings (SDL_AUDIODEVICEREMOVED, ADDED), each
// with the show's time then. When `device`, as the removal names it, is this layer's output, the
// layer closes it, says so in one line and plays on silently by its clock from showMs: this
// thread decodes the stream as if it were heard, so the spectrum is the music's at that time.
void SoundOutputRemoved(uint32_t device, int32_t showMs);
// After a loss, an output added is opened as the default output and the stream plays on it from
// showMs (paused, it waits there). One that cannot be opened leaves the layer silent, said in a
// line, until the next comes.
void SoundOutputAdded(int32_t showMs);
// True from a loss of the output until another one plays.
bool SoundOutputLost();
// The place of the playing stream (frames from the file's start) that the listener hears now;
// false while paused, with no stream, or before the place last played or cued is heard.
bool SoundPlaceHeard(int64_t* frame);

// Frames handed to the output since it opened (written, not necessarily heard yet).
uint32_t SoundFramesWritten();
// Frames estimated to have reached the listener by now.
uint32_t SoundFramesAudible();
// For measurements: the output's clock in seconds since it opened, and the frames written by the
// latest callback together with that clock's reading when the callback returned.
double SoundClockSeconds();
uint32_t SoundLastWrite(double* seconds);
