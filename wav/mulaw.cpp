// G.711 mu-law encoder, written without branches or tables so that the compiler can encode
// many samples per instruction.
#include "wav/mulaw.h"

#include <cstring>

namespace {

// The byte is the complement of  sign << 7 | segment << 4 | step,  where for a sample x
//
//   sign      1 for negative x, whose magnitude is then ~x (= -x - 1), else 0 and x
//   biased    magnitude + 132, at most 32512                         -> 132 .. 32512
//   segment   position of the highest set bit of biased, less 7       -> 0 .. 7
//   step      the four bits of biased right below that highest bit   -> 0 .. 15
//
// The complement, not the negation, is the magnitude of a negative sample: saved files have
// always been written that way, so boundary samples such as -100 give 0x73.
//
// A float holds every biased magnitude exactly, normalised: its exponent field is the
// position of the highest set bit plus 127, and the top four bits of its mantissa are the
// step. So (float bits >> 19) is (segment + 134) << 4 | step, with no search for the
// segment, and int-to-float conversion is one vector instruction on every current CPU.
constexpr int kBias = 0x84;
constexpr int kClipBeforeBias = 0x7F00 - kBias;  // 32512 is the largest biased magnitude
constexpr int kMantissaShift = 23 - 4;           // keeps the exponent and the step
constexpr int kSegmentOffset = (127 + 7) << 4;   // float exponent bias plus 7

inline std::uint8_t EncodeSample(std::int16_t sample)
{
    // All ones for a negative sample, so it serves as a mask and as the complement.
    const auto negative = static_cast<std::int16_t>(-static_cast<int>(sample < 0));
    auto magnitude = static_cast<std::int16_t>(sample ^ negative);
    if (magnitude > kClipBeforeBias)
        magnitude = kClipBeforeBias;  // clamping before the bias stays inside 16 bits

    const auto biased = static_cast<float>(magnitude + kBias);
    std::uint32_t bits;
    std::memcpy(&bits, &biased, sizeof bits);
    const int segmentAndStep = static_cast<int>(bits >> kMantissaShift) - kSegmentOffset;

    return static_cast<std::uint8_t>(~((negative & 0x80) | segmentAndStep));
}

// A fixed-length block with non-overlapping pointers is a loop the compiler vectorises even
// at -O2, where it will not add run-time alias checks or a remainder loop of its own.
constexpr std::uint32_t kBlockSamples = 32;

inline void EncodeBlock(std::uint8_t* __restrict out, const std::int16_t* __restrict in)
{
    for (std::uint32_t k = 0; k < kBlockSamples; ++k)
        out[k] = EncodeSample(in[k]);
}

}  // namespace

std::uint32_t EncodeMuLaw(std::uint32_t byteCount, std::uint8_t* out, const std::int16_t* in)
{
    const std::uint32_t sampleCount = byteCount >> 1;  // an odd last byte is no sample
    std::uint32_t i = 0;
    for (; sampleCount - i >= kBlockSamples; i += kBlockSamples)
        EncodeBlock(out + i, in + i);
    for (; i < sampleCount; ++i)
        out[i] = EncodeSample(in[i]);
    return sampleCount;
}
