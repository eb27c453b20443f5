// An mp3 file decoded piece by piece into stereo floats at the output rate.
#pragma once

constexpr int kStreamRate = 44100;
constexpr int kStreamChannels = 2;

struct Mp3Stream;

// Null for a missing or undecodable file; *reason then says why.
Mp3Stream* OpenMp3Stream(const char* path, const char** reason);
// Decodes up to `frames` interleaved stereo frames; fewer only at the end of the file.
// Allocates nothing, so it may run on the audio thread.
int ReadMp3Stream(Mp3Stream* stream, float* stereo, int frames);
void CloseMp3Stream(Mp3Stream* stream);
