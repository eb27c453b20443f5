#include "tools/datagen/soundtrack.h"

#include <cstdio>
#include <vector>

#include <lame/lame.h>

#include "tools/datagen/synth_core.h"
#include "tools/datagen/synth_song.h"
#include "tools/out_file.h"

namespace {
const int kBitrateKbps = 192;
const int kEncoderQuality = 3; // 0 best .. 9 fastest; 3 is the lame program's default
const int kEncodeChunk = 8192; // frames handed to the encoder per call
const int kMp3ChunkBytes = kEncodeChunk * 5 / 4 + 7200; // LAME's documented worst case

bool EncodeMp3(const Mix* mix, std::vector<unsigned char>* mp3) {
    lame_global_flags* lame = lame_init();
    if (!lame) return false;
    lame_set_in_samplerate(lame, kSynthRate);
    lame_set_out_samplerate(lame, kSynthRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_brate(lame, kBitrateKbps);
    lame_set_VBR(lame, vbr_off);
    lame_set_quality(lame, kEncoderQuality);
    // The Info tag carries the encoder delay and padding, so that gapless decoders start the
    // music on sample 0 and the bar grid stays on the show's clock.
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    unsigned char chunk[kMp3ChunkBytes];
    bool ok = true;
    for (int64_t at = 0; ok && at < mix->frameCount; at += kEncodeChunk) {
        int64_t left = mix->frameCount - at;
        int n = int(left < kEncodeChunk ? left : kEncodeChunk);
        int bytes = lame_encode_buffer_ieee_float(lame, mix->left + at, mix->right + at, n, chunk,
                                                  kMp3ChunkBytes);
        if (bytes < 0)
            ok = false;
        else
            mp3->insert(mp3->end(), chunk, chunk + bytes);
    }
    if (ok) {
        int bytes = lame_encode_flush(lame, chunk, kMp3ChunkBytes);
        if (bytes < 0)
            ok = false;
        else
            mp3->insert(mp3->end(), chunk, chunk + bytes);
    }
    if (ok) {
        // The tag frame was reserved as the file's first frame; fill it in now.
        size_t tagBytes = lame_get_lametag_frame(lame, chunk, kMp3ChunkBytes);
        if (tagBytes > 0 && tagBytes <= mp3->size())
            for (size_t i = 0; i < tagBytes; i++) (*mp3)[i] = chunk[i];
    }
    lame_close(lame);
    return ok;
}
} // namespace

bool WriteSoundtrack(const char* path) {
    // Opened first, so that a bad path fails before seconds of synthesis.
    OutFile out;
    const char* reason = nullptr;
    if (!OpenOutFile(&out, path, &reason)) {
        fprintf(stderr, "lockstep-datagen: cannot write %s: %s\n", path, reason);
        return false;
    }
    Mix mix;
    bool ok = CreateMix(&mix);
    if (!ok) {
        fprintf(stderr, "lockstep-datagen: not enough memory for %lld frames of the soundtrack\n",
                (long long)SongFrameCount());
    }
    std::vector<unsigned char> mp3;
    if (ok) {
        RenderSong(&mix);
        ok = EncodeMp3(&mix, &mp3);
        FreeMix(&mix);
        if (!ok) fprintf(stderr, "lockstep-datagen: the soundtrack's mp3 encoding failed\n");
    }
    if (!ok) {
        DiscardOutFile(&out);
        return false;
    }
    WriteOutFile(&out, mp3.data(), mp3.size());
    if (CloseOutFile(&out, &reason)) return true;
    fprintf(stderr, "lockstep-datagen: cannot write %s: %s\n", path, reason);
    return false;
}
