// The spectrum the scripts see during a capture, computed from the decoded soundtrack at each
// frame's demo time instead of from the sound being played.
#pragma once
#include <cstdint>
#include <vector>

struct CaptureSoundtrack {
    std::vector<float> mono; // empty when the soundtrack could not be decoded
    int sampleRate;
};

// Decodes the whole file once; false (and an empty soundtrack) when it is missing or unreadable.
bool LoadCaptureSoundtrack(const char* path, CaptureSoundtrack* soundtrack);
// Copies the analysis window that ends at timeMs (zeros outside the file) into window1024.
void SoundtrackWindowAt(const CaptureSoundtrack& soundtrack, int32_t timeMs, float* window1024);
// Computes the spectrum at timeMs into spectrum512 and makes the sound layer report it; with
// no soundtrack the spectrum is all zero. spectrum512 must stay alive while it is installed.
void InstallSpectrumAt(const CaptureSoundtrack& soundtrack, int32_t timeMs, float* spectrum512);
