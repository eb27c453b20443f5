// The sound layer of the web page, on Web Audio (music/web_audio.js). The page decodes the
// soundtrack while it loads and hands its samples over; playback is an AudioBuffer source, and
// the spectrum is the band analysis of those decoded samples at the position now audible, so
// it is the same analysis over the same samples as the desktop's. Everything runs on the page's
// one thread.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <vector>

#include "music/band_analysis.h"
#include "music/sound_layer.h"
#include "music/web_audio.h"

// A stream is the decoded soundtrack of one path, played by the page's JavaScript.
struct Mp3Stream {
    int track; // the JavaScript side's number for it
};

extern "C" {
// In music/web_audio.js.
int lockstep_audio_init();
int lockstep_audio_open(const char* path);
void lockstep_audio_play(int track);
void lockstep_audio_stop(int track);
double lockstep_audio_position();
}

namespace {

struct WebSoundState {
    bool ready;
    bool spectrumActive;
    const float* overrideSpectrum;
    Mp3Stream* playing;
    int32_t heldMs; // -1: not held
    int32_t spectrumMs; // where the latest spectrum was taken in the soundtrack; -1: none yet
    std::vector<float> mono; // the decoded soundtrack, mono at the analysis rate
    float recent[kSpectrumWindow];
    float spectrum[kSpectrumBins];
};

WebSoundState sound = {false, false, nullptr, nullptr, -1, -1, {}, {}, {}};

} // namespace

// The page copies the decoded soundtrack's mono samples here, once, while it loads.
extern "C" EMSCRIPTEN_KEEPALIVE float* lockstep_soundtrack_samples(int frames) {
    sound.mono.assign(static_cast<size_t>(frames), 0.0f);
    return sound.mono.data();
}

bool InitSound() {
    if (!sound.ready) sound.ready = lockstep_audio_init() != 0;
    if (!sound.ready) fprintf(stderr, "lockstep: no sound output: this browser has no Web Audio\n");
    return sound.ready;
}

void ShutdownSound() {
    if (sound.playing) lockstep_audio_stop(sound.playing->track);
    sound.playing = nullptr;
}

void SetSpectrumActive(bool active) {
    sound.spectrumActive = active;
}

Mp3Stream* OpenSoundStream(const char* path) {
    const int track = lockstep_audio_open(path);
    if (track <= 0) {
        fprintf(stderr, "lockstep: cannot play \"%s\": the page has not decoded it\n", path);
        return nullptr;
    }
    return new Mp3Stream{track};
}

int PlaySoundStream(int channel, Mp3Stream* stream) {
    if (!sound.ready || channel != kSoundChannel || !stream) return -1;
    if (sound.playing) lockstep_audio_stop(sound.playing->track);
    lockstep_audio_play(stream->track);
    sound.playing = stream;
    return channel;
}

void CloseSoundStream(Mp3Stream* stream) {
    if (!stream) return;
    if (sound.playing == stream) {
        lockstep_audio_stop(stream->track);
        sound.playing = nullptr;
    }
    delete stream;
}

void SoundOverrideSpectrum(const float* spectrum512) {
    sound.overrideSpectrum = spectrum512;
}

// For window.lockstepStatus(): what the tree's latest spectrum heard.
extern "C" EMSCRIPTEN_KEEPALIVE int lockstep_spectrum_time() {
    return sound.spectrumMs;
}

int32_t WebSoundPositionMs() {
    if (!sound.playing) return -1;
    const double seconds = lockstep_audio_position();
    return seconds < 0 ? -1 : static_cast<int32_t>(seconds * 1000.0);
}

void WebSoundHoldPosition(int32_t ms) {
    sound.heldMs = ms;
}

const float* SoundSpectrum() {
    if (sound.overrideSpectrum) return sound.overrideSpectrum;
    int64_t end = 0;
    if (sound.heldMs >= 0) {
        // As the capture tool: the window that ends at the frame's time.
        end = static_cast<int64_t>(sound.heldMs) * kAnalysisRate / 1000;
    } else {
        if (!sound.spectrumActive || !sound.playing) return nullptr;
        const double seconds = lockstep_audio_position();
        if (seconds < 0) return nullptr;
        end = static_cast<int64_t>(seconds * kAnalysisRate);
    }
    sound.spectrumMs = static_cast<int32_t>(end * 1000 / kAnalysisRate);
    WindowEndingAt(sound.mono.data(), static_cast<int64_t>(sound.mono.size()), end, sound.recent);
    ComputeSpectrum(sound.recent, sound.spectrum);
    return sound.spectrum;
}
