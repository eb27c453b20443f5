#include "music/sound_layer.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "music/mp3_stream.h"

// Threads: SDL calls FillOutput on its audio thread; everything else runs on the main thread.
// Two things cross between them:
// - `playing` and `paused`, the stream the callback decodes and whether it may. SDL holds the
//   device lock around every callback, so the main thread changes them only inside
//   SDL_LockAudioDevice, and opens and frees streams outside that lock. The lock is held for a
//   pointer store, or while a cue decodes the few thousand frames that lead up to its place.
// - the recent output, as a ring of mono samples and a stamp (frames written, time written).
//   The callback stores the samples, then publishes the stamp with release order; the main thread
//   loads the stamp with acquire order before reading samples below it. All of it is atomic, so
//   the main thread never waits for the callback, and a copy that the callback may have lapped
//   meanwhile is detected and taken again. A cue rewrites the samples below the stamp under the
//   device lock, so that the spectrum reads the new place at once.
// When the output is lost, the layer closes it (which ends SDL's audio thread) and the main
// thread stands in for the callback, so from then on all of it is the main thread's until an
// output opens again.

namespace {

constexpr int kRingFrames = 16384; // a power of two, far more than a window plus two buffers
constexpr uint32_t kRingMask = kRingFrames - 1;
constexpr int kCopyAttempts = 3;
constexpr double kMicrosPerSecond = 1e6;
constexpr int64_t kMillisPerSecond = 1000;
constexpr int kFirstCallbackWaitMs = 200; // an output that takes longer is cued without it
// A cue decodes what the spectrum may still read before its place: one analysis window and the
// output's latency, twice over while the place itself moves on with the latency, and 100 ms for
// the time the file takes to open and seek.
constexpr int kMaxLatencyFrames = 2 * kOutputBufferFrames;
constexpr int kLeadFrames = kSpectrumWindow + 2 * kMaxLatencyFrames + kOutputRate / 10;

struct SoundState {
    SDL_AudioDeviceID device; // 0 while no output is open
    // The output was lost: the main thread writes what it would have played by now, from
    // silentBase frames at the performance counter's silentSince, and nothing is heard.
    bool lost;
    uint32_t silentBase;
    uint64_t silentSince;
    Mp3Stream* playing;       // shared with the callback; changed only under the device lock
    bool paused;              // likewise
    uint32_t latencyFrames;   // written but not yet heard, at the moment a callback returns
    // While anchored, output frame anchorWritten holds place anchorPlace of the playing stream
    // and the stream goes on from there frame by frame. Main thread only.
    bool anchored;
    uint32_t anchorWritten;
    int64_t anchorPlace;
    bool spectrumActive;
    const float* overrideSpectrum;
    uint64_t clockBase;
    double clockFrequency;
    float recent[kSpectrumWindow]; // the samples under analysis, oldest first
    float spectrum[kSpectrumBins];
    bool heldValid; // while paused: `held` is what was heard at the pause (or at the cued place)
    float held[kSpectrumBins];
    float lead[kLeadFrames * kStreamChannels]; // a cue's lead-in, main thread only
    float silent[kOutputBufferFrames * kStreamChannels]; // what a lost output would play
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
    const int decoded =
        sound.playing && !sound.paused ? ReadMp3Stream(sound.playing, out, frames) : 0;
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

uint32_t WrittenFrames() {
    return static_cast<uint32_t>(stamp.load(std::memory_order_acquire) >> 32);
}

// When a callback returns, the output still holds latencyFrames of what was written and plays
// them at the output rate; so the listener hears a point that moves from written - latency
// towards written until the next callback, and never past what has been written.
uint32_t AudibleFrames() {
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

// The layer plays, on an output or, having lost it, silently.
bool SoundReady() {
    return sound.device != 0 || sound.lost;
}

// The lock that keeps the callback out; without an output there is no callback.
void LockOutput() {
    if (sound.device) SDL_LockAudioDevice(sound.device);
}
void UnlockOutput() {
    if (sound.device) SDL_UnlockAudioDevice(sound.device);
}

// A lost output goes on by the clock: what it would have played by now is decoded and written as
// the callback would have. After a long wait only the last window's worth is decoded; the stream
// skips the rest.
void PlayOnSilently() {
    if (!sound.lost) return;
    const uint64_t ticks = SDL_GetPerformanceCounter() - sound.silentSince;
    const uint64_t due = ticks * kOutputRate / SDL_GetPerformanceFrequency();
    uint64_t pair = stamp.load(std::memory_order_relaxed);
    const uint32_t written = static_cast<uint32_t>(pair >> 32);
    uint32_t gap = sound.silentBase + static_cast<uint32_t>(due) - written;
    if (gap > static_cast<uint32_t>(INT32_MAX)) return; // ahead of the clock: a cue wrote more
    if (gap > static_cast<uint32_t>(kSpectrumWindow + kOutputBufferFrames)) {
        const uint32_t skip = gap - kSpectrumWindow;
        if (sound.playing && !sound.paused) SkipMp3Stream(sound.playing, skip);
        stamp.store(static_cast<uint64_t>(written + skip) << 32 | static_cast<uint32_t>(pair),
                    std::memory_order_release);
        gap -= skip;
    }
    while (gap > 0) {
        const uint32_t frames = gap < kOutputBufferFrames ? gap : kOutputBufferFrames;
        FillOutput(nullptr, reinterpret_cast<Uint8*>(sound.silent),
                   static_cast<int>(frames * sizeof(float) * kStreamChannels));
        gap -= frames;
    }
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

// Place `place` of the file, mono, from a cue's lead-in that starts at place `from` and holds
// `got` frames; silence before the file and past what could be decoded.
float LeadSample(int64_t place, int64_t from, int got) {
    const int64_t i = place - from;
    if (place < 0 || i < 0 || i >= got) return 0.0f;
    return 0.5f * (sound.lead[2 * i] + sound.lead[2 * i + 1]);
}

// The show itself goes on by its own clock. When SDL found no output at all, its reason names
// only the last one it tried: the line names them all instead, unless SDL_AUDIODRIVER chose.
void SayNoSoundOutput(bool noneFound) {
    std::string reason = SDL_GetError();
    if (noneFound && !SDL_getenv("SDL_AUDIODRIVER")) {
        std::string tried;
        for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
            const char* name = SDL_GetAudioDriver(i);
            // Tried only when asked for.
            if (strcmp(name, "disk") == 0 || strcmp(name, "dummy") == 0) continue;
            tried += (tried.empty() ? "" : ", ") + std::string(name);
        }
        if (!tried.empty()) reason = "none of " + tried + " answered";
    }
    fprintf(stderr, "lockstep: no sound output (%s); the show plays silent\n", reason.c_str());
}

int64_t FrameOfShowTime(int32_t ms) {
    return ms > 0 ? int64_t{ms} * kOutputRate / kMillisPerSecond : 0;
}

// Opens the default output and starts its callback; false (SDL_GetError says why) when none opens.
bool OpenOutput() {
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
    if (!sound.device) return false;
    SDL_PauseAudioDevice(sound.device, 0);
    return true;
}

} // namespace

bool InitSound() {
    if (SoundReady()) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SayNoSoundOutput(true);
        return false;
    }
    sound.clockBase = SDL_GetPerformanceCounter();
    sound.clockFrequency = static_cast<double>(SDL_GetPerformanceFrequency());
    stamp.store(0, std::memory_order_relaxed);
    for (std::atomic<float>& sample : ring) sample.store(0.0f, std::memory_order_relaxed);
    sound.latencyFrames = EstimateLatency();
    if (!OpenOutput()) {
        SayNoSoundOutput(false);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void ShutdownSound() {
    if (!SoundReady()) return;
    if (sound.device) SDL_CloseAudioDevice(sound.device);
    sound.device = 0;
    sound.lost = false;
    sound.playing = nullptr;
    sound.paused = false;
    sound.anchored = false;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SoundOutputRemoved(uint32_t device, int32_t showMs) {
    if (!sound.device || device != sound.device) return;
    // Closing and opening take a while: showMs is what the clock read at the call.
    const double calledAt = SoundClockSeconds();
    // Once closed, the callback has run for the last time: its state is this thread's.
    SDL_CloseAudioDevice(sound.device);
    sound.device = 0;
    sound.lost = true;
    sound.latencyFrames = 0; // written is heard, by no one
    sound.silentBase = static_cast<uint32_t>(stamp.load(std::memory_order_relaxed) >> 32);
    sound.silentSince = SDL_GetPerformanceCounter();
    fprintf(stderr, "lockstep: the sound output is gone; the show plays on silently\n");
    // The output may have stalled before it was given up: the music goes on from the show's time.
    if (sound.playing)
        CueSoundStream(kSoundChannel, sound.playing, FrameOfShowTime(showMs), calledAt,
                       sound.paused);
}

void SoundOutputAdded(int32_t showMs) {
    if (!sound.lost) return;
    const double calledAt = SoundClockSeconds();
    PlayOnSilently();
    sound.latencyFrames = EstimateLatency();
    // The new callback plays silence until the cue hands it the stream at the show's place.
    Mp3Stream* stream = sound.playing;
    sound.playing = nullptr;
    sound.anchored = false;
    const uint32_t before = WrittenFrames();
    if (!OpenOutput()) {
        fprintf(stderr, "lockstep: a sound output came but cannot be opened (%s); the show plays "
                        "on silently\n", SDL_GetError());
        sound.playing = stream;
        sound.latencyFrames = 0;
        return;
    }
    sound.lost = false;
    // What is heard is reckoned from the callbacks: the cue waits for the first (a buffer's time).
    for (int waited = 0; WrittenFrames() == before && waited < kFirstCallbackWaitMs; ++waited)
        SDL_Delay(1);
    fprintf(stderr, "lockstep: the sound output is back; the music plays on from %d ms\n", showMs);
    if (stream)
        CueSoundStream(kSoundChannel, stream, FrameOfShowTime(showMs), calledAt, sound.paused);
}

bool SoundOutputLost() {
    return sound.lost;
}

bool SoundPlaceHeard(int64_t* frame) {
    if (!SoundReady() || !sound.anchored) return false;
    PlayOnSilently();
    const int32_t since = static_cast<int32_t>(AudibleFrames() - sound.anchorWritten);
    if (since < 0) return false;
    *frame = sound.anchorPlace + since;
    return true;
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
    if (!SoundReady() || channel != kSoundChannel || !stream) return -1;
    PlayOnSilently();
    LockOutput();
    sound.playing = stream;
    sound.paused = false;
    sound.anchored = true;
    sound.anchorWritten = WrittenFrames();
    sound.anchorPlace = Mp3StreamPlace(stream);
    UnlockOutput();
    return channel;
}

int CueSoundStream(int channel, Mp3Stream* stream, int64_t frame, double heardAt, bool paused) {
    if (!SoundReady() || channel != kSoundChannel || !stream) return -1;
    PlayOnSilently();
    if (frame < 0) frame = 0;
    // Playing, the frame the next callback writes is heard up to latencyFrames after the present
    // one (and the clock moves on while the stream is opened and cued), so the stream starts
    // ahead of `frame`; the lead-in before it covers the analysis window behind that start.
    const int64_t behind =
        kSpectrumWindow + (paused ? 0 : static_cast<int64_t>(sound.latencyFrames));
    int64_t from = frame > behind ? frame - behind : 0;
    SeekMp3Stream(stream, from); // the slow part, outside the lock

    LockOutput();
    const uint32_t written = WrittenFrames();
    int64_t start = frame; // the place of the next frame written
    if (!paused) {
        const double since = SoundClockSeconds() - heardAt;
        start += static_cast<int64_t>(written - AudibleFrames()) +
                 static_cast<int64_t>(since > 0 ? since * kOutputRate + 0.5 : 0);
    }
    // Decoding up to `start` leaves the stream there. A cue held up for longer than the lead-in
    // allows seeks again, under the lock this once.
    if (start - from > kLeadFrames) {
        from = start - kLeadFrames;
        SeekMp3Stream(stream, from);
    }
    const int got = ReadMp3Stream(stream, sound.lead, static_cast<int>(start - from));
    if (paused) {
        for (int i = 0; i < kSpectrumWindow; ++i)
            sound.recent[i] = LeadSample(start - kSpectrumWindow + i, from, got);
        ComputeSpectrum(sound.recent, sound.held);
        sound.heldValid = true;
    } else {
        const int64_t rewrite = behind < written ? behind : written;
        for (int64_t back = rewrite; back > 0; --back) {
            const float sample = LeadSample(start - back, from, got);
            ring[(written - back) & kRingMask].store(sample, std::memory_order_relaxed);
        }
    }
    sound.playing = stream;
    sound.paused = paused;
    sound.anchored = !paused;
    sound.anchorWritten = written;
    sound.anchorPlace = start;
    UnlockOutput();
    return channel;
}

void PauseSound(bool paused) {
    if (!SoundReady() || sound.paused == paused) return;
    if (paused) {
        // Held before the output goes silent: the spectrum of the moment of the pause.
        const float* heard = SoundSpectrum();
        sound.heldValid = heard != nullptr;
        if (heard) memcpy(sound.held, heard, sizeof sound.held);
    }
    PlayOnSilently();
    LockOutput();
    sound.paused = paused;
    // Played on, the stream goes on from where it waited.
    sound.anchored = !paused && sound.playing != nullptr;
    sound.anchorWritten = WrittenFrames();
    if (sound.anchored) sound.anchorPlace = Mp3StreamPlace(sound.playing);
    UnlockOutput();
}

void CloseSoundStream(Mp3Stream* stream) {
    if (!stream) return;
    PlayOnSilently();
    LockOutput();
    if (sound.playing == stream) {
        sound.playing = nullptr;
        sound.anchored = false;
    }
    UnlockOutput();
    CloseMp3Stream(stream);
}

uint32_t SoundFramesWritten() {
    PlayOnSilently();
    return WrittenFrames();
}

uint32_t SoundFramesAudible() {
    if (!SoundReady()) return 0;
    PlayOnSilently();
    return AudibleFrames();
}

double SoundClockSeconds() {
    return SoundReady() ? NowMicros() / kMicrosPerSecond : 0.0;
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
    if (!SoundReady() || !sound.spectrumActive) return nullptr;
    if (sound.paused) return sound.heldValid ? sound.held : nullptr;
    PlayOnSilently();
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        const uint32_t end = AudibleFrames();
        if (end == 0) return nullptr;
        if (CopyRecentSamples(end)) {
            ComputeSpectrum(sound.recent, sound.spectrum);
            return sound.spectrum;
        }
    }
    return nullptr;
}
