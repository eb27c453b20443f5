// The spectrum analysis shared by the live sound layer and the offline tools.
#pragma once
#include <vector>

constexpr int kSpectrumWindow = 1024; // samples per analysis, at the output rate
constexpr int kSpectrumBins = kSpectrumWindow / 2;
constexpr int kAnalysisRate = 44100;

// Magnitudes of bins 0..511 (43 Hz each) of a Hann-windowed 1024-point real FFT, scaled so that
// a full-scale sine centred on a bin reads 1.0 there; each clamped to [0, 1]. Main thread only:
// it works in static buffers made on the first call.
void ComputeSpectrum(const float* mono1024, float* spectrum512);

// Decodes a whole mp3 to mono floats at 44100 Hz, resampled if the file has another rate, the same
// way the live stream decodes it. For offline analysis; false (with a stderr line) on failure.
bool DecodeMp3File(const char* path, std::vector<float>* monoSamples, int* sampleRate);

// While non-null, the sound layer's current spectrum is this array of 512 bins instead of the
// live one; null restores the live spectrum. The array must outlive its use.
void SoundOverrideSpectrum(const float* spectrum512);
