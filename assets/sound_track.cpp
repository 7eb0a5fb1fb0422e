#include "assets/sound_track.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "anim/schedule.h"

// The music follows the show's clock. Its pulse is the roll: one beat every 0.6 s (100 beats
// a minute), four beats to the bar.
//
//   0    - 3.6   quiet opening: an A minor pad fades in under a breath of air and two bells
//   3.6  - 18.6  one beat per roll (26): a soft kick with a marimba note that walks up the
//                chords Am F C G Am F E, over a pad that grows slowly
//   18.8         the block stands: the key turns to A major with a bell chord and a cymbal
//   18.8 - 26.1  calm: pads A F#m D E with a few bells
//   26.1 - 26.6  a rising swell as the block spreads
//   26.6 - 65.0  the finale: bass, pad, drums and arpeggios on A F#m D E; an eight-bar tune
//                enters after four bars and comes back, doubled by bells, for the last four
//   65.0         closing A major chord, left to ring
//   58.1 - 70.4  the fade to silence; everything after 70.4 s is zero
//
// Every sine, exponential and noise value comes from this file's own arithmetic, so all
// builds produce the same samples.

namespace {

using Mix = std::vector<double>;

constexpr double kTwoPi = 6.283185307179586476925;
// The music's times come from the show's schedule, in seconds.
constexpr double seconds(int64_t ms) {
    return static_cast<double>(ms) / 1000.0;
}
constexpr double kBeat = seconds(rollGapMs);  // one beat per roll
constexpr double kBar = 4 * kBeat;
constexpr double kFirstRoll = seconds(scheduledMs(rollRow));
constexpr int kRollCount = rollCount;
// The chord that greets the finished block, on the first tenth of a second after its last tick.
constexpr double kBlockDone = seconds((blockCompleteMs + 99) / 100 * 100);
constexpr double kSpreadStart = seconds(scheduledMs(spreadRow));
constexpr double kFinaleStart = seconds(scheduledMs(ballRow));
constexpr double kFadeStart = seconds(scheduledMs(fadeRow));
// The sound is gone by the last whole fifth of a second before the picture is black, so the
// program's exit never cuts it off and the file ends in well over half a second of silence.
constexpr double kFadeEnd = seconds(showEndMs / 200 * 200);
constexpr double kPeakLevel = 0.5;          // of full scale: -6 dBFS
constexpr double kHighestPartialHz = 5000;  // stay clear of the 5512 Hz Nyquist limit

// ---------------------------------------------------------------------------------------
// Portable arithmetic

// sin(2π · turns), by a Taylor polynomial on a quarter turn.
double sineTurns(double turns) {
    double x = turns - std::floor(turns);
    if (x > 0.75) {
        x -= 1.0;
    } else if (x > 0.25) {
        x = 0.5 - x;
    }
    // Taylor coefficients of sin(a) / a in powers of a², enough for 1e-9 on a quarter turn.
    static const double kCoefficients[7] = {
        1.0, -1.0 / 6, 1.0 / 120, -1.0 / 5040, 1.0 / 362880, -1.0 / 39916800, 1.0 / 6227020800.0};
    const double a = kTwoPi * x;
    const double a2 = a * a;
    double sum = 0;
    for (int i = 6; i >= 0; --i) {
        sum = sum * a2 + kCoefficients[i];
    }
    return a * sum;
}

// The first three harmonics of a sine wave at the given phase, from one sine and one cosine.
struct Harmonics {
    double first;
    double second;
    double third;
};

Harmonics harmonicsAt(double turns) {
    const double s = sineTurns(turns);
    const double c = sineTurns(turns + 0.25);
    return {s, 2 * s * c, s * (3 - 4 * s * s)};
}

// A sine oscillator kept as a turning unit vector: each step rotates it by one sample's
// worth of phase, so a long held note costs a few multiplications per sample.
struct Phasor {
    double cosine;
    double sine;
    double stepCosine;
    double stepSine;
};

Phasor startPhasor(double hz, double startTurns) {
    const double step = hz / kSoundRate;
    return {sineTurns(startTurns + 0.25), sineTurns(startTurns), sineTurns(step + 0.25),
            sineTurns(step)};
}

void advancePhasor(Phasor& p) {
    const double c = p.cosine * p.stepCosine - p.sine * p.stepSine;
    p.sine = p.sine * p.stepCosine + p.cosine * p.stepSine;
    p.cosine = c;
}

// e^x, by reduction to a power of two and a Taylor polynomial.
double expPortable(double x) {
    constexpr double kLn2 = 0.6931471805599453094172;
    const double k = std::floor(x / kLn2 + 0.5);
    const double r = x - k * kLn2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 14; ++n) {
        term *= r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

// Per-sample factor of an exponential decay with time constant tau seconds.
double decayFactor(double tau) {
    return expPortable(-1.0 / (tau * kSoundRate));
}

// Equal-tempered pitch of a MIDI note (69 = A4 = 440 Hz).
double noteHz(int midi) {
    static const double kSemitones[12] = {1.0,
                                          1.0594630943592953,
                                          1.1224620483093730,
                                          1.1892071150027210,
                                          1.2599210498948732,
                                          1.3348398541700344,
                                          1.4142135623730951,
                                          1.4983070768766815,
                                          1.5874010519681994,
                                          1.6817928305074290,
                                          1.7817974362806785,
                                          1.8877486253633868};
    const int fromA = midi - 69;
    const int octave = (fromA >= 0 ? fromA : fromA - 11) / 12;
    return std::ldexp(440.0 * kSemitones[fromA - 12 * octave], octave);
}

// A fixed-seed xorshift generator for the noise voices.
struct Noise {
    uint32_t state;
};

double nextNoise(Noise& noise) {
    uint32_t s = noise.state;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    noise.state = s;
    return s / 2147483648.0 - 1.0;
}

// Rises smoothly from 0 to 1 as x goes from 0 to 1 (raised cosine, by the portable sine).
double smoothRise(double x) {
    if (x <= 0) {
        return 0;
    }
    if (x >= 1) {
        return 1;
    }
    const double s = sineTurns(0.25 * x);
    return s * s;
}

size_t sampleAt(double seconds) {
    return static_cast<size_t>(std::floor(seconds * kSoundRate + 0.5));
}

// ---------------------------------------------------------------------------------------
// Voices. Each adds one note or hit to a mix, starting exactly at the sample of its start
// time, and ends with a short taper so that nothing clicks.

// Where the voices are mixed: dry goes straight out, wet also feeds the reverb.
struct Tracks {
    Mix dry;
    Mix wet;
};

struct Partial {
    double ratio;  // of the fundamental
    double level;
    double decay;  // time constant in seconds
};

// A struck tone: partials that start together after a short attack and die away.
void addStruck(Mix& mix, double start, double hz, double level, const Partial* partials,
               int partialCount, double length) {
    const size_t first = sampleAt(start);
    const size_t count = std::min(sampleAt(length), mix.size() - std::min(first, mix.size()));
    const double attack = 0.002 * kSoundRate;
    const double taperFrom = 0.8 * count;
    for (int p = 0; p < partialCount; ++p) {
        const double partialHz = hz * partials[p].ratio;
        if (partialHz >= kHighestPartialHz) {
            continue;
        }
        const double factor = decayFactor(partials[p].decay);
        double amp = level * partials[p].level;
        Phasor osc = startPhasor(partialHz, 0.0);
        for (size_t i = 0; i < count; ++i) {
            double env = amp;
            if (i < attack) {
                env *= i / attack;
            }
            if (i > taperFrom) {
                env *= 1.0 - smoothRise((i - taperFrom) / (count - taperFrom));
            }
            mix[first + i] += env * osc.sine;
            advancePhasor(osc);
            amp *= factor;
        }
    }
}

// Marimba-like bar: a round fundamental with its bright fourth overtone.
void addMallet(Mix& mix, double start, int midi, double level) {
    static const Partial kPartials[] = {{1.0, 1.0, 0.30}, {3.93, 0.30, 0.05}, {9.2, 0.06, 0.02}};
    addStruck(mix, start, noteHz(midi), level, kPartials, 3, 1.6);
}

// Bell: slightly inharmonic partials with a long ring.
void addBell(Mix& mix, double start, int midi, double level) {
    static const Partial kPartials[] = {{1.0, 1.0, 1.1},
                                        {2.0, 0.30, 0.7},
                                        {2.76, 0.22, 0.45},
                                        {5.40, 0.10, 0.25},
                                        {8.93, 0.04, 0.12}};
    addStruck(mix, start, noteHz(midi), level, kPartials, 5, 4.5);
}

// Where a held note lies in the mix, in samples: its first, how long it is held, how long it
// takes to die away after that, and how many of its samples fit in the mix.
struct HeldNote {
    size_t first;
    size_t held;
    size_t release;
    size_t count;
};

HeldNote placeHeldNote(const Mix& mix, double start, double length, double releaseSeconds) {
    HeldNote note;
    note.first = sampleAt(start);
    note.held = sampleAt(length);
    note.release = sampleAt(releaseSeconds);
    note.count = std::min(note.held + note.release, mix.size() - std::min(note.first, mix.size()));
    return note;
}

// The gain of sample i of a held note: 1 while it is held, then falling smoothly to 0.
double releaseGain(const HeldNote& note, size_t i) {
    if (i <= note.held) {
        return 1.0;
    }
    return 1.0 - smoothRise(static_cast<double>(i - note.held) / note.release);
}

// Soft bass: a plucked tone with a warm second harmonic, held for the given length.
void addBass(Mix& mix, double start, double length, int midi, double level) {
    const double hz = noteHz(midi);
    const HeldNote note = placeHeldNote(mix, start, length, 0.08);
    const double attack = 0.006 * kSoundRate;
    const double factor = decayFactor(0.9);
    double amp = level;
    for (size_t i = 0; i < note.count; ++i) {
        double env = amp;
        if (i < attack) {
            env *= i / attack;
        }
        env *= releaseGain(note, i);
        const Harmonics h = harmonicsAt(hz * i / kSoundRate);
        mix[note.first + i] += env * (h.first + 0.45 * h.second + 0.15 * h.third);
        amp = amp * factor + (1 - factor) * 0.45 * level;  // settles to a steady hum
    }
}

// Pad: three slightly detuned oscillators per note that fade in over attack seconds from
// start, hold, and fade out over release seconds from end.
void addPadNote(Mix& mix, double start, double end, int midi, double level, double attack,
                double release) {
    static const double kDetune[3] = {0.9975, 1.0, 1.0021};
    const double hz = noteHz(midi);
    const size_t first = sampleAt(start);
    const size_t count =
        std::min(sampleAt(end - start + release), mix.size() - std::min(first, mix.size()));
    const double holdSeconds = end - start;
    Phasor voices[3];
    for (int v = 0; v < 3; ++v) {
        voices[v] = startPhasor(hz * kDetune[v], 0.3 * v);
    }
    // A slow swell and ebb keeps the held chord alive.
    Phasor breath = startPhasor(0.23, 0.1 * midi);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSoundRate;
        double env = level * smoothRise(t / attack) * (0.9 + 0.1 * breath.sine);
        if (t > holdSeconds) {
            env *= 1.0 - smoothRise((t - holdSeconds) / release);
        }
        double sum = 0;
        for (Phasor& p : voices) {
            const double sn = p.sine;
            const double cs = p.cosine;
            sum += sn + 0.22 * 2 * sn * cs + 0.06 * sn * (3 - 4 * sn * sn);
            advancePhasor(p);
        }
        advancePhasor(breath);
        mix[first + i] += env * sum / 3;
    }
}

void addPadChord(Mix& mix, double start, double end, const int* notes, int noteCount, double level,
                 double attack, double release) {
    for (int n = 0; n < noteCount; ++n) {
        addPadNote(mix, start, end, notes[n], level, attack, release);
    }
}

// Singing lead: four harmonics, a quick attack that settles a little, and a vibrato that
// grows in as the note is held.
void addLead(Mix& mix, double start, double length, int midi, double level) {
    const double hz = noteHz(midi);
    const HeldNote note = placeHeldNote(mix, start, length, 0.12);
    const double settleFactor = decayFactor(0.15);
    double settle = 0.22;
    double phase = 0;
    for (size_t i = 0; i < note.count; ++i) {
        const double t = static_cast<double>(i) / kSoundRate;
        double env = level * smoothRise(t / 0.025) * (0.78 + settle);
        settle *= settleFactor;
        env *= releaseGain(note, i);
        const double vibrato = 1.0 + 0.004 * smoothRise((t - 0.15) / 0.3) * sineTurns(5.2 * t);
        phase += hz * vibrato / kSoundRate;
        const double s = sineTurns(phase);
        const double c = sineTurns(phase + 0.25);
        const double s2 = 2 * s * c;
        const double c2 = 1 - 2 * s * s;
        const double fourth = hz * 4 < kHighestPartialHz ? 0.08 * 2 * s2 * c2 : 0.0;
        mix[note.first + i] += env * (s + 0.42 * s2 + 0.20 * s * (3 - 4 * s * s) + fourth);
    }
}

// Kick: a sine whose pitch falls quickly from about 160 Hz to 48 Hz, with a tiny click.
void addKick(Mix& mix, double start, double level, uint32_t seed) {
    const size_t first = sampleAt(start);
    const size_t count = std::min(sampleAt(0.5), mix.size() - std::min(first, mix.size()));
    const double pitchFactor = decayFactor(0.035);
    const double ampFactor = decayFactor(0.16);
    const double clickFactor = decayFactor(0.004);
    Noise noise{seed};
    double sweep = 1.0;
    double amp = 1.0;
    double click = 0.5;
    double phase = 0;
    double lastNoise = 0;
    for (size_t i = 0; i < count; ++i) {
        phase += (48.0 + 112.0 * sweep) / kSoundRate;
        const double env = amp * (1.0 - smoothRise((i - 0.8 * count) / (0.2 * count)));
        const double n = nextNoise(noise);
        mix[first + i] += level * (env * sineTurns(phase) + click * (n - lastNoise) * 0.5);
        lastNoise = n;
        sweep *= pitchFactor;
        amp *= ampFactor;
        click *= clickFactor;
    }
}

// Noise burst: high-passed (hiss) or low-passed (breath), dying away with time constant decay.
void addNoiseHit(Mix& mix, double start, double length, double level, double decay, bool bright,
                 uint32_t seed) {
    const size_t first = sampleAt(start);
    const size_t count = std::min(sampleAt(length), mix.size() - std::min(first, mix.size()));
    const double factor = decayFactor(decay);
    Noise noise{seed};
    double amp = level;
    double last = 0;
    double low = 0;
    for (size_t i = 0; i < count; ++i) {
        const double n = nextNoise(noise);
        double value;
        if (bright) {
            value = 0.5 * (n - last);
        } else {
            low += 0.25 * (n - low);
            value = 1.5 * low;
        }
        last = n;
        double env = amp * std::min(1.0, i / (0.001 * kSoundRate));
        env *= 1.0 - smoothRise((i - 0.8 * count) / (0.2 * count));
        mix[first + i] += env * value;
        amp *= factor;
    }
}

// Snare: a short drum tone under a burst of hiss.
void addSnare(Mix& mix, double start, double level, uint32_t seed) {
    static const Partial kBody[] = {{1.0, 1.0, 0.06}, {1.6, 0.4, 0.04}};
    addStruck(mix, start, 185.0, 0.5 * level, kBody, 2, 0.3);
    addNoiseHit(mix, start, 0.35, level, 0.09, true, seed);
}

// Breath of air: low-passed noise whose loudness and brightness follow a slow arch that
// peaks at peak seconds and is gone at end seconds.
void addAir(Mix& mix, double start, double peak, double end, double level, uint32_t seed) {
    const size_t first = sampleAt(start);
    const size_t count = std::min(sampleAt(end - start), mix.size() - std::min(first, mix.size()));
    Noise noise{seed};
    double low = 0;
    double lower = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = start + static_cast<double>(i) / kSoundRate;
        const double rise = smoothRise((t - start) / (peak - start));
        const double fall = 1.0 - smoothRise((t - peak) / (end - peak));
        const double shape = t < peak ? rise : fall;
        const double opening = 0.03 + 0.25 * shape;
        low += opening * (nextNoise(noise) - low);
        lower += opening * (low - lower);
        mix[first + i] += level * shape * shape * 2.0 * lower;
    }
}

// ---------------------------------------------------------------------------------------
// The score

struct Chord {
    int bass;      // MIDI note of the bass
    int pad[4];    // pad voicing around A3 - A4
    int tones[4];  // arpeggio: root, third, fifth, octave in the marimba's range
};

// Building: A minor, one chord per bar.
const Chord kAm{45, {57, 60, 64, 71}, {69, 72, 76, 81}};
const Chord kF{41, {57, 60, 65, 69}, {65, 69, 72, 77}};
const Chord kC{48, {55, 60, 64, 67}, {72, 76, 79, 84}};
const Chord kG{43, {55, 59, 62, 67}, {67, 71, 74, 79}};
const Chord kE{40, {56, 59, 64, 68}, {76, 80, 83, 88}};
// Finale: A major.
const Chord kA{45, {57, 61, 64, 69}, {69, 73, 76, 81}};
const Chord kFsm{42, {57, 61, 66, 69}, {66, 69, 73, 78}};
const Chord kD{38, {57, 62, 66, 69}, {62, 66, 69, 74}};
const Chord kEmaj{40, {56, 59, 64, 71}, {64, 68, 71, 76}};

const Chord* const kBuildBars[7] = {&kAm, &kF, &kC, &kG, &kAm, &kF, &kE};
const Chord* const kFinaleBars[4] = {&kA, &kFsm, &kD, &kEmaj};

struct MelodyNote {
    int midi;  // 0 for a rest
    double beats;
};

// The finale's tune, eight bars over A F#m D E (twice).
const MelodyNote kTune[] = {
    {73, 1},   {76, 1},   {81, 1.5}, {80, 0.5},  // A
    {78, 2},   {76, 1},   {73, 1},               // F#m
    {74, 1},   {78, 1},   {81, 1},   {78, 1},    // D
    {76, 3},   {0, 1},                           // E
    {73, 1},   {76, 1},   {81, 1.5}, {83, 0.5},  // A
    {85, 2},   {83, 1},   {81, 1},               // F#m
    {78, 1.5}, {76, 0.5}, {74, 1},   {78, 1},    // D
    {80, 1},   {83, 1},   {76, 2},               // E
};
constexpr int kTuneNotes = sizeof kTune / sizeof kTune[0];
constexpr int kTuneHalf = 13;  // notes in the first four bars

// Plays tune notes [from, to) from start; returns the time after the last one.
double playTune(Tracks& tracks, double start, int from, int to, double level, bool withBells) {
    double t = start;
    for (int i = from; i < to; ++i) {
        const double length = kTune[i].beats * kBeat;
        if (kTune[i].midi != 0) {
            addLead(tracks.wet, t, length * 0.95, kTune[i].midi, level);
            if (withBells) {
                addBell(tracks.wet, t, kTune[i].midi + 12, 0.3 * level);
            }
        }
        t += length;
    }
    return t;
}

void composeOpening(Tracks& tracks) {
    // The first building chord is already there while the camera approaches.
    addPadChord(tracks.wet, 0.0, kFirstRoll + kBar, kAm.pad, 4, 0.05, 3.2, 0.6);
    addAir(tracks.wet, 0.0, 2.6, 4.4, 0.05, 7);
    addBell(tracks.wet, 1.2, 76, 0.10);
    addBell(tracks.wet, 2.4, 81, 0.08);
}

void composeBuilding(Tracks& tracks) {
    // Pads: one chord per bar of the build, the first bar continuing the opening's chord.
    for (int bar = 1; bar < 7; ++bar) {
        const double start = kFirstRoll + bar * kBar;
        const double end = bar == 6 ? kBlockDone : start + kBar;
        const double level = 0.035 + 0.004 * bar;
        addPadChord(tracks.wet, start, end, kBuildBars[bar]->pad, 4, level, 0.35, 0.5);
    }
    for (int roll = 0; roll < kRollCount; ++roll) {
        const double t = kFirstRoll + roll * kBeat;
        const int bar = roll / 4;
        const int beat = roll % 4;
        const Chord& chord = *kBuildBars[bar];
        const double growth = 0.75 + 0.25 * roll / (kRollCount - 1);
        const double accent = beat == 0 ? 1.0 : 0.85;
        addKick(tracks.dry, t, 1.0 * growth * accent, 1000 + roll);
        addMallet(tracks.wet, t, chord.tones[beat], 0.28 * growth * accent);
        if (bar >= 4) {
            // The second time round the marimba doubles itself an octave up.
            addMallet(tracks.wet, t, chord.tones[beat] + 12, 0.12 * growth);
        }
        if (beat == 0) {
            addBass(tracks.dry, t, bar == 6 ? 2 * kBeat : kBar, chord.bass, 0.22 * growth);
        }
    }
}

void composeBlockDone(Tracks& tracks) {
    // The key turns from A minor to A major.
    static const int kStrum[4] = {69, 73, 76, 81};
    for (int i = 0; i < 4; ++i) {
        addBell(tracks.wet, kBlockDone + 0.05 * i, kStrum[i], 0.22);
    }
    addNoiseHit(tracks.wet, kBlockDone, 3.0, 0.10, 0.9, true, 2000);
    addKick(tracks.dry, kBlockDone, 1.2, 2001);
    addBass(tracks.dry, kBlockDone, kBar, 33, 0.30);

    // Calm while the block stands: A, F#m, D, E, leading into the finale's first A.
    const double t0 = kBlockDone;
    addPadChord(tracks.wet, t0, t0 + kBar, kA.pad, 4, 0.085, 0.3, 0.6);
    addPadChord(tracks.wet, t0 + kBar, t0 + 2 * kBar, kFsm.pad, 4, 0.085, 0.5, 0.6);
    addPadChord(tracks.wet, t0 + 2 * kBar, t0 + 2 * kBar + 3 * kBeat, kD.pad, 4, 0.085, 0.5, 0.6);
    addPadChord(tracks.wet, t0 + 2 * kBar + 3 * kBeat, kFinaleStart, kEmaj.pad, 4, 0.085, 0.4, 0.5);

    static const MelodyNote kBells[] = {{85, 2}, {83, 1}, {81, 3}, {78, 2},  {81, 2},
                                        {78, 1}, {74, 2}, {76, 1}, {80, 1.5}};
    double t = t0 + kBar * 0.5;
    for (const MelodyNote& note : kBells) {
        addBell(tracks.wet, t, note.midi, 0.12);
        t += note.beats * kBeat;
    }
}

void composeSpread(Tracks& tracks) {
    // A rising rush of air from the moment the block starts to part, cresting on the
    // finale's first beat, and a chord that swells beneath it.
    addAir(tracks.wet, kSpreadStart, kFinaleStart, kFinaleStart + 1.6, 0.7, 3000);
    addPadChord(tracks.wet, kSpreadStart, kFinaleStart + 0.3, kEmaj.pad, 4, 0.10, 0.45, 0.4);
}

void composeFinale(Tracks& tracks) {
    constexpr int kBars = 16;
    for (int bar = 0; bar < kBars; ++bar) {
        const double barStart = kFinaleStart + bar * kBar;
        const Chord& chord = *kFinaleBars[bar % 4];
        // The first bars grow as the block spreads.
        const double growth = bar < 4 ? 0.7 + 0.1 * bar : 1.0;

        addPadChord(tracks.wet, barStart, barStart + kBar, chord.pad, 4, 0.06 * growth, 0.25, 0.4);
        // Bass: root held, a push on the "and" of two, the fifth, the octave.
        addBass(tracks.dry, barStart, 1.5 * kBeat, chord.bass, 0.30 * growth);
        addBass(tracks.dry, barStart + 1.5 * kBeat, 0.5 * kBeat, chord.bass, 0.22 * growth);
        addBass(tracks.dry, barStart + 2 * kBeat, kBeat, chord.bass + 7, 0.26 * growth);
        addBass(tracks.dry, barStart + 3 * kBeat, kBeat, chord.bass + 12, 0.22 * growth);

        for (int beat = 0; beat < 4; ++beat) {
            const double t = barStart + beat * kBeat;
            const uint32_t seed = 4000 + 16 * bar + beat;
            if (beat % 2 == 0) {
                addKick(tracks.dry, t, 0.8 * growth, seed);
            } else if (bar >= 2) {
                addSnare(tracks.wet, t, 0.13 * growth, seed + 4);
            }
            addNoiseHit(tracks.wet, t + 0.5 * kBeat, 0.15, 0.05 * growth, 0.03, true, seed + 8);
            if (bar >= 8) {
                addNoiseHit(tracks.wet, t, 0.1, 0.025, 0.02, true, seed + 12);
            }
        }

        // Marimba in eighths over the chord: up and back down.
        static const int kPattern[8] = {0, 1, 2, 3, 2, 1, 2, 1};
        const double arpLevel = bar < 4 ? 0.13 : 0.08;
        for (int step = 0; step < 8; ++step) {
            const double accent = step % 2 == 0 ? 1.0 : 0.7;
            addMallet(tracks.wet, barStart + step * 0.5 * kBeat, chord.tones[kPattern[step]],
                      arpLevel * accent * growth);
        }
    }

    // The tune enters after four bars and plays through; its first half returns at the end,
    // doubled by bells, and the phrase comes home to A.
    double t = kFinaleStart + 4 * kBar;
    t = playTune(tracks, t, 0, kTuneNotes, 0.20, false);
    t = playTune(tracks, t, 0, kTuneHalf, 0.20, true);

    static const int kStrum[4] = {69, 73, 76, 81};
    for (int i = 0; i < 4; ++i) {
        addBell(tracks.wet, t + 0.06 * i, kStrum[i], 0.2);
    }
    addLead(tracks.wet, t, 3 * kBar, 81, 0.18);
    addPadChord(tracks.wet, t, t + 3 * kBar, kA.pad, 4, 0.07, 0.3, 2.0);
    addKick(tracks.dry, t, 0.7, 5000);
    addBass(tracks.dry, t, 2 * kBar, 33, 0.3);
    addNoiseHit(tracks.wet, t, 3.0, 0.08, 1.0, true, 5001);
}

// ---------------------------------------------------------------------------------------
// Room and master

// A small room: four damped feedback combs in parallel, then two all-pass diffusers.
Mix addRoom(const Mix& in) {
    static const size_t kCombDelays[4] = {337, 379, 421, 467};
    static const size_t kAllPassDelays[2] = {113, 37};
    constexpr double kFeedback = 0.78;
    constexpr double kDamping = 0.35;
    constexpr double kAllPassGain = 0.5;

    Mix out(in.size(), 0.0);
    for (size_t delay : kCombDelays) {
        std::vector<double> line(delay, 0.0);
        size_t at = 0;
        double low = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            const double delayed = line[at];
            low += (1.0 - kDamping) * (delayed - low);
            line[at] = in[i] + kFeedback * low;
            at = at + 1 == delay ? 0 : at + 1;
            out[i] += 0.25 * delayed;
        }
    }
    for (size_t delay : kAllPassDelays) {
        std::vector<double> line(delay, 0.0);
        size_t at = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const double delayed = line[at];
            const double input = out[i];
            line[at] = input + kAllPassGain * delayed;
            out[i] = delayed - kAllPassGain * input;
            at = at + 1 == delay ? 0 : at + 1;
        }
    }
    return out;
}

// Gain of the closing fade: 1 before it, falling along a square curve to 0 at its end.
double fadeGain(double seconds) {
    if (seconds <= kFadeStart) {
        return 1.0;
    }
    if (seconds >= kFadeEnd) {
        return 0.0;
    }
    const double left = (kFadeEnd - seconds) / (kFadeEnd - kFadeStart);
    return left * left;
}

}  // namespace

std::vector<int16_t> makeSoundTrack() {
    const size_t length = sampleAt(kSoundSeconds);
    Tracks tracks{Mix(length, 0.0), Mix(length, 0.0)};
    composeOpening(tracks);
    composeBuilding(tracks);
    composeBlockDone(tracks);
    composeSpread(tracks);
    composeFinale(tracks);

    const Mix room = addRoom(tracks.wet);
    Mix master(length);
    double peak = 0;
    for (size_t i = 0; i < length; ++i) {
        const double value = (tracks.dry[i] + tracks.wet[i] + 0.35 * room[i]) *
                             fadeGain(static_cast<double>(i) / kSoundRate);
        master[i] = value;
        peak = std::max(peak, std::fabs(value));
    }

    const double scale = peak > 0 ? kPeakLevel * 32767.0 / peak : 0.0;
    std::vector<int16_t> samples(length);
    for (size_t i = 0; i < length; ++i) {
        samples[i] = static_cast<int16_t>(std::floor(master[i] * scale + 0.5));
    }
    return samples;
}

ByteBuffer encodeWaveMono16(const std::vector<int16_t>& samples, int sampleRate) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    ByteBuffer out;
    out.reserve(44 + dataBytes);
    appendWaveHeader16(out, static_cast<uint32_t>(sampleRate), 1, dataBytes);
    for (int16_t sample : samples) {
        appendU16Le(out, static_cast<uint16_t>(sample));
    }
    return out;
}
