// G.711 mu-law encoder, written without branches or tables so that the compiler can encode
// many samples per instruction.
#include "wav/mulaw.h"

namespace {

// Each sample walks the G.711 compression steps with every decision taken as a mask:
//
//   sign      negative x: magnitude ~x (= -x - 1), template 0x6F; otherwise x and 0xEF
//   bias      magnitude + 132, at most 32512, then >> 3        -> 16 .. 4064
//   segment   >= 256: >> 4, template ^ 0x40
//             >=  64: >> 2, template ^ 0x20
//             >=  32: >> 1, template ^ 0x10                     -> 16 .. 31
//   byte      template ^ magnitude
//
// The complement, not the negation, is the magnitude of a negative sample: saved files have
// always been written that way, so boundary samples such as -100 give 0x73.
// Every intermediate fits in 16 bits, so the compiler can use the narrowest vector lanes.
constexpr int kBias = 0x84;
constexpr int kClipBeforeBias = 0x7F00 - kBias;  // 32512 is the largest biased magnitude
constexpr int kPositiveTemplate = 0xEF;
constexpr int kNegativeTemplate = 0x6F;

inline std::uint8_t EncodeSample(std::int16_t sample)
{
    const auto negative = static_cast<std::int16_t>(-(sample < 0));  // all ones if negative
    auto magnitude = static_cast<std::int16_t>(sample ^ negative);
    auto pattern = static_cast<std::int16_t>(
        kNegativeTemplate ^ ((kPositiveTemplate ^ kNegativeTemplate) & ~negative));

    if (magnitude > kClipBeforeBias)
        magnitude = kClipBeforeBias;  // a min, not a jump, once vectorised
    magnitude = static_cast<std::int16_t>((magnitude + kBias) >> 3);

    // Shifts by 4, 2 and 1 find the segment; each one taken sets one exponent bit.
    auto taken = static_cast<std::int16_t>(-(magnitude >= 256));
    magnitude = static_cast<std::int16_t>((magnitude & ~taken) | ((magnitude >> 4) & taken));
    pattern = static_cast<std::int16_t>(pattern ^ (0x40 & taken));
    taken = static_cast<std::int16_t>(-(magnitude >= 64));
    magnitude = static_cast<std::int16_t>((magnitude & ~taken) | ((magnitude >> 2) & taken));
    pattern = static_cast<std::int16_t>(pattern ^ (0x20 & taken));
    taken = static_cast<std::int16_t>(-(magnitude >= 32));
    magnitude = static_cast<std::int16_t>((magnitude & ~taken) | ((magnitude >> 1) & taken));
    pattern = static_cast<std::int16_t>(pattern ^ (0x10 & taken));

    return static_cast<std::uint8_t>(pattern ^ magnitude);
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
