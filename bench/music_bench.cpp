// Measures the live spectrum against the output: how long after a click is played the spectrum
// shows it, and what SpectrumBand costs the main thread. Runs on SDL's dummy output unless
// SDL_AUDIODRIVER names another. Results on stdout.
#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "music/music.h"
#include "music/sound_layer.h"
#include "tests/mp3_fixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kClicks = 20;
constexpr int kClickSpacing = kRate / 2;
constexpr int kClickLength = kRate / 50; // 20 ms
constexpr int kClickBin = 116;           // about 5 kHz
constexpr float kDetectLevel = 0.1f;     // of the click's full-scale 1.0 in its bin
constexpr double kMatchEarly = 0.03;     // a sighting this close to a click belongs to it
constexpr double kMatchLate = 0.2;
constexpr int kCostBatches = 200;
constexpr int kCostBatchCalls = 100;

double NowSeconds() {
    return SoundClockSeconds();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<float> ClickTrack(std::vector<int>* onsets) {
    std::vector<float> samples(static_cast<size_t>(kClickSpacing * (kClicks + 1)), 0.0f);
    const double hz = kClickBin * static_cast<double>(kRate) / kSpectrumWindow;
    for (int c = 1; c <= kClicks; ++c) {
        const int onset = c * kClickSpacing;
        onsets->push_back(onset);
        for (int i = 0; i < kClickLength; ++i) {
            samples[onset + i] = static_cast<float>(std::sin(2.0 * kFixturePi * hz * i / kRate));
        }
    }
    return samples;
}

// The first window end, at or after `from`, at which the analysis of the decoded file sees a click.
int DetectOffline(const std::vector<float>& decoded, int from) {
    std::vector<float> spectrum(kSpectrumBins);
    for (int end = std::max(from, kSpectrumWindow); end <= static_cast<int>(decoded.size());
         ++end) {
        ComputeSpectrum(decoded.data() + end - kSpectrumWindow, spectrum.data());
        if (spectrum[kClickBin] > kDetectLevel) return end;
    }
    return -1;
}

struct CallbackMark {
    uint32_t written; // frames written once the callback returned
    double at;        // when it returned, by the callback's own reading of the clock
};

// When the output reaches `frame`: the dummy output starts consuming a buffer as its callback
// returns and takes one buffer's duration over it. -1 when no mark covers the frame.
double PlayedAt(const std::vector<CallbackMark>& marks, uint32_t frame) {
    for (const CallbackMark& mark : marks) {
        if (mark.written > frame) {
            const uint32_t first = mark.written - kOutputBufferFrames;
            if (frame < first) return -1.0;
            return mark.at + (static_cast<double>(frame) - first) / kRate;
        }
    }
    return -1.0;
}

double WrittenAt(const std::vector<CallbackMark>& marks, uint32_t frame) {
    for (const CallbackMark& mark : marks) {
        if (mark.written > frame) return mark.at;
    }
    return -1.0;
}

} // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string path = "/tmp/lockstep-music-bench-" + std::to_string(getpid()) + ".mp3";
    std::vector<int> onsets;
    if (!WriteMp3(path, ClickTrack(&onsets), kRate)) {
        fprintf(stderr, "music_bench: cannot write %s\n", path.c_str());
        return 1;
    }
    std::vector<float> decoded;
    int rate = 0;
    if (!DecodeMp3File(path.c_str(), &decoded, &rate)) return 1;
    std::vector<int> detectOffline;
    for (int onset : onsets) detectOffline.push_back(DetectOffline(decoded, onset - kRate / 10));

    if (!InitSound()) return 1;
    SDL_Delay(200);
    const uint32_t before = SoundFramesWritten();
    if (!StartMusic(path.c_str())) return 1;
    const uint32_t after = SoundFramesWritten();
    const uint32_t start = after; // the stream starts with the first callback after StartMusic

    // Poll as fast as possible, noting every callback and every rise of the click's bin.
    std::vector<CallbackMark> marks;
    marks.reserve(4096);
    std::vector<double> rises;
    bool above = false;
    uint32_t lastWritten = SoundFramesWritten();
    const double stop = NowSeconds() + decoded.size() / static_cast<double>(kRate) + 0.3;
    while (NowSeconds() < stop) {
        double writtenAt = 0.0;
        const uint32_t written = SoundLastWrite(&writtenAt);
        if (written != lastWritten) {
            marks.push_back({written, writtenAt});
            lastWritten = written;
        }
        const double now = NowSeconds();
        const float* spectrum = SoundSpectrum();
        const bool seen = spectrum && spectrum[kClickBin] > kDetectLevel;
        if (seen && !above) rises.push_back(now);
        above = seen;
    }

    std::vector<double> toClick, toOffline, naive, analysis;
    int unmeasured = 0, missed = 0;
    for (size_t c = 0; c < onsets.size(); ++c) {
        const double clickPlayed = PlayedAt(marks, start + onsets[c]);
        const double windowPlayed = PlayedAt(marks, start + detectOffline[c]);
        if (detectOffline[c] < 0 || clickPlayed < 0 || windowPlayed < 0) {
            ++unmeasured; // the poll missed the callback that wrote it
            continue;
        }
        double seenAt = -1.0;
        for (double rise : rises) {
            if (rise > windowPlayed - kMatchEarly && rise < windowPlayed + kMatchLate) {
                seenAt = rise;
                break;
            }
        }
        if (seenAt < 0) {
            ++missed;
            continue;
        }
        toClick.push_back((seenAt - clickPlayed) * 1000.0);
        toOffline.push_back((seenAt - windowPlayed) * 1000.0);
        naive.push_back((WrittenAt(marks, start + detectOffline[c]) - windowPlayed) * 1000.0);
        analysis.push_back((detectOffline[c] - onsets[c]) * 1000.0 / kRate);
        if (getenv("MUSIC_BENCH_VERBOSE")) {
            printf("click %zu: onset %d seen offline at %d; live %.2f ms, naive %.2f ms\n", c,
                   onsets[c], detectOffline[c], toOffline.back(), naive.back());
        }
    }
    std::sort(toOffline.begin(), toOffline.end());
    printf("output: %s, buffer %d frames (%.1f ms); stream start bracket %u..%u\n",
           SDL_GetCurrentAudioDriver(), kOutputBufferFrames, kOutputBufferFrames * 1000.0 / kRate,
           before, after);
    printf("clicks measured: %zu of %zu (%d missed by the poll, %d not seen in time)\n",
           toClick.size(), onsets.size(), unmeasured, missed);
    printf("analysis delay (window must fill; offline, same code): median %.2f ms\n",
           Median(analysis));
    printf("live spectrum vs sample clock, same window position: median %.2f ms, min %.2f, "
           "max %.2f\n",
           Median(toOffline), toOffline.empty() ? 0.0 : toOffline.front(),
           toOffline.empty() ? 0.0 : toOffline.back());
    printf("live spectrum vs the click being played: median %.2f ms\n", Median(toClick));
    printf("if it analysed the samples just written instead: median %.2f ms\n", Median(naive));

    // Main-thread cost, with the music playing.
    StartMusic(path.c_str());
    SDL_Delay(100);
    std::vector<double> live, analysisOnly;
    volatile float sink = 0.0f;
    for (int b = 0; b < kCostBatches; ++b) {
        const double t0 = NowSeconds();
        for (int i = 0; i < kCostBatchCalls; ++i) sink = sink + SpectrumBand(700, 1000);
        live.push_back((NowSeconds() - t0) * 1e6 / kCostBatchCalls);
    }
    std::vector<float> window(decoded.begin() + kRate, decoded.begin() + kRate + kSpectrumWindow);
    std::vector<float> spectrum(kSpectrumBins);
    for (int b = 0; b < kCostBatches; ++b) {
        const double t0 = NowSeconds();
        for (int i = 0; i < kCostBatchCalls; ++i) ComputeSpectrum(window.data(), spectrum.data());
        analysisOnly.push_back((NowSeconds() - t0) * 1e6 / kCostBatchCalls);
    }
    printf("SpectrumBand(700, 1000) while playing: median %.2f us per call (%d batches of %d)\n",
           Median(live), kCostBatches, kCostBatchCalls);
    printf("of which ComputeSpectrum alone: median %.2f us per call (ratio %.2f)\n",
           Median(analysisOnly), Median(analysisOnly) / Median(live));
    CloseMusic();
    ShutdownSound();
    remove(path.c_str());
    return 0;
}
