#include "tools/capture/capture_levels.h"

#include <cstring>

#include "music/band_analysis.h"

bool LoadCaptureSoundtrack(const char* path, CaptureSoundtrack* soundtrack) {
    soundtrack->mono.clear();
    soundtrack->sampleRate = kAnalysisRate;
    if (!DecodeMp3File(path, &soundtrack->mono, &soundtrack->sampleRate) ||
        soundtrack->sampleRate <= 0) {
        soundtrack->mono.clear();
        soundtrack->sampleRate = kAnalysisRate;
        return false;
    }
    return true;
}

void SoundtrackWindowAt(const CaptureSoundtrack& soundtrack, int32_t timeMs, float* window1024) {
    // The live layer analyses the samples audible at the frame's time: the last 1024 before it.
    const int64_t end = static_cast<int64_t>(timeMs) * soundtrack.sampleRate / 1000;
    WindowEndingAt(soundtrack.mono.data(), static_cast<int64_t>(soundtrack.mono.size()), end,
                   window1024);
}

void InstallSpectrumAt(const CaptureSoundtrack& soundtrack, int32_t timeMs, float* spectrum512) {
    if (soundtrack.mono.empty()) {
        memset(spectrum512, 0, sizeof(float) * kSpectrumBins);
    } else {
        float window[kSpectrumWindow];
        SoundtrackWindowAt(soundtrack, timeMs, window);
        ComputeSpectrum(window, spectrum512);
    }
    SoundOverrideSpectrum(spectrum512);
}
