#include "tools/datagen/synth_effects.h"

#include <cmath>

namespace {
const int kCombCount = 8;
const int kAllpassCount = 4;
const int kCombLengths[kCombCount] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
const int kAllpassLengths[kAllpassCount] = {556, 441, 341, 225};
const int kStereoSpread = 23; // extra samples on the right side decorrelate the channels
const int kMaxCombLength = 1617 + kStereoSpread;
const int kMaxAllpassLength = 556 + kStereoSpread;
const float kCombFeedback = 0.84f;
const float kCombDamping = 0.25f;
const float kAllpassFeedback = 0.5f;
const float kReverbInputGain = 0.015f;

const float kDelayFeedback = 0.38f;
const int kDelaySteps = 3; // a dotted eighth
const int kMaxDelayFrames = 16384;

const float kMainDuckLeadSeconds = 0.003f;
const float kMainDuckHoldSeconds = 0.06f;
const float kMainDuckRecoverySeconds = 0.07f;

const float kDcCutoffHz = 10.0f;

const float kLimiterAttackSeconds = 0.002f;
const float kLimiterReleaseSeconds = 0.12f;

struct Comb {
    float buffer[kMaxCombLength];
    int length;
    int position;
    float store;
};

struct Allpass {
    float buffer[kMaxAllpassLength];
    int length;
    int position;
};

struct ReverbSide {
    Comb combs[kCombCount];
    Allpass allpasses[kAllpassCount];
};

float RunComb(Comb* c, float input) {
    float out = c->buffer[c->position];
    c->store = out * (1.0f - kCombDamping) + c->store * kCombDamping;
    c->buffer[c->position] = input + c->store * kCombFeedback;
    if (++c->position >= c->length) c->position = 0;
    return out;
}

float RunAllpass(Allpass* a, float input) {
    float delayed = a->buffer[a->position];
    a->buffer[a->position] = input + delayed * kAllpassFeedback;
    if (++a->position >= a->length) a->position = 0;
    return delayed - input;
}

void InitReverbSide(ReverbSide* side, int spread) {
    for (int i = 0; i < kCombCount; i++) {
        Comb& c = side->combs[i];
        for (float& v : c.buffer) v = 0.0f;
        c.length = kCombLengths[i] + spread;
        c.position = 0;
        c.store = 0.0f;
    }
    for (int i = 0; i < kAllpassCount; i++) {
        Allpass& a = side->allpasses[i];
        for (float& v : a.buffer) v = 0.0f;
        a.length = kAllpassLengths[i] + spread;
        a.position = 0;
    }
}

float RunReverbSide(ReverbSide* side, float input) {
    float sum = 0.0f;
    for (Comb& c : side->combs) sum += RunComb(&c, input);
    for (Allpass& a : side->allpasses) sum = RunAllpass(&a, sum);
    return sum;
}

// Both sides are large (about 60 KB): process-wide rather than on the stack.
ReverbSide reverbLeft;
ReverbSide reverbRight;
float delayLineLeft[kMaxDelayFrames];
float delayLineRight[kMaxDelayFrames];
} // namespace

void ApplyDelay(Mix* mix, float wet) {
    int length = int(StepLength(0, kDelaySteps));
    if (length > kMaxDelayFrames) length = kMaxDelayFrames;
    for (int i = 0; i < length; i++) delayLineLeft[i] = delayLineRight[i] = 0.0f;
    float lowState = 0.0f, highState = 0.0f;
    const float lowCoef = 1.0f - std::exp(-2.0f * float(kPi) * 3000.0f / kSynthRate);
    const float highCoef = 1.0f - std::exp(-2.0f * float(kPi) * 250.0f / kSynthRate);
    int position = 0;
    for (int64_t i = 0; i < mix->frameCount; i++) {
        float outL = delayLineLeft[position];
        float outR = delayLineRight[position];
        // The echo darkens and thins as it repeats.
        lowState += lowCoef * (outR - lowState);
        highState += highCoef * (lowState - highState);
        float back = (lowState - highState) * kDelayFeedback;
        delayLineLeft[position] = mix->delaySend[i] + back;
        delayLineRight[position] = outL;
        if (++position >= length) position = 0;
        mix->left[i] += outL * wet;
        mix->right[i] += outR * wet;
        mix->reverbSend[i] += (outL + outR) * wet * 0.25f;
    }
}

void ApplyReverb(Mix* mix, float wet) {
    InitReverbSide(&reverbLeft, 0);
    InitReverbSide(&reverbRight, kStereoSpread);
    for (int64_t i = 0; i < mix->frameCount; i++) {
        float input = mix->reverbSend[i] * kReverbInputGain;
        mix->left[i] += RunReverbSide(&reverbLeft, input) * wet;
        mix->right[i] += RunReverbSide(&reverbRight, input) * wet;
    }
}

void DuckMain(Mix* mix, int64_t at, float depth) {
    const int64_t lead = int64_t(kMainDuckLeadSeconds * kSynthRate);
    const int64_t hold = int64_t(kMainDuckHoldSeconds * kSynthRate);
    const int64_t end = hold + int64_t(kMainDuckRecoverySeconds * 8.0f * kSynthRate);
    for (int64_t i = -lead; i < end; i++) {
        int64_t frame = at + i;
        if (frame < 0 || frame >= mix->frameCount) continue;
        float shape = 1.0f;
        if (i < 0)
            shape = float(i + lead) / float(lead);
        else if (i > hold)
            shape = std::exp(-float(i - hold) / (kMainDuckRecoverySeconds * kSynthRate));
        float gain = 1.0f - depth * shape;
        mix->left[frame] *= gain;
        mix->right[frame] *= gain;
    }
}

void ApplyFadeOut(Mix* mix, int64_t fadeStart, int64_t fadeEnd) {
    for (int64_t i = fadeStart < 0 ? 0 : fadeStart; i < mix->frameCount; i++) {
        float gain = 0.0f;
        if (i < fadeEnd) {
            float w = float(i - fadeStart) / float(fadeEnd - fadeStart);
            gain = 1.0f - w * w;
        }
        mix->left[i] *= gain;
        mix->right[i] *= gain;
    }
}

void RemoveDc(Mix* mix) {
    const float r = 1.0f - 2.0f * float(kPi) * kDcCutoffHz / kSynthRate;
    float inL = 0.0f, inR = 0.0f, outL = 0.0f, outR = 0.0f;
    for (int64_t i = 0; i < mix->frameCount; i++) {
        float l = mix->left[i], rr = mix->right[i];
        outL = l - inL + r * outL;
        outR = rr - inR + r * outR;
        inL = l;
        inR = rr;
        mix->left[i] = outL;
        mix->right[i] = outR;
    }
}

void ApplyLimiter(Mix* mix, float gain, float ceiling) {
    float* g = mix->delaySend;
    const int64_t n = mix->frameCount;
    for (int64_t i = 0; i < n; i++) {
        mix->left[i] *= gain;
        mix->right[i] *= gain;
        float peak = std::fmax(std::fabs(mix->left[i]), std::fabs(mix->right[i]));
        g[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Backwards: start turning down early enough to reach each peak's gain in time.
    const float attackStep = 1.0f / (kLimiterAttackSeconds * kSynthRate);
    for (int64_t i = n - 2; i >= 0; i--) g[i] = std::fmin(g[i], g[i + 1] + attackStep);
    // Forwards: recover slowly, never faster than the release allows.
    const float releaseStep = 1.0f / (kLimiterReleaseSeconds * kSynthRate);
    for (int64_t i = 1; i < n; i++) g[i] = std::fmin(g[i], g[i - 1] + releaseStep);
    for (int64_t i = 0; i < n; i++) {
        mix->left[i] *= g[i];
        mix->right[i] *= g[i];
    }
}
