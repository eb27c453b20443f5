#include "music/band_analysis.h"

#include <cmath>
#include <kiss_fftr.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Analyser {
    kiss_fftr_cfg fft; // null until the first analysis
    float window[kSpectrumWindow];
    float scale; // 2 / sum(window): a full-scale sine on a bin centre reads 1.0
    kiss_fft_scalar input[kSpectrumWindow];
    kiss_fft_cpx output[kSpectrumBins + 1];
};

Analyser analyser;

void PrepareAnalyser() {
    analyser.fft = kiss_fftr_alloc(kSpectrumWindow, 0, nullptr, nullptr);
    double sum = 0.0;
    for (int i = 0; i < kSpectrumWindow; ++i) {
        // Periodic Hann, so the window tiles and its sum is exactly half the length.
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * i / kSpectrumWindow);
        analyser.window[i] = static_cast<float>(w);
        sum += w;
    }
    analyser.scale = static_cast<float>(2.0 / sum);
}

} // namespace

void ComputeSpectrum(const float* mono1024, float* spectrum512) {
    if (!analyser.fft) PrepareAnalyser();
    for (int i = 0; i < kSpectrumWindow; ++i) analyser.input[i] = mono1024[i] * analyser.window[i];
    kiss_fftr(analyser.fft, analyser.input, analyser.output);
    for (int i = 0; i < kSpectrumBins; ++i) {
        const kiss_fft_cpx c = analyser.output[i];
        const float magnitude = std::sqrt(c.r * c.r + c.i * c.i) * analyser.scale;
        spectrum512[i] = magnitude < 1.0f ? magnitude : 1.0f;
    }
}

void WindowEndingAt(const float* mono, int64_t count, int64_t end, float* window1024) {
    const int64_t start = end - kSpectrumWindow;
    for (int i = 0; i < kSpectrumWindow; ++i) {
        const int64_t at = start + i;
        window1024[i] = at >= 0 && at < count ? mono[at] : 0.0f;
    }
}
