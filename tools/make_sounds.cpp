// Synthesises the game's two sounds as 16-bit mono PCM .wav files at 22050 Hz:
//
//   DiceMove.wav   a short woody tock as a die tips over
//   DiceMatch.wav  a bright rising three-note chime when a group sinks
//
//   make_sounds [OUTPUT_FOLDER]    (the current folder by default)
//
// Noise comes from a fixed linear congruential generator, so the files come
// out the same every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "little_endian.h"

namespace {

const int Rate = 22050;
const double Pi = 3.14159265358979323846;
const double Peak = 0.7079;  // -3 dBFS

// White noise in -1..1 from a 32-bit linear congruential generator.
struct Noise {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 8388607.5 - 1.0;
    }
};

// Seconds from the start of sample i.
double Time(int i) { return i / static_cast<double>(Rate); }

// A decaying sine partial: zero before `start`, then amplitude * e^(-t / decay).
double Partial(double t, double start, double frequency, double amplitude, double decay) {
    if (t < start) return 0;
    double age = t - start;
    return amplitude * std::exp(-age / decay) * std::sin(2 * Pi * frequency * age);
}

// Raises the first `in` samples and lowers the last `out` on half a cosine,
// so the sound starts and ends at silence without a click.
void Fade(std::vector<double>& samples, int in, int out) {
    const int n = static_cast<int>(samples.size());
    for (int i = 0; i < in && i < n; ++i) samples[i] *= 0.5 - 0.5 * std::cos(Pi * i / in);
    for (int i = 0; i < out && i < n; ++i) samples[n - 1 - i] *= 0.5 - 0.5 * std::cos(Pi * i / out);
}

// Scales the samples so the loudest one sits at Peak.
void Normalise(std::vector<double>& samples) {
    double loudest = 0;
    for (double s : samples) loudest = std::max(loudest, std::abs(s));
    if (loudest > 0)
        for (double& s : samples) s *= Peak / loudest;
}

// The tock: a burst of low-passed noise for the knock of the edge on the
// board, over two damped low tones for the body of the die.
std::vector<double> DiceMove() {
    std::vector<double> samples(static_cast<int>(0.11 * Rate));
    Noise noise{0x4b3d1f07u};
    double low = 0, lower = 0;
    for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
        double t = Time(i);
        low += 0.35 * (noise.Next() - low);  // two one-pole low-pass stages
        lower += 0.35 * (low - lower);
        double knock = lower * 1.6 * std::exp(-t / 0.006);
        double body = Partial(t, 0, 196, 0.55, 0.030) + Partial(t, 0, 463, 0.30, 0.014) +
                      Partial(t, 0, 1120, 0.10, 0.005);
        samples[i] = knock + body;
    }
    Fade(samples, 24, 220);
    Normalise(samples);
    return samples;
}

// One bell-like note: a fundamental and a few softer, quicker partials, the
// odd 2.76 one giving the metallic shimmer.
double Bell(double t, double start, double frequency) {
    const double attack = 0.004;
    if (t < start) return 0;
    double rise = std::min(1.0, (t - start) / attack);
    return rise * (Partial(t, start, frequency, 1.0, 0.22) + Partial(t, start, frequency * 2, 0.28, 0.12) +
                   Partial(t, start, frequency * 2.76, 0.14, 0.07) + Partial(t, start, frequency * 4.07, 0.05, 0.04));
}

// The chime: G, B and D rising, each note ringing on under the next.
std::vector<double> DiceMatch() {
    std::vector<double> samples(static_cast<int>(0.6 * Rate));
    // Start in seconds, frequency in Hz, loudness; the top note a little louder.
    const double notes[3][3] = {{0.0, 783.99, 0.8}, {0.075, 987.77, 0.8}, {0.15, 1174.66, 1.0}};
    for (int i = 0; i < static_cast<int>(samples.size()); ++i)
        for (const auto& note : notes) samples[i] += Bell(Time(i), note[0], note[1]) * note[2];
    Fade(samples, 16, 1100);
    Normalise(samples);
    return samples;
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

bool WriteWave(const std::string& name, const std::vector<double>& samples) {
    const unsigned dataBytes = static_cast<unsigned>(samples.size()) * 2;
    std::vector<uint8_t> wav;
    PutTag(wav, "RIFF");
    Put32(wav, 36 + dataBytes);
    PutTag(wav, "WAVE");
    PutTag(wav, "fmt ");
    Put32(wav, 16);
    Put16(wav, 1);  // PCM
    Put16(wav, 1);  // mono
    Put32(wav, Rate);
    Put32(wav, Rate * 2);  // bytes per second
    Put16(wav, 2);         // bytes per sample
    Put16(wav, 16);        // bits per sample
    PutTag(wav, "data");
    Put32(wav, dataBytes);
    for (double s : samples) {
        long v = std::clamp(std::lround(s * 32767), -32767L, 32767L);
        Put16(wav, static_cast<unsigned>(v) & 0xFFFF);
    }

    return WriteBytes(name.c_str(), wav);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_sounds [OUTPUT_FOLDER]\n");
        return 2;
    }
    std::string folder = argc == 2 ? std::string(argv[1]) + "/" : "";
    bool written = WriteWave(folder + "DiceMove.wav", DiceMove());
    written = WriteWave(folder + "DiceMatch.wav", DiceMatch()) && written;
    return written ? 0 : 1;
}
