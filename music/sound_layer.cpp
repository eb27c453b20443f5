#include "music/sound_layer.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "music/mp3_stream.h"

// Threads: SDL calls FillOutput on its audio thread; everything else runs on the main thread.
// Two things cross between them:
// - `playing`, the stream the callback decodes. SDL holds the device lock around every callback,
//   so the main thread swaps it only inside SDL_LockAudioDevice, and opens and frees streams
//   outside that lock. The lock is held for a pointer store, never while the main thread decodes.
// - the recent output, as a ring of mono samples and a stamp (frames written, time written).
//   The callback stores the samples, then publishes the stamp with release order; the main thread
//   loads the stamp with acquire order before reading samples below it. All of it is atomic, so
//   the main thread never waits for the callback, and a copy that the callback may have lapped
//   meanwhile is detected and taken again.

namespace {

constexpr int kRingFrames = 16384; // a power of two, far more than a window plus two buffers
constexpr uint32_t kRingMask = kRingFrames - 1;
constexpr int kCopyAttempts = 3;
constexpr double kMicrosPerSecond = 1e6;

struct SoundState {
    SDL_AudioDeviceID device; // 0 while no output is open
    Mp3Stream* playing;       // shared with the callback; changed only under the device lock
    uint32_t latencyFrames;   // written but not yet heard, at the moment a callback returns
    bool spectrumActive;
    const float* overrideSpectrum;
    uint64_t clockBase;
    double clockFrequency;
    float recent[kSpectrumWindow]; // the samples under analysis, oldest first
    float spectrum[kSpectrumBins];
};

SoundState sound;
std::atomic<float> ring[kRingFrames];
// Frames written in the high half, the microsecond clock when they were written in the low half:
// one word, so the two are always read as a pair.
std::atomic<uint64_t> stamp;

uint32_t NowMicros() {
    const uint64_t ticks = SDL_GetPerformanceCounter() - sound.clockBase;
    return static_cast<uint32_t>(static_cast<double>(ticks) * kMicrosPerSecond /
                                 sound.clockFrequency);
}

void FillOutput(void*, Uint8* bytes, int length) {
    float* out = reinterpret_cast<float*>(bytes);
    const int frames = length / static_cast<int>(sizeof(float) * kStreamChannels);
    const int decoded = sound.playing ? ReadMp3Stream(sound.playing, out, frames) : 0;
    memset(out + decoded * kStreamChannels, 0,
           static_cast<size_t>(frames - decoded) * kStreamChannels * sizeof(float));

    uint32_t written = static_cast<uint32_t>(stamp.load(std::memory_order_relaxed) >> 32);
    for (int i = 0; i < frames; ++i) {
        const float mono = 0.5f * (out[2 * i] + out[2 * i + 1]);
        ring[(written + i) & kRingMask].store(mono, std::memory_order_relaxed);
    }
    written += static_cast<uint32_t>(frames);
    stamp.store(static_cast<uint64_t>(written) << 32 | NowMicros(), std::memory_order_release);
}

// The dummy and disk outputs consume a buffer during the wait that follows its callback; a sound
// card still has the previous buffer queued when it asks for the next.
uint32_t EstimateLatency() {
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool timed = driver && (strcmp(driver, "dummy") == 0 || strcmp(driver, "disk") == 0);
    return static_cast<uint32_t>(kOutputBufferFrames * (timed ? 1 : 2));
}

// Copies the kSpectrumWindow samples that end at `end` into `recent`; false when the callback
// overwrote part of them during the copy.
bool CopyRecentSamples(uint32_t end) {
    const uint32_t start = end - kSpectrumWindow;
    for (int i = 0; i < kSpectrumWindow; ++i) {
        // Before the first sample the output was silent.
        const bool beforeStart = end < static_cast<uint32_t>(kSpectrumWindow - i);
        sound.recent[i] =
            beforeStart ? 0.0f : ring[(start + i) & kRingMask].load(std::memory_order_relaxed);
    }
    const uint32_t written = static_cast<uint32_t>(stamp.load(std::memory_order_acquire) >> 32);
    return written - start <= static_cast<uint32_t>(kRingFrames);
}

} // namespace

bool InitSound() {
    if (sound.device) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        fprintf(stderr, "lockstep: no sound output: %s\n", SDL_GetError());
        return false;
    }
    sound.clockBase = SDL_GetPerformanceCounter();
    sound.clockFrequency = static_cast<double>(SDL_GetPerformanceFrequency());
    stamp.store(0, std::memory_order_relaxed);
    for (std::atomic<float>& sample : ring) sample.store(0.0f, std::memory_order_relaxed);

    SDL_AudioSpec want = {};
    want.freq = kOutputRate;
    want.format = AUDIO_F32SYS;
    want.channels = kStreamChannels;
    want.samples = kOutputBufferFrames;
    want.callback = FillOutput;
    SDL_AudioSpec have = {};
    // No format changes allowed: SDL converts if the card differs, so the callback's buffer
    // always has the layout the decoder writes.
    sound.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!sound.device) {
        fprintf(stderr, "lockstep: no sound output: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    sound.latencyFrames = EstimateLatency();
    SDL_PauseAudioDevice(sound.device, 0);
    return true;
}

void ShutdownSound() {
    if (!sound.device) return;
    SDL_CloseAudioDevice(sound.device);
    sound.device = 0;
    sound.playing = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SetSpectrumActive(bool active) {
    sound.spectrumActive = active;
}

Mp3Stream* OpenSoundStream(const char* path) {
    const char* reason = "";
    Mp3Stream* stream = OpenMp3Stream(path, &reason);
    if (!stream) fprintf(stderr, "lockstep: cannot play \"%s\": %s\n", path, reason);
    return stream;
}

int PlaySoundStream(int channel, Mp3Stream* stream) {
    if (!sound.device || channel != kSoundChannel || !stream) return -1;
    SDL_LockAudioDevice(sound.device);
    sound.playing = stream;
    SDL_UnlockAudioDevice(sound.device);
    return channel;
}

void CloseSoundStream(Mp3Stream* stream) {
    if (!stream) return;
    if (sound.device) {
        SDL_LockAudioDevice(sound.device);
        if (sound.playing == stream) sound.playing = nullptr;
        SDL_UnlockAudioDevice(sound.device);
    }
    CloseMp3Stream(stream);
}

uint32_t SoundFramesWritten() {
    return static_cast<uint32_t>(stamp.load(std::memory_order_acquire) >> 32);
}

// When a callback returns, the output still holds latencyFrames of what was written and plays
// them at the output rate; so the listener hears a point that moves from written - latency
// towards written until the next callback, and never past what has been written.
uint32_t SoundFramesAudible() {
    if (!sound.device) return 0;
    const uint64_t pair = stamp.load(std::memory_order_acquire);
    const uint32_t written = static_cast<uint32_t>(pair >> 32);
    const uint32_t writtenAt = static_cast<uint32_t>(pair);
    if (written == 0) return 0;
    const double elapsed = static_cast<uint32_t>(NowMicros() - writtenAt) / kMicrosPerSecond;
    const double advanced = elapsed * kOutputRate;
    const uint32_t ahead =
        advanced < sound.latencyFrames ? static_cast<uint32_t>(advanced) : sound.latencyFrames;
    // In the first buffers the output started from silence, not from a full queue.
    const uint32_t heardAtStamp = written > sound.latencyFrames ? written - sound.latencyFrames : 0;
    const uint32_t audible = heardAtStamp + ahead;
    return audible < written ? audible : written;
}

double SoundClockSeconds() {
    return sound.device ? NowMicros() / kMicrosPerSecond : 0.0;
}

uint32_t SoundLastWrite(double* seconds) {
    const uint64_t pair = stamp.load(std::memory_order_acquire);
    *seconds = static_cast<uint32_t>(pair) / kMicrosPerSecond;
    return static_cast<uint32_t>(pair >> 32);
}

void SoundOverrideSpectrum(const float* spectrum512) {
    sound.overrideSpectrum = spectrum512;
}

const float* SoundSpectrum() {
    if (sound.overrideSpectrum) return sound.overrideSpectrum;
    if (!sound.device || !sound.spectrumActive) return nullptr;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const uint32_t end = SoundFramesAudible();
        if (end == 0) return nullptr;
        if (CopyRecentSamples(end)) {
            ComputeSpectrum(sound.recent, sound.spectrum);
            return sound.spectrum;
        }
    }
    return nullptr;
}
