// The window's arithmetic that needs no window system.
#include "app/window_arithmetic.h"

#include <limits>

namespace {

// White space as the C library's isspace knows it in the "C" locale.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

std::int32_t ReadSeconds(const char* text)
{
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();

    while (IsSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';

    // Accumulate the magnitude, stopping it one past the largest 32-bit value so a long run of
    // digits cannot overflow; the sign then picks which end of the range it clamps to.
    std::int64_t magnitude = 0;
    for (; IsDigit(*text); ++text) {
        if (magnitude <= kHighest)
            magnitude = magnitude * 10 + (*text - '0');
    }
    if (negative)
        return static_cast<std::int32_t>(-magnitude < kLowest ? kLowest : -magnitude);
    return static_cast<std::int32_t>(magnitude > kHighest ? kHighest : magnitude);
}

std::uint16_t ProgressMaximum(std::int32_t seconds)
{
    constexpr std::uint32_t kStepsPerSecond = 5;
    // Unsigned, so an out-of-range duration wraps instead of overflowing a signed product.
    return static_cast<std::uint16_t>((kStepsPerSecond * static_cast<std::uint32_t>(seconds)) & 0xFFFFu);
}

bool ProgressIsFull(int position, int maximum)
{
    // In 64 bits, so a position at the top of the int range cannot overflow on the way.
    return static_cast<std::int64_t>(position) + 1 > maximum;
}

std::uint32_t BytesOfSeconds(const WAVEFORMATEX& format, std::int32_t seconds)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(format.wBitsPerSample) * format.nChannels *
                               format.nSamplesPerSec * static_cast<std::uint32_t>(seconds);
    return bits >> 3;
}
