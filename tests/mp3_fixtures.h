// Test sounds made on the spot: sample generators and an mp3 writer on libmp3lame.
#pragma once
#include <cmath>
#include <cstdio>
#include <lame/lame.h>
#include <string>
#include <vector>

constexpr double kFixturePi = 3.14159265358979323846;
constexpr double kBin20Hz = 20 * 44100.0 / 1024; // 861.33 Hz, the centre of bin 20

inline std::vector<float> SineSamples(double hz, double seconds, int rate, float amplitude) {
    std::vector<float> samples(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = amplitude * static_cast<float>(std::sin(2.0 * kFixturePi * hz * i / rate));
    }
    return samples;
}

// Writes the samples (mono, or left and right when `right` is given) as a 192 kbit/s mp3 with
// a LAME tag, so that the decoder trims the encoder's padding and returns the samples in place.
inline bool WriteMp3(const std::string& path, const std::vector<float>& left, int rate,
                     const std::vector<float>* right = nullptr) {
    lame_global_flags* lame = lame_init();
    if (!lame) return false;
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, right ? 2 : 1);
    lame_set_mode(lame, right ? STEREO : MONO);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    const int count = static_cast<int>(left.size());
    std::vector<unsigned char> bytes(static_cast<size_t>(1.25 * count + 7200 + 16384));
    int used = lame_encode_buffer_ieee_float(lame, left.data(), right ? right->data() : nullptr,
                                             count, bytes.data(), static_cast<int>(bytes.size()));
    bool ok = used >= 0;
    if (ok) {
        const int tail =
            lame_encode_flush(lame, bytes.data() + used, static_cast<int>(bytes.size()) - used);
        ok = tail >= 0;
        used += ok ? tail : 0;
    }
    // The first frame was reserved for the tag that carries the padding lengths.
    unsigned char tag[8192];
    const size_t tagSize = ok ? lame_get_lametag_frame(lame, tag, sizeof(tag)) : 0;
    lame_close(lame);
    if (!ok) return false;
    for (size_t i = 0; i < tagSize && i < static_cast<size_t>(used); ++i) bytes[i] = tag[i];
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    ok = fwrite(bytes.data(), 1, static_cast<size_t>(used), file) == static_cast<size_t>(used);
    return fclose(file) == 0 && ok;
}
