// Writes the program's click sound: a soft tick of about 50 ms, as a RIFF WAVE file
// (PCM, one channel, 16 bits, 22050 samples per second, 1079 samples).
//
//   make_click OUTPUT.wav
//
// The sound is computed, not recorded, so the build needs no binary input and every build
// produces the same bytes.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t SampleRate = 22050;
constexpr std::uint16_t Channels = 1;
constexpr std::uint16_t BitsPerSample = 16;
constexpr std::size_t SampleCount = 1079; // 2158 bytes of samples, about 49 ms

// Two detuned partials give a wooden "tock" rather than a pure beep; the lower one decays
// more slowly so the tail is warm, not shrill.
struct Partial {
    double Frequency; // Hz
    double Amplitude; // of full scale
    double Decay;     // time constant, seconds
};
constexpr std::array<Partial, 3> Partials{{
    {1850.0, 0.30, 0.0060},
    {1120.0, 0.22, 0.0110},
    {640.0, 0.10, 0.0140},
}};

constexpr double NoiseAmplitude = 0.10; // a breath of filtered noise marks the onset
constexpr double NoiseDecay = 0.0025;
constexpr double NoiseSmoothing = 0.35;   // one-pole low-pass, 0..1; lower is darker
constexpr double AttackSeconds = 0.0008;  // a raised-cosine rise avoids the hard edge of a pop
constexpr double ReleaseSeconds = 0.0060; // and a fall to exact silence avoids one at the end

double RaisedCosine(double progress) {
    return 0.5 - 0.5 * std::cos(std::numbers::pi * progress);
}

// Gain that rises over the attack and falls over the release; 1 in between.
double Envelope(std::size_t index) {
    const double t = static_cast<double>(index) / SampleRate;
    const double end = static_cast<double>(SampleCount - 1) / SampleRate;
    double gain = 1.0;
    if (t < AttackSeconds)
        gain *= RaisedCosine(t / AttackSeconds);
    if (end - t < ReleaseSeconds)
        gain *= RaisedCosine((end - t) / ReleaseSeconds);
    return gain;
}

double TonalPart(double t) {
    double value = 0.0;
    for (const Partial &partial : Partials)
        value += partial.Amplitude * std::exp(-t / partial.Decay) *
                 std::sin(2.0 * std::numbers::pi * partial.Frequency * t);
    return value;
}

// minstd_rand is fully defined by the standard, unlike the distributions, so the noise (and
// with it the file) is the same with every compiler.
std::vector<double> SmoothedNoise() {
    std::minstd_rand generator(20250307u);
    const double range = static_cast<double>(std::minstd_rand::max() - std::minstd_rand::min());
    std::vector<double> noise(SampleCount);
    double state = 0.0;
    for (double &value : noise) {
        const double white =
            2.0 * static_cast<double>(generator() - std::minstd_rand::min()) / range - 1.0;
        state += NoiseSmoothing * (white - state);
        value = state;
    }
    return noise;
}

std::vector<std::int16_t> SynthesiseClick() {
    const std::vector<double> noise = SmoothedNoise();
    std::vector<std::int16_t> samples(SampleCount);
    for (std::size_t i = 0; i < SampleCount; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        double value = TonalPart(t) + NoiseAmplitude * std::exp(-t / NoiseDecay) * noise[i];
        value = std::clamp(value * Envelope(i), -1.0, 1.0);
        samples[i] = static_cast<std::int16_t>(std::lround(value * 32767.0));
    }
    return samples;
}

// WAVE fields are little-endian whatever the machine.
void PutU16(std::string &out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string WaveFile(const std::vector<std::int16_t> &samples) {
    const std::uint16_t blockAlign = Channels * BitsPerSample / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * blockAlign);
    std::string out;
    out += "RIFF";
    PutU32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    PutU32(out, 16);
    PutU16(out, 1); // PCM
    PutU16(out, Channels);
    PutU32(out, SampleRate);
    PutU32(out, SampleRate * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, BitsPerSample);
    out += "data";
    PutU32(out, dataBytes);
    for (const std::int16_t sample : samples)
        PutU16(out, static_cast<std::uint16_t>(sample));
    return out;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "Usage: make_click OUTPUT.wav\n";
        return 2;
    }
    const std::string bytes = WaveFile(SynthesiseClick());
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::cerr << "make_click: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
