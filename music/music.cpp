#include "music/music.h"

#include "music/sound_layer.h"

namespace {

constexpr int kBinWidthHz = 43;

struct MusicState {
    int32_t soundReady; // set once the output opened; never cleared
    Mp3Stream* stream;  // the open soundtrack stream, null when none
};

MusicState music;

} // namespace

int StartMusic(const char* path) {
    if (!music.soundReady) {
        if (!InitSound()) return 0;
        music.soundReady = 1;
        SetSpectrumActive(true);
    }
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
