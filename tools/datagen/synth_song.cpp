#include "tools/datagen/synth_song.h"

#include "tools/datagen/synth_effects.h"
#include "tools/datagen/synth_voices.h"

const Chord kAm = {33, {57, 60, 64, 69}, 72, {79, 81, 0}, 84, 10};
const Chord kF = {29, {57, 60, 65, 69}, 72, {79, 81, 0}, 84, 9};
const Chord kC = {36, {55, 60, 64, 67}, 72, {79, 81, 0}, 84, 9};
const Chord kG = {31, {55, 59, 62, 67}, 71, {79, 81, 0}, 86, 10};
const Chord kEm = {28, {59, 64, 67, 71}, 71, {79, 81, 0}, 83, 10};

namespace {
// How far the rest of the mix dips under a stab.
const float kStabDuck = 0.75f;
const float kAccentDuck = 0.9f; // the big accents stand almost alone for a moment
const Chord* const kVerse[4] = {&kAm, &kF, &kC, &kG};
const Chord* const kGroove[4] = {&kF, &kG, &kEm, &kAm};

const Chord& ChordOf(int bar) {
    if (bar >= kCreditsBar && bar < kFinaleBar) return *kGroove[bar % 4];
    return *kVerse[bar % 4];
}

int64_t At(int bar, int step) {
    return StepSample(bar * kStepsPerBar + step);
}
int64_t Steps(int bar, int step, int steps) {
    return StepLength(bar * kStepsPerBar + step, steps);
}
uint32_t SeedAt(int bar, int step, uint32_t salt) {
    return uint32_t(bar * kStepsPerBar + step) * 977u + salt;
}

// A melody note: start step within its bar, length in steps, midi note.
struct MelodyNote {
    int step;
    int length;
    float midi;
};
const int kMaxBarNotes = 8;
struct MelodyBar {
    int count;
    MelodyNote notes[kMaxBarNotes];
};

// The drive's tune over Am F C G, a call and its answer.
const MelodyBar kCall[4] = {
    {6, {{0, 3, 76}, {3, 3, 76}, {6, 2, 74}, {8, 4, 72}, {12, 2, 71}, {14, 2, 72}}},
    {5, {{0, 6, 69}, {6, 2, 72}, {8, 4, 77}, {12, 2, 76}, {14, 2, 72}}},
    {6, {{0, 3, 67}, {3, 3, 67}, {6, 2, 76}, {8, 4, 74}, {12, 2, 72}, {14, 2, 74}}},
    {3, {{0, 4, 71}, {4, 4, 74}, {8, 8, 79}}},
};
const MelodyBar kAnswer[4] = {
    {6, {{0, 3, 81}, {3, 3, 79}, {6, 2, 76}, {8, 2, 72}, {10, 2, 76}, {12, 4, 81}}},
    {6, {{0, 3, 81}, {3, 3, 79}, {6, 2, 77}, {8, 4, 72}, {12, 2, 77}, {14, 2, 79}}},
    {6, {{0, 3, 79}, {3, 3, 76}, {6, 2, 72}, {8, 2, 76}, {10, 2, 79}, {12, 4, 84}}},
    {4, {{0, 6, 83}, {6, 2, 81}, {8, 4, 79}, {12, 4, 74}}},
};
// The credits' counter-melody over F G Em Am, kept between G4 and D5 so that it stays out of
// the tree's band.
const MelodyBar kCounter[4] = {
    {5, {{0, 4, 72}, {4, 2, 69}, {6, 2, 72}, {8, 6, 74}, {14, 2, 72}}},
    {4, {{0, 6, 71}, {6, 2, 67}, {8, 4, 69}, {12, 4, 71}}},
    {6, {{0, 4, 67}, {4, 2, 71}, {6, 2, 67}, {8, 2, 69}, {10, 2, 71}, {12, 4, 74}}},
    {3, {{0, 6, 72}, {6, 2, 71}, {8, 8, 69}}},
};

void PlayMelodyBar(Mix* mix, int bar, const MelodyBar& m, float transpose, float gain, bool flute) {
    for (int i = 0; i < m.count; i++) {
        const MelodyNote& n = m.notes[i];
        // Legato: each note rings for its full length less a hair.
        int64_t length = Steps(bar, n.step, n.length) - 400;
        if (flute)
            AddFlute(mix, At(bar, n.step), length, n.midi + transpose, gain, 0.35f);
        else
            AddLead(mix, At(bar, n.step), length, n.midi + transpose, gain, 0.3f);
    }
}

// The kick pattern of a bar, one bit per step, and its level. Every kick is placed before any
// other voice renders, because the pads and the bass duck under them.
uint32_t KickMask(int bar) {
    if (bar < kTitleTurnBar) return 0;
    if (bar < kCityTurnBar) return 0x0001;    // a heartbeat on the downbeat
    if (bar == kRoadBar - 1) return 0x0011;   // two beats, then the snare roll
    if (bar == 48 || bar == 49) return 0;     // the credits' breakdown
    if (bar >= 58 && bar < 60) return 0x0001; // the finale winds down
    if (bar >= 60) return 0;
    return 0x1111; // four to the floor
}

float KickLevel(int bar) {
    if (bar < kCityTurnBar) return 0.36f;
    if (bar >= kRoadBar && bar < kCreditsBar) return 0.48f;
    if (bar >= 58) return 0.36f;
    return 0.44f;
}

void Kicks(Mix* mix) {
    int64_t last = -1;
    for (int step = 0; step < kSongBars * kStepsPerBar; step++) {
        int bar = step / kStepsPerBar;
        if (KickMask(bar) & (1u << (step % kStepsPerBar))) {
            last = StepSample(step);
            AddKick(mix, last, KickLevel(bar));
        }
        mix->lastKick[step] = last;
    }
}

// Stabs are collected while the sections render and played last, over a mix that makes room.
struct StabEvent {
    int bar;
    int step;
    float gain;
    float duck; // how far the rest of the mix dips under it
};
const int kMaxStabs = 256;
StabEvent stabs[kMaxStabs];
int stabCount = 0;

// Stab tones that make the tree jump: the band tones at full gain, the body note lower.
void Stab(int bar, int step, float gain, float duck = kStabDuck) {
    if (stabCount < kMaxStabs) stabs[stabCount++] = {bar, step, gain, duck};
}

const float kBodyLevel = 0.1f; // of the stab gain
const float kTopLevel = 0.04f;

void RenderStab(Mix* mix, const StabEvent& e, float dry, float reverb) {
    const Chord& c = ChordOf(e.bar);
    int64_t at = At(e.bar, e.step);
    int count = 0;
    for (float midi : c.band) count += midi > 0.0f;
    // The stab's gain is shared by its band tones: the tree sees their summed amplitude.
    float tone = e.gain / float(count);
    AddBell(mix, at, c.body, e.gain * kBodyLevel, 0.15f, 0.0f, dry, reverb);
    for (int i = 0; i < count; i++)
        AddBell(mix, at, c.band[i], tone, 0.09f, 0.2f * float(i + 1), dry, reverb * 0.6f);
    AddBell(mix, at, c.top, e.gain * kTopLevel, 0.06f, 0.3f, dry, reverb);
}

void Accent(Mix* mix, int bar, float gain) {
    AddCrash(mix, At(bar, 0), 0.3f * gain, SeedAt(bar, 0, 11));
    AddImpact(mix, At(bar, 0), 0.3f * gain);
    Stab(bar, 0, 0.8f, kAccentDuck);
}

void PadBar(Mix* mix, int bar, int bars, float gain, const PadTone& tone) {
    const Chord& c = ChordOf(bar);
    AddPad(mix, At(bar, 0), Steps(bar, 0, bars * kStepsPerBar), c.pad, 4, gain, tone,
           SeedAt(bar, 0, 3));
}

void Arpeggio(Mix* mix, int bar, int stepsPerNote, float transpose, float gain) {
    const Chord& c = ChordOf(bar);
    static const int kOrder[8] = {0, 1, 2, 3, 2, 1, 3, 1};
    int n = 0;
    for (int s = 0; s < kStepsPerBar; s += stepsPerNote, n++) {
        float pan = (n % 2) ? 0.45f : -0.45f;
        AddPluck(mix, At(bar, s), Steps(bar, s, stepsPerNote), c.pad[kOrder[n % 8]] + transpose,
                 gain, pan, 0.35f);
    }
}

void Hats(Mix* mix, int bar, float gain, bool sixteenths) {
    for (int s = 0; s < kStepsPerBar; s++) {
        bool offbeat = s % 4 == 2;
        if (!sixteenths && !offbeat) continue;
        float g = offbeat ? gain : gain * 0.45f;
        float decay = offbeat && sixteenths ? 0.09f : 0.03f;
        AddHat(mix, At(bar, s), g, decay, s % 8 < 4 ? -0.25f : 0.25f, SeedAt(bar, s, 5));
    }
}

void Intro(Mix* mix) {
    const BassTone drone = {140.0f, 60.0f, 0.0f};
    const BassTone pulse = {260.0f, 500.0f, 0.5f};
    for (int bar = 0; bar < kRoadBar; bar++) {
        const Chord& c = ChordOf(bar);
        // The pad opens as the intro builds.
        float cutoff = bar < kTitleInBar    ? 380.0f
                       : bar < kCityTurnBar ? 520.0f
                                            : 520.0f + 60.0f * (bar - 11);
        PadTone pad = {cutoff, bar >= kCityTurnBar ? 0.35f : 0.0f, 0.5f};
        PadBar(mix, bar, 1, bar < kTitleInBar ? 0.16f + 0.02f * bar : 0.24f, pad);
        if (bar < kTitleTurnBar) {
            AddBass(mix, At(bar, 0), Steps(bar, 0, 16), c.root + 12.0f, 0.22f, drone);
        } else if (bar < kCityTurnBar) {
            for (int s = 0; s < 16; s += 8)
                AddBass(mix, At(bar, s), Steps(bar, s, 7), c.root + 12.0f, 0.25f, drone);
        } else {
            for (int s = 2; s < 16; s += 4)
                AddBass(mix, At(bar, s), Steps(bar, s, 2), c.root + 12.0f, 0.3f, pulse);
        }
        if (bar >= kTitleInBar) Arpeggio(mix, bar, 2, -12.0f, 0.07f + 0.005f * (bar - kTitleInBar));
        if (bar >= 6) Hats(mix, bar, 0.05f + 0.005f * (bar - 6), bar >= 16);
        // From the turn on, the tree pulses with the beat: a stab on each downbeat (the turn's
        // own bar has its accent) and one on the and of three, dark in between.
        if (bar > kCityTurnBar) Stab(bar, 0, 0.78f);
        if (bar >= kCityTurnBar) Stab(bar, 10, 0.74f);
        if (bar >= 16) {
            AddClap(mix, At(bar, 4), 0.22f, SeedAt(bar, 4, 9));
            if (bar < kRoadBar - 1) AddClap(mix, At(bar, 12), 0.22f, SeedAt(bar, 12, 9));
        }
    }
    // Swells into each accent, then the accents themselves.
    AddRiser(mix, At(kTitleInBar - 1, 0), Steps(kTitleInBar - 1, 0, 16), 0.12f, 21);
    AddRiser(mix, At(kTitleTurnBar - 1, 8), Steps(kTitleTurnBar - 1, 8, 8), 0.14f, 22);
    AddRiser(mix, At(kCityTurnBar - 1, 8), Steps(kCityTurnBar - 1, 8, 8), 0.16f, 23);
    AddRiser(mix, At(kRoadBar - 2, 0), Steps(kRoadBar - 2, 0, 32), 0.2f, 24);
    Accent(mix, kTitleInBar, 0.8f);
    Accent(mix, kTitleTurnBar, 0.9f);
    Accent(mix, kCityTurnBar, 1.0f);
    // A snare roll into the road.
    for (int s = 8; s < 16; s++) {
        float g = 0.1f + 0.02f * (s - 8);
        AddSnare(mix, At(kRoadBar - 1, s), g, SeedAt(kRoadBar - 1, s, 13));
    }
}

void Drive(Mix* mix) {
    const BassTone rolling = {380.0f, 1200.0f, 0.7f};
    const PadTone pad = {1400.0f, 0.6f, 0.4f};
    for (int bar = kRoadBar; bar < kCreditsBar; bar++) {
        const Chord& c = ChordOf(bar);
        AddClap(mix, At(bar, 4), 0.3f, SeedAt(bar, 4, 9));
        AddClap(mix, At(bar, 12), 0.3f, SeedAt(bar, 12, 9));
        Hats(mix, bar, 0.09f, true);
        for (int s = 0; s < 16; s++) {
            if (s % 4 == 0) continue;
            float midi = c.root + (s % 4 == 3 ? 24.0f : 12.0f);
            AddBass(mix, At(bar, s), Steps(bar, s, 1) - 200, midi, 0.28f, rolling);
        }
        PadBar(mix, bar, 1, 0.22f, pad);
        Arpeggio(mix, bar, 1, 0.0f, 0.04f);
        int phrase = (bar - kRoadBar) / 4;
        const MelodyBar* tune = phrase == 1 ? kAnswer : kCall;
        PlayMelodyBar(mix, bar, tune[bar % 4], 0.0f, 0.11f, false);
    }
    // Each camera cut of the road and every phrase gets a cymbal and a stab.
    Accent(mix, kRoadBar, 1.0f);
    const int cuts[] = {kRoadBar + 1, kRoadBar + 2, 24, 28};
    for (int bar : cuts) {
        AddCrash(mix, At(bar, 0), 0.3f, SeedAt(bar, 0, 11));
        Stab(bar, 0, 0.7f);
    }
    AddRiser(mix, At(kCreditsBar - 1, 0), Steps(kCreditsBar - 1, 0, 16), 0.18f, 25);
    for (int s = 8; s < 16; s += 2) AddSnare(mix, At(kCreditsBar - 1, s), 0.16f, SeedAt(31, s, 13));
}

void Groove(Mix* mix) {
    const BassTone funk = {300.0f, 900.0f, 0.5f};
    const PadTone pad = {520.0f, 0.5f, 0.45f};
    // Root-relative bass line: step, length, interval (-1: the chord's seventh).
    static const int kBassLine[6][3] = {{0, 2, 0},  {3, 1, 12},  {6, 2, 0},
                                        {10, 2, 7}, {12, 1, 12}, {14, 2, -1}};
    // Stab rhythm: the tree jumps on these steps, and falls in between.
    static const int kStabSteps[2][3] = {{0, 6, 10}, {0, 3, 10}};
    const int breakdown = 48;
    for (int bar = kCreditsBar; bar < kFinaleBar; bar++) {
        const Chord& c = ChordOf(bar);
        bool broken = bar >= breakdown && bar < breakdown + 2;
        AddClap(mix, At(bar, 4), 0.26f, SeedAt(bar, 4, 9));
        AddClap(mix, At(bar, 12), 0.26f, SeedAt(bar, 12, 9));
        Hats(mix, bar, 0.07f, !broken);
        if (!broken)
            for (const int* n : kBassLine)
                AddBass(mix, At(bar, n[0]), Steps(bar, n[0], n[1]) - 300,
                        c.root + 12.0f + (n[2] < 0 ? c.seventh : float(n[2])), 0.3f, funk);
        PadBar(mix, bar, 1, 0.2f, pad);
        for (int s : kStabSteps[bar % 2])
            if (bar > kCreditsBar || s > 0) Stab(bar, s, s == 0 ? 0.78f : 0.74f);
        if (bar >= 40 && bar < breakdown)
            PlayMelodyBar(mix, bar, kCounter[bar % 4], 0.0f, 0.12f, true);
    }
    Accent(mix, kCreditsBar, 1.0f);
    AddCrash(mix, At(40, 0), 0.3f, SeedAt(40, 0, 11));
    AddCrash(mix, At(breakdown + 2, 0), 0.3f, SeedAt(breakdown + 2, 0, 11));
    AddRiser(mix, At(breakdown + 1, 0), Steps(breakdown + 1, 0, 16), 0.15f, 26);
    AddRiser(mix, At(kFinaleBar - 1, 0), Steps(kFinaleBar - 1, 0, 16), 0.18f, 27);
}

void Finale(Mix* mix) {
    const BassTone rolling = {300.0f, 800.0f, 0.6f};
    const PadTone pad = {900.0f, 0.4f, 0.6f};
    const int lastKickBar = 58;
    const int endChordBar = 60;
    for (int bar = kFinaleBar; bar < endChordBar; bar++) {
        const Chord& c = ChordOf(bar);
        if (bar < lastKickBar) {
            AddClap(mix, At(bar, 4), 0.24f, SeedAt(bar, 4, 9));
            AddClap(mix, At(bar, 12), 0.24f, SeedAt(bar, 12, 9));
            Hats(mix, bar, 0.07f, true);
            for (int s = 2; s < 16; s += 4)
                AddBass(mix, At(bar, s), Steps(bar, s, 2) - 200, c.root + 12.0f, 0.3f, rolling);
        } else {
            AddBass(mix, At(bar, 0), Steps(bar, 0, 16), c.root + 12.0f, 0.25f, rolling);
        }
        PadBar(mix, bar, 1, 0.24f, pad);
        const MelodyBar* tune = bar < kFadeStartBar ? kAnswer : kCall;
        PlayMelodyBar(mix, bar, tune[bar % 4], -12.0f, 0.16f, true);
        if (bar > kFinaleBar) Stab(bar, 0, 0.78f); // bar 52 has its accent
        Stab(bar, 10, 0.7f);
    }
    // The last chord rings into the fade.
    PadBar(mix, endChordBar, 2, 0.26f, pad);
    AddBass(mix, At(endChordBar, 0), Steps(endChordBar, 0, 32), kAm.root + 12.0f, 0.25f, rolling);
    AddFlute(mix, At(endChordBar, 0), Steps(endChordBar, 0, 32), 69.0f, 0.14f, 0.35f);
    Stab(endChordBar, 0, 0.75f);
    AddCrash(mix, At(endChordBar, 0), 0.25f, SeedAt(endChordBar, 0, 11));
    Accent(mix, kFinaleBar, 1.0f);
}
} // namespace

void RenderSong(Mix* mix) {
    stabCount = 0;
    Kicks(mix);
    Intro(mix);
    Drive(mix);
    Groove(mix);
    Finale(mix);
    for (int i = 0; i < stabCount; i++) RenderStab(mix, stabs[i], 0.0f, 0.15f);
    ApplyDelay(mix, 0.35f);
    ApplyReverb(mix, 0.9f);
    for (int i = 0; i < stabCount; i++)
        DuckMain(mix, At(stabs[i].bar, stabs[i].step), stabs[i].duck);
    for (int i = 0; i < stabCount; i++) RenderStab(mix, stabs[i], 1.0f, 0.0f);
    ApplyFadeOut(mix, At(kFadeStartBar, 0), At(kSilenceBar, 0));
    RemoveDc(mix);
    ApplyLimiter(mix, 1.0f, 0.89f);
}
