// The mu-law encoder against the G.711 closed form, the known values and spandsp's encoder.
#include "wav/mulaw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>

namespace {

constexpr int kAllInputs = 65536;

// The closed form, kept apart from the encoder's step-by-step shape: sign bit, exponent from
// the highest set bit of the biased magnitude, four mantissa bits, all complemented.
std::uint8_t ClosedForm(int sample)
{
    const int sign = sample < 0 ? 1 : 0;
    const int magnitude = sign ? -sample - 1 : sample;
    int biased = magnitude + 132;
    if (biased > 32512)
        biased = 32512;
    int highestBit = 0;
    while ((biased >> (highestBit + 1)) != 0)
        ++highestBit;
    const int exponent = highestBit - 7;
    const int mantissa = (biased >> (exponent + 3)) & 15;
    return static_cast<std::uint8_t>(~(sign * 128 + exponent * 16 + mantissa));
}

std::vector<std::int16_t> EveryInput()
{
    std::vector<std::int16_t> samples(kAllInputs);
    for (int i = 0; i < kAllInputs; ++i)
        samples[i] = static_cast<std::int16_t>(i - 32768);
    return samples;
}

std::vector<std::uint8_t> Encode(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size());
    EncodeMuLaw(static_cast<std::uint32_t>(samples.size() * 2), bytes.data(), samples.data());
    return bytes;
}

TEST(MuLawEncoder, EveryInputMatchesClosedForm)
{
    const std::vector<std::int16_t> samples = EveryInput();

    // Long runs go through the encoder's block path, single samples and an unaligned run of
    // odd length through its tail path: both must agree everywhere.
    const std::vector<std::uint8_t> whole = Encode(samples);
    std::vector<std::uint8_t> unaligned(kAllInputs - 1);
    EncodeMuLaw((kAllInputs - 1) * 2, unaligned.data(), samples.data() + 1);

    int mismatches = 0;
    for (int i = 0; i < kAllInputs && mismatches < 10; ++i) {
        const int sample = samples[i];
        const std::uint8_t expected = ClosedForm(sample);
        std::uint8_t single = 0;
        EncodeMuLaw(2, &single, &samples[i]);
        const bool ok = whole[i] == expected && single == expected &&
                        (i == 0 || unaligned[i - 1] == expected);
        EXPECT_TRUE(ok) << "sample " << sample << ": expected " << int(expected) << ", whole "
                        << int(whole[i]) << ", single " << int(single);
        mismatches += ok ? 0 : 1;
    }
}

TEST(MuLawEncoder, KnownValues)
{
    const struct { std::int16_t sample; std::uint8_t byte; } cases[] = {
        {0, 0xFF},      {1, 0xFF},      {100, 0xF2},     {1000, 0xCE},    {8000, 0xA0},
        {32767, 0x80},  {-1, 0x7F},     {-100, 0x73},    {-1000, 0x4E},   {-32768, 0x00},
        // Either side of segment boundaries and of the step into the top code.
        {-2, 0x7F},     {123, 0xF0},    {124, 0xEF},     {-124, 0x70},    {-125, 0x6F},
        {3963, 0xB0},   {3964, 0xAF},   {-3964, 0x30},   {-3965, 0x2F},
        {31611, 0x81},  {31612, 0x80},  {-31612, 0x01},  {-31613, 0x00},
    };
    for (const auto& c : cases) {
        std::uint8_t out = 0x5A;
        EXPECT_EQ(1u, EncodeMuLaw(2, &out, &c.sample)) << "sample " << c.sample;
        EXPECT_EQ(int(c.byte), int(out)) << "sample " << c.sample;
    }
}

TEST(MuLawEncoder, CountsWholeSamplesAndWritesNoFurther)
{
    // Lengths around the encoder's internal block size as well as the small cases.
    const struct { std::uint32_t byteCount; std::uint32_t samples; } cases[] = {
        {0, 0}, {1, 0}, {2, 1}, {5, 2}, {63, 31}, {64, 32}, {65, 32}, {66, 33}, {130, 65},
    };
    std::vector<std::int16_t> in(70);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<std::int16_t>(i * 997 - 30000);
    for (const auto& c : cases) {
        constexpr std::uint8_t kGuard = 0x5A;
        std::vector<std::uint8_t> out(in.size() + 1, kGuard);
        EXPECT_EQ(c.samples, EncodeMuLaw(c.byteCount, out.data(), in.data()))
            << "byteCount " << c.byteCount;
        for (std::uint32_t i = 0; i < c.samples; ++i)
            EXPECT_EQ(int(ClosedForm(in[i])), int(out[i])) << "byteCount " << c.byteCount;
        EXPECT_EQ(kGuard, out[c.samples]) << "byteCount " << c.byteCount << " wrote too far";
    }
}

TEST(MuLawEncoder, AgreesWithSpandspButForNegativeStepBoundaries)
{
    // spandsp takes -x as a negative sample's magnitude; we take ~x (= -x - 1). That moves
    // exactly the 127 negative samples that sit on a step boundary one code up.
    const std::vector<std::int16_t> samples = EveryInput();
    const std::vector<std::uint8_t> ours = Encode(samples);
    int differing = 0;
    for (int i = 0; i < kAllInputs; ++i) {
        const int sample = samples[i];
        const int theirs = linear_to_ulaw(sample);
        if (ours[i] == theirs)
            continue;
        ++differing;
        EXPECT_LT(sample, 0) << "sample " << sample;
        EXPECT_EQ(theirs + 1, int(ours[i])) << "sample " << sample;
    }
    EXPECT_EQ(127, differing);
    EXPECT_EQ(0x72, linear_to_ulaw(-100));
    EXPECT_EQ(0x73, ours[-100 + 32768]);
}

}  // namespace
