// The window's arithmetic, natively: the typed seconds, the progress range, the byte counts.
#include "app/window_arithmetic.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "voice/voice_playing.h"

namespace {

constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();

}  // namespace

TEST(ReadSeconds, ReadsLikeAtoiAndClampsToThe32BitRange)
{
    const struct {
        std::string text;
        std::int32_t seconds;
    } cases[] = {
        {"3", 3},
        {"060", 60},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+", 0},
        {" 7", 7},
        {"\t\n\v\f\r 8", 8},
        {"+9", 9},
        {"-5", -5},
        {"-0", 0},
        {"12s", 12},
        {"1 2", 1},
        {"- 5", 0},
        {"--5", 0},
        {"2147483647", kHighest},
        {"2147483648", kHighest},
        {"123456789012", kHighest},
        {"99999999999999999999999999999999999999", kHighest},
        {std::string(300, '9'), kHighest},
        {"-2147483648", kLowest},
        {"-2147483649", kLowest},
        {"-99999999999999999999999999999999999999", kLowest},
        {"-" + std::string(300, '9'), kLowest},
        {std::string(280, '0') + "42", 42},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.seconds, ReadSeconds(c.text.c_str())) << "text \"" << c.text << "\"";
}

TEST(ProgressMaximum, FiveStepsASecondInASixteenBitWord)
{
    const struct {
        std::int32_t seconds;
        std::uint16_t maximum;
    } cases[] = {
        {0, 0}, {1, 5}, {3, 15}, {60, 300}, {13107, 65535}, {13108, 4}, {-1, 65531}, {kHighest, 65531},
        {kLowest, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.maximum, ProgressMaximum(c.seconds)) << "seconds " << c.seconds;
}

TEST(ProgressIsFull, OnlyWhenTheNextStepPassesTheMaximum)
{
    const struct {
        int position, maximum;
        bool full;
    } cases[] = {
        {0, 15, false}, {14, 15, false}, {15, 15, true}, {0, 0, true}, {16, 15, true},
        {-1, 0, false}, {std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.full, ProgressIsFull(c.position, c.maximum)) << c.position << " of " << c.maximum;
}

TEST(BytesOfSeconds, SixteenThousandASecondInUnsigned32Bits)
{
    const struct {
        std::int32_t seconds;
        std::uint32_t bytes;
    } cases[] = {
        {0, 0}, {1, 16000}, {3, 48000}, {60, 960000},
        // A duration never chosen (-1) wraps instead of going negative: the callers clamp.
        {-1, (0u - 128000u) >> 3},
    };
    const CVoicePlaying player;  // the window sizes by the player's format
    for (const auto& c : cases)
        EXPECT_EQ(c.bytes, BytesOfSeconds(player.format, c.seconds)) << "seconds " << c.seconds;
}
