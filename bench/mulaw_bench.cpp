// Samples per second of the mu-law encoder on a minute and on an hour of 8 kHz sound, speech-like
// and Gaussian noise, beside a plain loop over the G.711 steps and spandsp's encoder.
#include "wav/mulaw.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>

namespace {

constexpr int kSamplesPerSecond = 8000;
constexpr double kPi = 3.14159265358979323846;

std::int16_t Clamp16(double value)
{
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)));
}

// Voiced syllables of about a fifth of a second, a glottal buzz through three formants, with
// a pause after every few syllables.
std::vector<std::int16_t> Speech(int seconds)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds) * kSamplesPerSecond);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> loudness(2000.0, 12000.0);
    std::uniform_int_distribution<int> syllableMs(120, 300);
    std::size_t at = 0;
    for (int syllable = 0; at < samples.size(); ++syllable) {
        const std::size_t length =
            static_cast<std::size_t>(syllableMs(random)) * kSamplesPerSecond / 1000;
        const double peak = syllable % 5 == 4 ? 30.0 : loudness(random);  // a pause: near silence
        const double pitchHz = 100.0 + 40.0 * std::sin(syllable * 0.7);
        for (std::size_t i = 0; i < length && at < samples.size(); ++i, ++at) {
            const double t = static_cast<double>(at) / kSamplesPerSecond;
            const double envelope =
                std::sin(kPi * static_cast<double>(i) / static_cast<double>(length));
            const double buzz = 0.6 + 0.4 * std::sin(2 * kPi * pitchHz * t);
            const double formants = 0.6 * std::sin(2 * kPi * 700 * t) +
                                    0.3 * std::sin(2 * kPi * 1220 * t) +
                                    0.1 * std::sin(2 * kPi * 2600 * t);
            samples[at] = Clamp16(peak * envelope * envelope * buzz * formants);
        }
    }
    return samples;
}

std::vector<std::int16_t> Noise(int seconds)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds) * kSamplesPerSecond);
    std::mt19937 random(11);
    std::normal_distribution<double> gauss(0.0, 3000.0);
    for (auto& sample : samples)
        sample = Clamp16(gauss(random));
    return samples;
}

// The G.711 steps one by one, as a straightforward implementation would write them.
std::uint32_t EncodePlainSteps(std::uint32_t byteCount, std::uint8_t* out, const std::int16_t* in)
{
    const std::uint32_t sampleCount = byteCount / 2;
    for (std::uint32_t i = 0; i < sampleCount; ++i) {
        int x = in[i];
        int m, t;
        if (x >= 0) {
            m = x;
            t = 0xEF;
        } else {
            m = ~x;
            t = 0x6F;
        }
        m += 132;
        if (m > 32512)
            m = 32512;
        m >>= 3;
        if (m >= 256) {
            m >>= 4;
            t ^= 0x40;
        }
        if (m >= 64) {
            m >>= 2;
            t ^= 0x20;
        }
        if (m >= 32) {
            m >>= 1;
            t ^= 0x10;
        }
        out[i] = static_cast<std::uint8_t>(t ^ m);
    }
    return sampleCount;
}

std::uint32_t EncodeSpandsp(std::uint32_t byteCount, std::uint8_t* out, const std::int16_t* in)
{
    const std::uint32_t sampleCount = byteCount / 2;
    for (std::uint32_t i = 0; i < sampleCount; ++i)
        out[i] = linear_to_ulaw(in[i]);
    return sampleCount;
}

using Encoder = std::uint32_t (*)(std::uint32_t, std::uint8_t*, const std::int16_t*);

void Encode(benchmark::State& state, Encoder encode, const std::vector<std::int16_t>* clip)
{
    const auto byteCount = static_cast<std::uint32_t>(clip->size() * 2);
    std::vector<std::uint8_t> out(clip->size());
    for (auto _ : state) {
        encode(byteCount, out.data(), clip->data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(clip->size()));

    // A fast encoder is only worth its figure if it gives the steps' bytes.
    std::vector<std::uint8_t> reference(clip->size());
    EncodePlainSteps(byteCount, reference.data(), clip->data());
    if (encode != EncodeSpandsp && out != reference)
        state.SkipWithError("output differs from the G.711 steps");
}

}  // namespace

int main(int argc, char** argv)
{
    static const std::vector<std::int16_t> speechMinute = Speech(60), noiseMinute = Noise(60);
    static const std::vector<std::int16_t> speechHour = Speech(3600), noiseHour = Noise(3600);
    const struct { const char* name; const std::vector<std::int16_t>* samples; } clips[] = {
        {"speech_60s", &speechMinute}, {"noise_60s", &noiseMinute},
        {"speech_1h", &speechHour},    {"noise_1h", &noiseHour},
    };
    const struct { const char* name; Encoder encode; } encoders[] = {
        {"EncodeMuLaw", EncodeMuLaw}, {"PlainSteps", EncodePlainSteps}, {"spandsp", EncodeSpandsp},
    };
    for (const auto& clip : clips)
        for (const auto& encoder : encoders)
            benchmark::RegisterBenchmark((std::string(encoder.name) + "/" + clip.name).c_str(),
                                         Encode, encoder.encode, clip.samples)
                ->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
