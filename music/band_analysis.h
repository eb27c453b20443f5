// The spectrum analysis shared by the live sound layer and the offline tools.
#pragma once
#include <cstdint>
#include <vector>

constexpr int kSpectrumWindow = 1024; // samples per analysis, at the output rate
constexpr int kSpectrumBins = kSpectrumWindow / 2;
constexpr int kAnalysisRate = 44100;

// Magnitudes of bins 0..511 (43 Hz each) of a Hann-windowed 1024-point real FFT, scaled so that
// a full-scale sine centred on a bin reads 1.0 there; each clamped to [0, 1]. Main thread only:
// it works in static buffers made on the first call.
void ComputeSpectrum(const float* mono1024, float* spectrum512);
// The analysis window of a mono track of `count` samples that ends just before sample `end`:
// the 1024 samples before it, silence where the track has none.
void WindowEndingAt(const float* mono, int64_t count, int64_t end, float* window1024);

// Decodes a whole mp3 to mono floats at 44100 Hz, resampled if the file has another rate, the same
// way the live stream decodes it. For offline analysis; false (with a stderr line) on failure.
// It lives beside the decoder (mp3_stream.cpp), which a web page does without.
bool DecodeMp3File(const char* path, std::vector<float>* monoSamples, int* sampleRate);

// While non-null, the sound layer's current spectrum is this array of 512 bins instead of the
// live one; null restores the live spectrum. The array must outlive its use.
void SoundOverrideSpectrum(const float* spectrum512);
