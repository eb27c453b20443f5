#include "music/mp3_stream.h"

#include <mpg123.h>
#include <cstdio>

#include "music/band_analysis.h"

struct Mp3Stream {
    mpg123_handle* handle;
    bool ended; // past the last frame or a fatal decoding error: silence from then on
};

namespace {

bool decoderReady = false;
constexpr int kDecodeChunkFrames = 4096;

} // namespace

Mp3Stream* OpenMp3Stream(const char* path, const char** reason) {
    *reason = "";
    if (!decoderReady) {
        if (mpg123_init() != MPG123_OK) {
            *reason = "the mp3 decoder cannot start";
            return nullptr;
        }
        decoderReady = true;
    }
    int err = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &err);
    if (!handle) {
        *reason = mpg123_plain_strerror(err);
        return nullptr;
    }
    // The decoder does the resampling and the mono-to-stereo copy, so every file comes out
    // in the output's own format and the audio callback can decode straight into its buffer.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, kStreamRate, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle, path) != MPG123_OK) {
        *reason = "cannot open the file";
        mpg123_delete(handle);
        return nullptr;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) {
        *reason = "not an mp3 file the decoder can read";
        mpg123_delete(handle);
        return nullptr;
    }
    if (rate != kStreamRate || channels != kStreamChannels || encoding != MPG123_ENC_FLOAT_32) {
        *reason = "the decoder cannot convert it to 44100 Hz stereo";
        mpg123_delete(handle);
        return nullptr;
    }
    return new Mp3Stream{handle, false};
}

int ReadMp3Stream(Mp3Stream* stream, float* stereo, int frames) {
    const size_t frameBytes = sizeof(float) * kStreamChannels;
    const size_t wanted = static_cast<size_t>(frames) * frameBytes;
    unsigned char* out = reinterpret_cast<unsigned char*>(stereo);
    size_t filled = 0;
    while (filled < wanted && !stream->ended) {
        size_t got = 0;
        const int rc = mpg123_read(stream->handle, out + filled, wanted - filled, &got);
        filled += got;
        const bool more = rc == MPG123_OK || rc == MPG123_NEW_FORMAT;
        if (!more || (got == 0 && rc == MPG123_OK)) stream->ended = true;
    }
    return static_cast<int>(filled / frameBytes);
}

bool SeekMp3Stream(Mp3Stream* stream, int64_t frame) {
    // Sample-exact: the decoder counts the encoder's padding out, as it does when it plays through.
    const off_t reached = mpg123_seek(stream->handle, static_cast<off_t>(frame), SEEK_SET);
    // Where the decoder cannot go (past the end) the stream is silent from here on.
    stream->ended = reached < 0;
    return !stream->ended;
}

int64_t Mp3StreamPlace(Mp3Stream* stream) {
    const off_t place = mpg123_tell(stream->handle);
    return place > 0 ? place : 0;
}

bool SkipMp3Stream(Mp3Stream* stream, int64_t frames) {
    if (stream->ended) return false;
    stream->ended = mpg123_seek(stream->handle, static_cast<off_t>(frames), SEEK_CUR) < 0;
    return !stream->ended;
}

void CloseMp3Stream(Mp3Stream* stream) {
    if (!stream) return;
    mpg123_close(stream->handle);
    mpg123_delete(stream->handle);
    delete stream;
}

bool DecodeMp3File(const char* path, std::vector<float>* monoSamples, int* sampleRate) {
    monoSamples->clear();
    *sampleRate = kAnalysisRate;
    const char* reason = "";
    Mp3Stream* stream = OpenMp3Stream(path, &reason);
    if (!stream) {
        fprintf(stderr, "lockstep: cannot decode \"%s\": %s\n", path, reason);
        return false;
    }
    std::vector<float> chunk(kDecodeChunkFrames * kStreamChannels);
    for (;;) {
        const int frames = ReadMp3Stream(stream, chunk.data(), kDecodeChunkFrames);
        for (int i = 0; i < frames; ++i) {
            monoSamples->push_back(0.5f * (chunk[2 * i] + chunk[2 * i + 1]));
        }
        if (frames < kDecodeChunkFrames) break;
    }
    CloseMp3Stream(stream);
    return true;
}
