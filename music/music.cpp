#include "music/music.h"

#include <string>

#include "music/sound_layer.h"

namespace {

constexpr int kBinWidthHz = 43;
constexpr int64_t kMsPerSecond = 1000;

struct MusicState {
    int32_t soundReady; // set once the output opened; never cleared
    Mp3Stream* stream;  // the open soundtrack stream, null when none
    std::string path;   // the soundtrack last started, for seeks and reloads
    bool paused;
};

MusicState music;

bool ReadySound() {
    if (music.soundReady) return true;
    if (!InitSound()) return false;
    music.soundReady = 1;
    SetSpectrumActive(true);
    return true;
}

// The soundtrack opened afresh in place of the old stream, heard from ms on. 0 (and silence)
// when it cannot be opened.
int CueMusic(int32_t ms) {
    const double calledAt = SoundClockSeconds();
    Mp3Stream* fresh = OpenSoundStream(music.path.c_str());
    const int64_t frame = ms > 0 ? int64_t{ms} * kOutputRate / kMsPerSecond : 0;
    if (fresh && CueSoundStream(kSoundChannel, fresh, frame, calledAt, music.paused) == -1) {
        CloseSoundStream(fresh);
        fresh = nullptr;
    }
    // The old stream goes after the new one took the channel, so there is no gap between them.
    CloseMusic();
    music.stream = fresh;
    return fresh ? 1 : 0;
}

} // namespace

int StartMusic(const char* path) {
    if (!ReadySound()) return 0;
    music.path = path;
    music.paused = false;
    if (music.stream) {
        CloseSoundStream(music.stream);
        music.stream = nullptr;
    }
    music.stream = OpenSoundStream(path);
    if (!music.stream) return 0;
    if (PlaySoundStream(kSoundChannel, music.stream) == -1) {
        CloseSoundStream(music.stream);
        music.stream = nullptr;
        return 0;
    }
    return 1;
}

void CloseMusic() {
    if (!music.stream) return;
    CloseSoundStream(music.stream);
    music.stream = nullptr;
}

float SpectrumBand(int lowHz, int highHz) {
    const float* spectrum = SoundSpectrum();
    if (!spectrum) return 0.0f;
    const int lo = lowHz / kBinWidthHz;
    const int hi = highHz / kBinWidthHz;
    const int n = hi - lo;
    const int divisor = n > 0 ? n : 1;
    // Bins beyond the analysed range hold no sound: they add nothing rather than being read.
    const int first = lo > 0 ? lo : 0;
    const int last = hi < kSpectrumBins ? hi : kSpectrumBins;
    double sum = 0.0;
    for (int i = first; i < last; ++i) sum += spectrum[i];
    return static_cast<float>(sum / divisor);
}

int StartMusicAt(const char* path, int32_t ms) {
    if (!ReadySound()) return 0;
    music.path = path;
    music.paused = false;
    return CueMusic(ms);
}

void SeekMusic(int32_t ms) {
    if (music.stream) CueMusic(ms);
}

void PauseMusic() {
    if (!music.stream || music.paused) return;
    music.paused = true;
    PauseSound(true);
}

void ResumeMusic(int32_t ms) {
    if (!music.paused) return;
    music.paused = false;
    if (music.stream)
        CueMusic(ms);
    else
        PauseSound(false);
}

int ReloadMusic(int32_t ms) {
    if (!music.soundReady || music.path.empty()) return 0;
    return CueMusic(ms);
}
