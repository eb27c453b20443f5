// An mp3 file decoded piece by piece into stereo floats at the output rate.
#pragma once
#include <cstdint>

constexpr int kStreamRate = 44100;
constexpr int kStreamChannels = 2;

struct Mp3Stream;

// Null for a missing or undecodable file; *reason then says why.
Mp3Stream* OpenMp3Stream(const char* path, const char** reason);
// Decodes up to `frames` interleaved stereo frames; fewer only at the end of the file.
// Allocates nothing, so it may run on the audio thread.
int ReadMp3Stream(Mp3Stream* stream, float* stereo, int frames);
// Moves to stereo frame `frame` of the decoded file (0 is its first). False where the decoder
// cannot go (past the end): the stream is then silent.
bool SeekMp3Stream(Mp3Stream* stream, int64_t frame);
// The frame the next read decodes (0 is the file's first).
int64_t Mp3StreamPlace(Mp3Stream* stream);
// Moves `frames` on from where the stream stands, without decoding them; false as SeekMp3Stream.
bool SkipMp3Stream(Mp3Stream* stream, int64_t frames);
void CloseMp3Stream(Mp3Stream* stream);
