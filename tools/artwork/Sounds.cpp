#include "tools/artwork/Sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/artwork/Encoders.h"

namespace artwork {

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;
// The loudest sample of every chime: about 5 dB below full scale.
constexpr double kPeak = 0.56;

struct Strike {
    double at;         // seconds from the start
    double frequency;  // Hz
    double gain;
};

struct Chime {
    double seconds;       // the file's length
    double decay;         // time constant of the fundamental's fall, seconds
    std::vector<Strike> strikes;
};

// A struck bar: a fundamental and a few quieter partials that fade faster, like a small bell.
struct Partial {
    double ratio, gain, decayScale;
};
constexpr Partial kPartials[] = {{1.0, 1.0, 1.0}, {2.0, 0.32, 0.55}, {3.01, 0.12, 0.35}, {4.23, 0.05, 0.25}};

// Soft onset: a raised cosine over the first 12 ms instead of a click.
constexpr double kAttack = 0.012;
// The last 40 ms fade to silence so that the file ends on zero.
constexpr double kTail = 0.04;

std::vector<int16_t> Render(const Chime& chime) {
    const size_t count = static_cast<size_t>(chime.seconds * kRate);
    std::vector<double> wave(count, 0.0);
    for (const Strike& strike : chime.strikes) {
        for (size_t i = static_cast<size_t>(strike.at * kRate); i < count; ++i) {
            const double t = static_cast<double>(i) / kRate - strike.at;
            const double onset = t < kAttack ? 0.5 - 0.5 * std::cos(kPi * t / kAttack) : 1.0;
            double sample = 0;
            for (const Partial& p : kPartials) {
                sample += p.gain * std::exp(-t / (chime.decay * p.decayScale)) *
                          std::sin(2 * kPi * strike.frequency * p.ratio * t);
            }
            wave[i] += strike.gain * onset * sample;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const double left = static_cast<double>(count - i) / kRate;
        if (left < kTail) wave[i] *= 0.5 - 0.5 * std::cos(kPi * left / kTail);
    }
    double loudest = 0;
    for (double v : wave) loudest = std::max(loudest, std::fabs(v));
    const double scale = loudest > 0 ? kPeak * 32767 / loudest : 0;
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(std::lround(wave[i] * scale));
    return samples;
}

// Equal-tempered pitches.
constexpr double kE5 = 659.26, kG5 = 783.99, kA5 = 880.0, kC6 = 1046.50, kD6 = 1174.66,
                 kE6 = 1318.51, kG6 = 1567.98;
constexpr double kC5 = 523.25;

}  // namespace

std::vector<SoundFile> MakeSounds() {
    // Own sign-in: a rising major arpeggio, the longest and fullest.
    const Chime login{0.9, 0.30, {{0.0, kC5, 0.8}, {0.09, kE5, 0.8}, {0.18, kG5, 0.8}, {0.27, kC6, 1.0}}};
    // A buddy came online: two notes a fourth apart, rising.
    const Chime buddy{0.7, 0.22, {{0.0, kG5, 0.9}, {0.12, kC6, 1.0}}};
    // A chat line: two quick light taps on one high note.
    const Chime chat{0.42, 0.09, {{0.0, kE6, 1.0}, {0.11, kG6, 0.8}}};
    // A memo: a falling third and its answer, slower and lower.
    const Chime memo{0.85, 0.26, {{0.0, kD6, 0.9}, {0.15, kA5, 1.0}, {0.15, kA5 / 2, 0.35}}};
    std::vector<SoundFile> files;
    for (const auto& [name, chime] : {std::pair{"login.wav", login}, {"buddy_login.wav", buddy},
                                      {"recv_chat.wav", chat}, {"recv_memo.wav", memo}}) {
        files.push_back(SoundFile{name, EncodeWav(kRate, Render(chime))});
    }
    return files;
}

}  // namespace artwork
