// The soundtrack synthesiser: a four-chord piece in A minor (Am F C G, one chord per bar) at 16
// stored frames per beat. Pads and an arpeggio open it, kick, bass and hats come in at bar 4,
// the snare at bar 12, the lead melody at bar 20; it ends on one last chord at bar 32. Every
// voice is computed from formulas and a private noise generator, so the output never varies.
#include "tools/make_show/music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include <lame/lame.h>

#include "tools/make_show/show_timing.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPieceBars = 32;        // bars of the chord progression
constexpr double kTailBeats = 5.0;    // the final chord rings on after bar 32

double beatTime(double beat) { return beat * kSecondsPerBeat; }
int64_t beatSample(double beat) { return static_cast<int64_t>(std::llround(beatTime(beat) * kMusicSampleRate)); }
double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// A private xorshift generator for noise, so that the show's shared generator is never touched.
struct Noise {
    uint32_t s;
    explicit Noise(uint32_t seed) : s(seed ? seed : 1) {}
    double next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return (s / 2147483647.5) - 1.0;
    }
};

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Osc {
    double phase = 0.0;
    double saw(double hz) {
        double dt = hz / kMusicSampleRate;
        double v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double square(double hz) {
        double dt = hz / kMusicSampleRate;
        double v = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(std::fmod(phase + 0.5, 1.0), dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double sine(double hz) {
        double v = std::sin(2.0 * kPi * phase);
        phase += hz / kMusicSampleRate;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// Topology-preserving state-variable filter.
struct Svf {
    double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
    void set(double hz, double q) {
        hz = std::clamp(hz, 20.0, kMusicSampleRate * 0.45);
        double g = std::tan(kPi * hz / kMusicSampleRate);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    // Returns low, writes band and high.
    double run(double v0, double* band = nullptr, double* high = nullptr) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        if (band) *band = v1;
        if (high) *high = v0 - k * v1 - v2;
        return v2;
    }
};

// Linear attack, decay to sustain, release after the note's length.
double adsr(double t, double length, double a, double d, double s, double r) {
    auto held = [&](double x) {
        if (x < a) return x / a;
        if (x < a + d) return 1.0 - (1.0 - s) * (x - a) / d;
        return s;
    };
    if (t < length) return held(t);
    double level = held(length);
    double x = 1.0 - (t - length) / r;
    return x > 0.0 ? level * x : 0.0;
}

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
    size_t size() const { return l.size(); }
    void add(int64_t i, double vl, double vr) {
        if (i < 0 || static_cast<size_t>(i) >= l.size()) return;
        l[i] += static_cast<float>(vl);
        r[i] += static_cast<float>(vr);
    }
};

// Chords of the four-bar loop: pad voicing and bass root.
struct Chord {
    int pad[4];
    int bass;
    int arp[4];
};
const Chord kChords[4] = {
    {{57, 60, 64, 69}, 33, {69, 72, 76, 81}},  // A minor
    {{53, 57, 60, 65}, 29, {65, 69, 72, 77}},  // F major
    {{55, 60, 64, 67}, 36, {67, 72, 76, 79}},  // C major
    {{55, 59, 62, 67}, 31, {67, 71, 74, 79}},  // G major
};
const Chord& chordOfBar(int bar) { return kChords[bar % 4]; }

void renderPad(Stereo& out, double startBeat, double beats, int note, double gain, double brightness) {
    const double attack = 0.35, decay = 0.6, sustain = 0.75, release = 1.1;
    double length = beatTime(beats);
    int64_t first = beatSample(startBeat);
    int64_t count = static_cast<int64_t>((length + release) * kMusicSampleRate);
    Osc osc[3];
    const double detune[3] = {-0.09, 0.0, 0.085};
    const double pan[3] = {0.2, 0.5, 0.8};
    for (int v = 0; v < 3; ++v) osc[v].phase = 0.13 * v + 0.01 * (note % 7);
    Svf filter[2];
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        if ((i & 31) == 0) {
            double cutoff = 500.0 + brightness * (700.0 + 300.0 * std::sin(2.0 * kPi * 0.23 * (beatTime(startBeat) + t)));
            filter[0].set(cutoff, 0.8);
            filter[1].set(cutoff, 0.8);
        }
        double e = adsr(t, length, attack, decay, sustain, release) * gain;
        if (e <= 0.0 && t > length) break;
        double hz = midiHz(note);
        double l = 0, r = 0;
        for (int v = 0; v < 3; ++v) {
            double s = osc[v].saw(hz * std::pow(2.0, detune[v] / 12.0));
            l += s * (1.0 - pan[v]);
            r += s * pan[v];
        }
        out.add(first + i, filter[0].run(l) * e, filter[1].run(r) * e);
    }
}

void renderBass(Stereo& out, double startBeat, double beats, int note, double gain) {
    double length = beatTime(beats);
    int64_t first = beatSample(startBeat);
    int64_t count = static_cast<int64_t>((length + 0.06) * kMusicSampleRate);
    Osc saw, sub;
    Svf filter;
    double hz = midiHz(note);
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        if ((i & 15) == 0) filter.set(180.0 + 900.0 * std::exp(-t * 18.0), 1.1);
        double e = adsr(t, length, 0.004, 0.12, 0.65, 0.05) * gain;
        double s = 0.6 * saw.saw(hz) + 0.7 * sub.sine(hz);
        double v = std::tanh(1.4 * filter.run(s)) * e;
        out.add(first + i, v, v);
    }
}

void renderKick(Stereo& out, double beat, double gain, Noise& noise) {
    int64_t first = beatSample(beat);
    int64_t count = static_cast<int64_t>(0.45 * kMusicSampleRate);
    double phase = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        double hz = 46.0 + 120.0 * std::exp(-t * 30.0);
        phase += hz / kMusicSampleRate;
        double body = std::sin(2.0 * kPi * phase) * std::exp(-t * 6.0);
        double click = t < 0.003 ? noise.next() * (1.0 - t / 0.003) * 0.3 : 0.0;
        double v = std::tanh(1.6 * (body + click)) * gain;
        out.add(first + i, v, v);
    }
}

void renderSnare(Stereo& out, double beat, double gain, Noise& noise) {
    int64_t first = beatSample(beat);
    int64_t count = static_cast<int64_t>(0.32 * kMusicSampleRate);
    Svf band;
    band.set(2800.0, 0.6);
    Osc tone1, tone2;
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        double b = 0.0;
        band.run(noise.next(), &b);
        double v = (b * 1.4 * std::exp(-t * 15.0) + tone1.sine(188.0) * 0.55 * std::exp(-t * 24.0) +
                    tone2.sine(331.0) * 0.2 * std::exp(-t * 32.0)) * gain;
        out.add(first + i, v * 0.95, v);
    }
}

void renderHat(Stereo& out, double beat, double gain, bool open, Noise& noise) {
    int64_t first = beatSample(beat);
    double decay = open ? 9.0 : 55.0;
    int64_t count = static_cast<int64_t>((open ? 0.4 : 0.09) * kMusicSampleRate);
    Svf hp;
    hp.set(7800.0, 0.7);
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        double h = 0.0;
        hp.run(noise.next(), nullptr, &h);
        double v = h * std::exp(-t * decay) * gain;
        out.add(first + i, v * 0.8, v);
    }
}

void renderCrash(Stereo& out, double beat, double gain, Noise& noise) {
    int64_t first = beatSample(beat);
    int64_t count = static_cast<int64_t>(2.2 * kMusicSampleRate);
    Svf hpL, hpR;
    hpL.set(4500.0, 0.6);
    hpR.set(4700.0, 0.6);
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        double l = 0.0, r = 0.0;
        hpL.run(noise.next(), nullptr, &l);
        hpR.run(noise.next(), nullptr, &r);
        double e = std::exp(-t * 2.3) * gain;
        out.add(first + i, l * e, r * e);
    }
}

void renderPluck(Stereo& out, double beat, double beats, int note, double gain, double pan) {
    double length = beatTime(beats);
    int64_t first = beatSample(beat);
    int64_t count = static_cast<int64_t>((length + 0.25) * kMusicSampleRate);
    Osc osc;
    Svf filter;
    double hz = midiHz(note);
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        if ((i & 15) == 0) filter.set(900.0 + 3800.0 * std::exp(-t * 14.0), 0.9);
        double e = std::exp(-t * 9.0) * adsr(t, length, 0.002, 0.01, 1.0, 0.25) * gain;
        double v = filter.run(osc.square(hz)) * e;
        out.add(first + i, v * (1.0 - pan), v * pan);
    }
}

void renderLead(Stereo& out, double beat, double beats, int note, double gain) {
    double length = beatTime(beats);
    int64_t first = beatSample(beat);
    int64_t count = static_cast<int64_t>((length + 0.3) * kMusicSampleRate);
    Osc a, b;
    Svf filter;
    filter.set(2600.0, 0.7);
    double hz = midiHz(note);
    for (int64_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kMusicSampleRate;
        double vib = 1.0 + 0.004 * std::sin(2.0 * kPi * 5.2 * t) * std::min(1.0, t * 2.5);
        double e = adsr(t, length, 0.03, 0.2, 0.8, 0.3) * gain;
        double s = 0.55 * a.saw(hz * vib) + 0.45 * b.square(hz * vib * 1.003);
        double v = filter.run(s) * e;
        out.add(first + i, v * 0.55, v * 0.45);
    }
}

// Stereo ping-pong delay of a bus, mixed into out.
void addPingPong(Stereo& out, const Stereo& in, double delayBeats, double feedback, double wet) {
    size_t d = static_cast<size_t>(beatTime(delayBeats) * kMusicSampleRate);
    std::vector<float> bl(d, 0.0f), br(d, 0.0f);
    size_t p = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double dl = bl[p], dr = br[p];
        double inMono = 0.5 * (in.l[i] + in.r[i]);
        bl[p] = static_cast<float>(inMono + dr * feedback);
        br[p] = static_cast<float>(dl * feedback);
        out.l[i] += static_cast<float>(dl * wet);
        out.r[i] += static_cast<float>(dr * wet);
        p = (p + 1) % d;
    }
}

// A small Schroeder reverb (four damped combs and two all-passes per side), mixed into out.
void addReverb(Stereo& out, const Stereo& in, double wet) {
    const int combLen[4] = {1116, 1188, 1277, 1356};
    const int apLen[2] = {556, 441};
    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& src = side == 0 ? in.l : in.r;
        std::vector<float>& dst = side == 0 ? out.l : out.r;
        int spread = side * 23;
        std::vector<std::vector<float>> comb(4), ap(2);
        std::vector<size_t> cp(4, 0), app(2, 0);
        std::vector<double> store(4, 0.0);
        for (int c = 0; c < 4; ++c) comb[c].assign(combLen[c] + spread, 0.0f);
        for (int a = 0; a < 2; ++a) ap[a].assign(apLen[a] + spread, 0.0f);
        for (size_t i = 0; i < src.size(); ++i) {
            double x = src[i] * 0.3;
            double sum = 0.0;
            for (int c = 0; c < 4; ++c) {
                double y = comb[c][cp[c]];
                store[c] = y * 0.7 + store[c] * 0.3;
                comb[c][cp[c]] = static_cast<float>(x + store[c] * 0.82);
                cp[c] = (cp[c] + 1) % comb[c].size();
                sum += y;
            }
            for (int a = 0; a < 2; ++a) {
                double b = ap[a][app[a]];
                ap[a][app[a]] = static_cast<float>(sum + b * 0.5);
                app[a] = (app[a] + 1) % ap[a].size();
                sum = b - sum;
            }
            dst[i] += static_cast<float>(sum * wet);
        }
    }
}

}  // namespace

double musicSeconds() { return beatTime(kPieceBars * kBeatsPerBar + kTailBeats); }

namespace {

// Pads: one chord per bar, the last one (bar 32, back on A minor) held into the tail.
void addPads(Stereo& music, Stereo& verbIn) {
    for (int bar = 0; bar <= kPieceBars; ++bar) {
        const Chord& c = chordOfBar(bar);
        bool last = bar == kPieceBars;
        double beats = last ? kTailBeats - 1.5 : kBeatsPerBar;
        double gain = bar < 4 ? 0.06 + 0.004 * bar : 0.07;
        double bright = bar < 4 ? 0.3 + 0.2 * bar : (bar >= 20 && bar < 28 ? 1.2 : 0.9);
        for (int v = 0; v < 4; ++v) {
            renderPad(music, bar * kBeatsPerBar, beats, c.pad[v], gain, bright);
            renderPad(verbIn, bar * kBeatsPerBar, beats, c.pad[v], gain * 0.5, bright);
        }
    }
}

// Bass: pumping eighths with octave jumps from bar 4 to bar 29, long notes after.
void addBass(Stereo& music) {
    for (int bar = 4; bar <= kPieceBars; ++bar) {
        int root = chordOfBar(bar).bass;
        if (bar >= 30) {
            renderBass(music, bar * kBeatsPerBar, bar == kPieceBars ? 3.0 : 3.8, root, 0.26);
            continue;
        }
        for (int e = 0; e < 8; ++e) {
            int note = (e == 3 || e == 7) ? root + 12 : root;
            renderBass(music, bar * kBeatsPerBar + e * 0.5, 0.42, note, e % 2 == 0 ? 0.3 : 0.24);
        }
    }
}

// Arpeggio: sixteenths over the chord tones from bar 2 on, through a ping-pong delay.
void addArpeggio(Stereo& music, Stereo& sends) {
    const int arpPattern[8] = {0, 1, 2, 1, 3, 1, 2, 1};
    for (int bar = 2; bar < kPieceBars; ++bar) {
        const Chord& c = chordOfBar(bar);
        double gain = bar < 4 ? 0.035 : (bar < 12 ? 0.05 : 0.06);
        if (bar >= 28) gain = 0.06 - 0.008 * (bar - 28);
        for (int s = 0; s < 16; ++s) {
            int note = c.arp[arpPattern[s % 8]] - (bar >= 12 && bar < 20 && s % 4 == 3 ? 12 : 0);
            double pan = 0.35 + 0.3 * ((s % 3) / 2.0);
            renderPluck(music, bar * kBeatsPerBar + s * 0.25, 0.2, note, gain, pan);
            renderPluck(sends, bar * kBeatsPerBar + s * 0.25, 0.2, note, gain, pan);
        }
    }
}

// Lead melody over bars 20 to 27 (two passes of the four chords).
void addLead(Stereo& music, Stereo& sends) {
    struct MelodyNote {
        double beat, beats;
        int note;
    };
    const MelodyNote passA[] = {
        {0, 1, 69}, {1, 0.5, 72}, {1.5, 1.5, 76}, {3, 1, 74},            // Am
        {4, 1.5, 72}, {5.5, 0.5, 74}, {6, 1, 72}, {7, 1, 69},            // F
        {8, 1, 67}, {9, 1, 72}, {10, 1.5, 76}, {11.5, 0.5, 79},          // C
        {12, 2, 74}, {14, 1, 71}, {15, 1, 74},                           // G
    };
    const MelodyNote passB[] = {
        {0, 1, 76}, {1, 0.5, 74}, {1.5, 1.5, 72}, {3, 1, 76},            // Am
        {4, 1.5, 77}, {5.5, 0.5, 76}, {6, 1, 72}, {7, 1, 69},            // F
        {8, 1, 67}, {9, 1, 72}, {10, 1.5, 76}, {11.5, 0.5, 79},          // C
        {12, 1, 71}, {13, 1, 74}, {14, 2, 76},                           // G, up to E
    };
    for (const MelodyNote& m : passA) {
        renderLead(music, 20 * kBeatsPerBar + m.beat, m.beats * 0.92, m.note, 0.075);
        renderLead(sends, 20 * kBeatsPerBar + m.beat, m.beats * 0.92, m.note, 0.075);
    }
    for (const MelodyNote& m : passB) {
        renderLead(music, 24 * kBeatsPerBar + m.beat, m.beats * 0.92, m.note, 0.075);
        renderLead(sends, 24 * kBeatsPerBar + m.beat, m.beats * 0.92, m.note, 0.075);
    }
}

// Drums; returns the beats of the kicks.
std::vector<double> addDrums(Stereo& drums, Noise& noise) {
    std::vector<double> kickBeats;
    for (int bar = 4; bar < 30; ++bar) {
        for (int b = 0; b < 4; ++b) {
            bool roll = (bar == 19 || bar == 27) && b >= 2;
            if (!roll) kickBeats.push_back(bar * kBeatsPerBar + b);
            if (bar >= 12 && (b == 1 || b == 3) && !roll) renderSnare(drums, bar * kBeatsPerBar + b, 0.32, noise);
            for (int e = 0; e < 2; ++e) {
                double at = bar * kBeatsPerBar + b + e * 0.5;
                bool open = e == 1 && b == 3 && bar % 2 == 1;
                if (e == 1 || bar >= 20) renderHat(drums, at, open ? 0.07 : 0.1, open, noise);
                if (bar >= 20 && bar < 28) renderHat(drums, at + 0.25, 0.05, false, noise);
            }
        }
        if (bar == 19 || bar == 27) {
            for (int s = 0; s < 8; ++s)
                renderSnare(drums, bar * kBeatsPerBar + 2 + s * 0.25, 0.12 + 0.03 * s, noise);
        }
    }
    kickBeats.push_back(kPieceBars * kBeatsPerBar);
    for (double b : kickBeats) renderKick(drums, b, 0.7, noise);
    for (int bar : {4, 12, 20, 24, 30, kPieceBars}) renderCrash(drums, bar * kBeatsPerBar, 0.16, noise);
    return kickBeats;
}

// Side-chain: the music ducks under every kick; the gain of each of n samples.
std::vector<float> duckUnderKicks(const std::vector<double>& kickBeats, size_t n) {
    std::vector<float> duck(n, 1.0f);
    for (double b : kickBeats) {
        int64_t first = beatSample(b);
        int64_t len = static_cast<int64_t>(0.4 * kMusicSampleRate);
        for (int64_t i = 0; i < len && first + i < static_cast<int64_t>(n); ++i) {
            double t = static_cast<double>(i) / kMusicSampleRate;
            duck[first + i] = std::min(duck[first + i], static_cast<float>(1.0 - 0.5 * std::exp(-t * 9.0)));
        }
    }
    return duck;
}

// The delay and reverb sends, the ducked music and the drums mixed, soft-clipped, normalised to
// -1 dBFS with the very end faded out: interleaved 16-bit stereo.
std::vector<int16_t> mixDown(const Stereo& music, const Stereo& drums, const Stereo& sends, const Stereo& verbIn,
                             const std::vector<float>& duck, size_t n) {
    Stereo mix(n);
    addPingPong(mix, sends, 0.75, 0.38, 0.45);
    addReverb(mix, verbIn, 0.6);
    addReverb(mix, sends, 0.5);
    for (size_t i = 0; i < n; ++i) {
        mix.l[i] = mix.l[i] * duck[i] + music.l[i] * duck[i] + drums.l[i];
        mix.r[i] = mix.r[i] * duck[i] + music.r[i] * duck[i] + drums.r[i];
    }

    // Soft clip, normalise to -1 dBFS and fade the very end out.
    double peak = 1e-9;
    for (size_t i = 0; i < n; ++i) {
        mix.l[i] = static_cast<float>(std::tanh(mix.l[i] * 1.2));
        mix.r[i] = static_cast<float>(std::tanh(mix.r[i] * 1.2));
        peak = std::max(peak, static_cast<double>(std::max(std::fabs(mix.l[i]), std::fabs(mix.r[i]))));
    }
    double scale = 0.89 / peak;
    size_t fade = static_cast<size_t>(0.5 * kMusicSampleRate);
    std::vector<int16_t> out(2 * n);
    for (size_t i = 0; i < n; ++i) {
        double g = scale;
        if (i + fade > n) g *= static_cast<double>(n - i) / fade;
        out[2 * i] = static_cast<int16_t>(std::lround(std::clamp(mix.l[i] * g, -1.0, 1.0) * 32767.0));
        out[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(mix.r[i] * g, -1.0, 1.0) * 32767.0));
    }
    return out;
}

}  // namespace

std::vector<int16_t> synthesizeMusic() {
    const size_t n = static_cast<size_t>(musicSeconds() * kMusicSampleRate);
    Stereo drums(n), music(n), sends(n), verbIn(n);
    Noise noise(0x5eed1234u);
    addPads(music, verbIn);
    addBass(music);
    addArpeggio(music, sends);
    addLead(music, sends);
    const std::vector<double> kickBeats = addDrums(drums, noise);
    const std::vector<float> duck = duckUnderKicks(kickBeats, n);
    return mixDown(music, drums, sends, verbIn, duck, n);
}

bool writeMp3(const std::vector<int16_t>& stereo, const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) return fail("lame_init failed");
    lame_set_in_samplerate(lame.get(), kMusicSampleRate);
    lame_set_out_samplerate(lame.get(), kMusicSampleRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_brate(lame.get(), 192);
    lame_set_quality(lame.get(), 2);
    if (lame_init_params(lame.get()) < 0) return fail("lame_init_params failed");

    FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) return fail("cannot create " + path);
    const int frames = static_cast<int>(stereo.size() / 2);
    const int chunk = 8192;
    std::vector<unsigned char> buffer(static_cast<size_t>(1.25 * chunk + 7200));
    bool ok = true;
    for (int at = 0; at < frames && ok; at += chunk) {
        int count = std::min(chunk, frames - at);
        int bytes = lame_encode_buffer_interleaved(lame.get(), const_cast<short*>(stereo.data() + 2 * at), count,
                                                   buffer.data(), static_cast<int>(buffer.size()));
        if (bytes < 0 || std::fwrite(buffer.data(), 1, bytes, f) != static_cast<size_t>(bytes)) ok = false;
    }
    if (ok) {
        int bytes = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
        if (bytes < 0 || std::fwrite(buffer.data(), 1, bytes, f) != static_cast<size_t>(bytes)) ok = false;
    }
    if (ok) lame_mp3_tags_fid(lame.get(), f);  // fills in the leading Info frame (length, gapless data)
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::remove(path.c_str());
        return fail("writing " + path + " failed");
    }
    return true;
}
