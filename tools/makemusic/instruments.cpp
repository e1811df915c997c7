// tools/makemusic/instruments.cpp -- drums from noise and swept sines, tones from looped additive synthesis.
//
// Looped tones are sums of partials that each make a whole number of cycles over the loop, so the
// loop joins without a click; slow beating between detuned voices and loop-periodic amplitude
// drifts keep them alive. Sample rate 44100 Hz throughout; times below are seconds at that rate.
#include "instruments.h"

#include <cmath>
#include <string>

#include "dsp.h"

namespace song {

namespace {

using dsp::kTwoPi;

constexpr double kRate = 44100.0;
constexpr double kMiddleC = 261.6255653005986; // C-4
constexpr double kC4Rate = 8363.0;             // XM: C-4 plays a sample at this rate

// Relative note and finetune so that note C-4 plays a sample made at `rate` whose pitch is
// `pitchHz` at C-4 pitch (for drums: pitchHz = kMiddleC, they play as made).
void Tune(xm::Sample& s, double rate, double pitchHz)
{
    const double semitones = 12.0 * std::log2(rate * kMiddleC / pitchHz / kC4Rate);
    int steps = static_cast<int>(std::lround(semitones * 128.0));
    s.relativeNote = static_cast<std::int8_t>((steps + 64) >> 7);        // nearest semitone...
    s.finetune = static_cast<std::int8_t>(steps - 128 * s.relativeNote); // ...and the rest
}

xm::Sample Make(const char* name, const std::vector<double>& wave, bool sixteenBit,
                std::uint8_t panning = 128)
{
    xm::Sample s;
    s.name = name;
    s.sixteenBit = sixteenBit;
    s.data = sixteenBit ? dsp::ToPcm16(wave) : dsp::ToPcm8(wave);
    s.panning = panning;
    Tune(s, kRate, kMiddleC);
    return s;
}

xm::Instrument OneSample(const char* name, xm::Sample sample)
{
    xm::Instrument ins;
    ins.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;
}

int Frames(double seconds)
{
    return static_cast<int>(seconds * kRate);
}

// The last `seconds` ramp down to zero so that a sample never ends on a step.
void FadeTail(std::vector<double>& x, double seconds)
{
    const int n = std::min(Frames(seconds), static_cast<int>(x.size()));
    for (int i = 0; i < n; ++i)
        x[x.size() - 1 - static_cast<std::size_t>(i)] *= static_cast<double>(i) / n;
}

// A square wave of frequency f at time t, +1 or -1.
double Square(double f, double t)
{
    const double cycles = f * t;
    return cycles - std::floor(cycles) < 0.5 ? 1.0 : -1.0;
}

std::vector<double> KickWave()
{
    std::vector<double> x(static_cast<std::size_t>(Frames(0.5)));
    dsp::Noise noise(101);
    dsp::Svf click(2800.0, 0.7, kRate);
    double phase = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        // The pitch falls from about 470 Hz to 46 Hz within the first 0.1 s: the thump.
        const double f = 46.0 + 130.0 * dsp::Exp(-t / 0.028) + 300.0 * dsp::Exp(-t / 0.003);
        phase += kTwoPi * f / kRate;
        const double body = dsp::Sin(phase) * (1.0 - dsp::Exp(-t / 0.0008)) *
                            (0.72 * dsp::Exp(-t / 0.30) + 0.28 * dsp::Exp(-t / 0.07));
        click.Run(noise.Next());
        const double tick = click.low * dsp::Exp(-t / 0.003) * 0.7;
        x[i] = dsp::Tanh(3.0 * (body + tick)) / dsp::Tanh(3.0);
    }
    FadeTail(x, 0.02);
    dsp::Normalise(x, 0.98);
    return x;
}

std::vector<double> SnareWave()
{
    std::vector<double> x(static_cast<std::size_t>(Frames(0.42)));
    dsp::Noise noise(202);
    dsp::Svf air(1300.0, 0.7, kRate);
    dsp::Svf crack(4600.0, 1.3, kRate);
    double p1 = 0.0, p2 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = 182.0 * (1.0 + 0.3 * dsp::Exp(-t / 0.010));
        p1 += kTwoPi * f / kRate;
        p2 += kTwoPi * 2.13 * f / kRate;
        const double body = (0.75 * dsp::Sin(p1) + 0.25 * dsp::Sin(p2)) * dsp::Exp(-t / 0.05);
        const double w = noise.Next();
        air.Run(w);
        crack.Run(w);
        // A short crack and a quieter room tail.
        const double wires =
            (0.6 * air.high + 0.55 * crack.band) * (0.85 * dsp::Exp(-t / 0.10) + 0.15 * dsp::Exp(-t / 0.30));
        x[i] = dsp::Tanh(2.5 * (0.65 * body + 0.95 * wires)) * (1.0 - dsp::Exp(-t / 0.0005));
    }
    FadeTail(x, 0.03);
    dsp::Normalise(x, 0.98);
    return x;
}

// Metal: six detuned square waves (the classic drum-machine cymbal) and noise, high-passed.
std::vector<double> MetalWave(double seconds, double decay, double cutoff, std::uint32_t seed)
{
    static const double kFrequencies[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> x(static_cast<std::size_t>(Frames(seconds)));
    dsp::Noise noise(seed);
    dsp::Svf hp1(cutoff, 0.7, kRate), hp2(cutoff, 0.7, kRate), sizzle(9500.0, 0.9, kRate);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double metal = 0.0;
        for (double f : kFrequencies)
            metal += Square(f * 1.7, t);
        const double w = 0.55 * metal / 6.0 + 0.5 * noise.Next();
        hp1.Run(w);
        hp2.Run(hp1.high);
        sizzle.Run(hp2.high);
        x[i] = (hp2.high + 0.6 * sizzle.band) * dsp::Exp(-t / decay) * (1.0 - dsp::Exp(-t / 0.0004));
    }
    FadeTail(x, std::min(0.05, seconds / 4));
    dsp::Normalise(x, 0.98);
    return x;
}

std::vector<double> CrashWave()
{
    std::vector<double> x(static_cast<std::size_t>(Frames(1.8)));
    dsp::Noise noise(404);
    dsp::Svf hp(3200.0, 0.7, kRate), shimmer(7200.0, 0.8, kRate);
    static const double kFrequencies[] = {245.0, 317.0, 423.0, 587.0, 659.0, 831.0, 1013.0, 1297.0};
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double metal = 0.0;
        for (double f : kFrequencies)
            metal += Square(f * 1.3, t);
        const double w = 0.35 * metal / 8.0 + 0.7 * noise.Next();
        hp.Run(w);
        shimmer.Run(hp.high);
        const double env =
            (1.0 - dsp::Exp(-t / 0.003)) * (0.65 * dsp::Exp(-t / 0.35) + 0.35 * dsp::Exp(-t / 0.9));
        x[i] = (0.7 * hp.high + 0.6 * shimmer.band) * env;
    }
    FadeTail(x, 0.15);
    dsp::Normalise(x, 0.98);
    return x;
}

// A sine partial that makes exactly `cycles` cycles every `loop` frames, at frame i: the phase is
// reduced with integers, so it is exact however long the sample.
double LoopSin(std::uint64_t cycles, std::uint64_t i, std::uint64_t loop, double phase)
{
    return dsp::Sin(kTwoPi * static_cast<double>((cycles * i) % loop) / static_cast<double>(loop) + phase);
}

// Bass: a saw through a low-pass whose cutoff closes after the attack (a plucked, round tone),
// plus its fundamental again for weight. One period loops once the filter has settled.
xm::Instrument Bass()
{
    constexpr std::uint64_t kPeriod = 674; // frames: 65.4 Hz, about C-2
    const double f = kRate / kPeriod;
    const std::uint64_t head = static_cast<std::uint64_t>(std::ceil(0.30 * kRate / kPeriod)) * kPeriod;
    const std::uint64_t length = head + 2 * kPeriod;
    std::vector<double> x(length);
    const int harmonics = static_cast<int>(6000.0 / f);
    for (std::uint64_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(std::min(i, head)) / kRate;
        const double cutoff = 320.0 + 2600.0 * dsp::Exp(-t / 0.07);
        double v = 0.6 * LoopSin(1, i, kPeriod, 0.0);
        for (int h = 1; h <= harmonics; ++h) {
            const double r = h * f / cutoff;
            v += LoopSin(static_cast<std::uint64_t>(h), i, kPeriod, 0.0) / h / std::sqrt(1.0 + r * r * r * r);
        }
        x[i] = dsp::Tanh(2.5 * v);
    }
    dsp::Normalise(x, 0.95);
    xm::Sample s = Make("bass", x, true);
    s.loop = xm::Loop::kForward;
    s.loopStart = static_cast<std::uint32_t>(head);
    s.loopLength = static_cast<std::uint32_t>(2 * kPeriod);
    Tune(s, kRate, f);
    xm::Instrument ins = OneSample("Bass", s);
    ins.volumeEnvelope.points = {{0, 64}, {4, 60}, {24, 48}, {64, 44}};
    ins.volumeEnvelope.sustainPoint = 3;
    ins.fadeout = 2048; // released in 16 ticks
    return ins;
}

// A whole chord in one looped sample: each chord tone is three detuned saw voices (about +-5
// cents) with random partial phases; voices swell and ebb a little, in step with the loop.
xm::Instrument Pad(const char* name, const int (&semitones)[5], std::uint32_t seed)
{
    constexpr std::uint64_t kLoop = 65536;     // 1.49 s
    constexpr std::uint64_t kRootCycles = 196; // 131.9 Hz, about C-3
    static const double kToneLevel[5] = {1.0, 0.8, 0.6, 0.7, 0.5};
    static const int kDetune[3] = {-1, 0, 1};
    static const double kVoiceLevel[3] = {0.32, 0.4, 0.32};
    dsp::Noise random(seed);
    std::vector<double> x(kLoop, 0.0);
    for (int tone = 0; tone < 5; ++tone) {
        const auto cycles =
            static_cast<std::uint64_t>(std::nearbyint(kRootCycles * dsp::Pow2(semitones[tone] / 12.0)));
        for (int voice = 0; voice < 3; ++voice) {
            const std::uint64_t c = cycles + static_cast<std::uint64_t>(kDetune[voice] + 1) - 1;
            const double f = static_cast<double>(c) * kRate / kLoop;
            const std::uint64_t drift = 1 + static_cast<std::uint64_t>((tone + voice) % 3);
            const double driftPhase = kTwoPi * (random.Next() + 1.0) / 2.0;
            std::vector<double> swell(kLoop);
            for (std::uint64_t i = 0; i < kLoop; ++i)
                swell[i] = 1.0 + 0.3 * LoopSin(drift, i, kLoop, driftPhase);
            for (int h = 1; h * f < 6000.0; ++h) {
                const double r = h * f / 2400.0;
                const double level = kToneLevel[tone] * kVoiceLevel[voice] / h / (1.0 + r * r);
                const double phase = kTwoPi * (random.Next() + 1.0) / 2.0;
                const auto hc = static_cast<std::uint64_t>(h) * c;
                for (std::uint64_t i = 0; i < kLoop; ++i)
                    x[i] += level * swell[i] * LoopSin(hc, i, kLoop, phase);
            }
        }
    }
    // A gentle saturation: the same peak, a fuller sound.
    dsp::Normalise(x, 1.0);
    for (double& v : x)
        v = dsp::Tanh(1.5 * v);
    dsp::Normalise(x, 0.95);
    xm::Sample s = Make(name, x, true);
    s.loop = xm::Loop::kForward;
    s.loopLength = static_cast<std::uint32_t>(kLoop);
    Tune(s, kRate, static_cast<double>(kRootCycles) * kRate / kLoop);
    xm::Instrument ins = OneSample(name, s);
    ins.volumeEnvelope.points = {{0, 0}, {10, 52}, {20, 64}, {60, 56}};
    ins.volumeEnvelope.sustainPoint = 3;
    ins.fadeout = 900; // released in about 36 ticks (0.9 s)
    return ins;
}

// Lead: three voices between saw and square, brighter for the first 0.12 s, with the player's
// vibrato fading in on held notes.
xm::Instrument Lead()
{
    constexpr std::uint64_t kLoop = 21576;
    constexpr std::uint64_t kCycles = 256; // 523.3 Hz, about C-5
    const auto head = static_cast<std::uint64_t>(Frames(0.12));
    static const int kDetune[3] = {-1, 0, 1};
    static const double kVoiceLevel[3] = {0.3, 0.4, 0.3};
    dsp::Noise random(505);
    std::vector<double> x(head + kLoop, 0.0);
    for (int voice = 0; voice < 3; ++voice) {
        const std::uint64_t c = kCycles + static_cast<std::uint64_t>(kDetune[voice] + 1) - 1;
        const double f = static_cast<double>(c) * kRate / kLoop;
        for (int h = 1; h * f < 10000.0; ++h) {
            const double shape = (h % 2 == 1) ? 1.0 : 0.45; // odd partials stronger: half square
            const double phase = kTwoPi * (random.Next() + 1.0) / 2.0;
            const auto hc = static_cast<std::uint64_t>(h) * c;
            for (std::uint64_t i = 0; i < x.size(); ++i) {
                const double t = static_cast<double>(std::min(i, head)) / kRate;
                const double r = h * f / (3400.0 + 4000.0 * dsp::Exp(-t / 0.05));
                x[i] += kVoiceLevel[voice] * shape / h / (1.0 + r * r) * LoopSin(hc, i, kLoop, phase);
            }
        }
    }
    dsp::Normalise(x, 1.0);
    for (double& v : x)
        v = dsp::Tanh(2.0 * v);
    dsp::Normalise(x, 0.95);
    xm::Sample s = Make("lead", x, true);
    s.loop = xm::Loop::kForward;
    s.loopStart = static_cast<std::uint32_t>(head);
    s.loopLength = static_cast<std::uint32_t>(kLoop);
    Tune(s, kRate, static_cast<double>(kCycles) * kRate / kLoop);
    xm::Instrument ins = OneSample("Lead", s);
    ins.volumeEnvelope.points = {{0, 0}, {1, 60}, {3, 64}, {12, 54}, {40, 50}};
    ins.volumeEnvelope.sustainPoint = 4;
    ins.fadeout = 1600; // released in about 20 ticks
    ins.vibratoType = 0;
    ins.vibratoSweep = 48;
    ins.vibratoDepth = 4;
    ins.vibratoRate = 10;
    return ins;
}

// Bell: a two-operator FM tone whose brightness dies away faster than its body, and a short high
// ping at the strike.
xm::Instrument Bell()
{
    constexpr double kPitch = 2.0 * kMiddleC; // C-5
    std::vector<double> x(static_cast<std::size_t>(Frames(1.2)));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double index = 1.2 * dsp::Exp(-t / 0.18) + 0.25;
        const double body = dsp::Sin(kTwoPi * kPitch * t + index * dsp::Sin(kTwoPi * kPitch * t));
        const double octave = 0.12 * dsp::Sin(kTwoPi * 2.0 * kPitch * t) * dsp::Exp(-t / 0.25);
        const double ping = 0.18 * dsp::Sin(kTwoPi * 7.0 * kPitch * t) * dsp::Exp(-t / 0.03);
        x[i] = (body + octave + ping) * (1.0 - dsp::Exp(-t / 0.002)) * dsp::Exp(-t / 0.45);
    }
    FadeTail(x, 0.05);
    dsp::Normalise(x, 0.95);
    xm::Sample s = Make("bell", x, true);
    Tune(s, kRate, kPitch);
    return OneSample("Bell", s);
}

} // namespace

std::vector<xm::Instrument> MakeInstruments()
{
    static const int kMinorSeventh[5] = {0, 7, 10, 15, 19};
    static const int kMajorAddNine[5] = {0, 7, 14, 16, 19};
    std::vector<xm::Instrument> all;
    all.push_back(OneSample("Kick", Make("kick", KickWave(), true)));
    all.push_back(OneSample("Snare", Make("snare", SnareWave(), true, 120)));
    all.push_back(
        OneSample("Closed hat", Make("closed hat", MetalWave(0.09, 0.022, 7000.0, 303), false, 160)));
    all.push_back(OneSample("Open hat", Make("open hat", MetalWave(0.5, 0.16, 6500.0, 304), false, 160)));
    all.push_back(OneSample("Crash", Make("crash", CrashWave(), true, 100)));
    all.push_back(Bass());
    all.push_back(Pad("Pad minor", kMinorSeventh, 606));
    all.push_back(Pad("Pad major", kMajorAddNine, 707));
    all.push_back(Lead());
    all.push_back(Bell());
    return all;
}

} // namespace song
