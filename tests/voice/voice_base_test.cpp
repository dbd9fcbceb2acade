// CVoiceBase: construction, buffer sizing and clearing, allocation failure, result texts.
#include "voice/voice_base.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/fakes/fake_alloc.h"
#include "tests/voice/result_texts.h"

namespace {

bool AllZero(const void* bytes, std::size_t size)
{
    const auto* at = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < size; ++i)
        if (at[i] != 0) return false;
    return true;
}

TEST(VoiceBase, StartsWithFixedFormatAndNothingElse)
{
    CVoiceBase voice;
    EXPECT_EQ("", voice.errorText);
    EXPECT_EQ(0u, voice.lastResult);
    EXPECT_EQ(nullptr, voice.buffer);
    EXPECT_TRUE(AllZero(&voice.header, sizeof voice.header));
    EXPECT_EQ(nullptr, voice.device);
    EXPECT_EQ(nullptr, voice.doneHook);
    EXPECT_EQ(1, voice.format.wFormatTag);
    EXPECT_EQ(1, voice.format.nChannels);
    EXPECT_EQ(8000u, voice.format.nSamplesPerSec);
    EXPECT_EQ(16000u, voice.format.nAvgBytesPerSec);
    EXPECT_EQ(2, voice.format.nBlockAlign);
    EXPECT_EQ(16, voice.format.wBitsPerSample);
    EXPECT_EQ(0, voice.format.cbSize);
}

TEST(VoiceBase, PrepareBufferSizesInUnsigned32BitArithmetic)
{
    const struct { std::uint32_t seconds; DWORD byteCount; } cases[] = {
        {0, 0}, {1, 16000}, {3, 48000}, {60, 960000},
        {268436, 8704},  // 16000 x 268436 wraps past 2^32 to 8704
    };
    for (const auto& c : cases) {
        CVoiceBase voice;
        ASSERT_EQ(1, voice.PrepareBuffer(c.seconds)) << "seconds " << c.seconds;
        EXPECT_NE(nullptr, voice.buffer) << "seconds " << c.seconds;
        EXPECT_EQ(c.byteCount, voice.header.dwBufferLength) << "seconds " << c.seconds;
    }
}

TEST(VoiceBase, PrepareBufferSilencesTheBufferAndResetsTheHeaderButLoops)
{
    CVoiceBase voice;
    ASSERT_EQ(1, voice.PrepareBuffer(1));
    // What a finished recording leaves behind.
    std::memset(voice.buffer, 0xAA, voice.header.dwBufferLength);
    voice.header.dwBytesRecorded = 16000;
    voice.header.dwUser = 9;
    voice.header.dwFlags = WHDR_DONE;
    voice.header.dwLoops = 7;
    voice.header.lpNext = &voice.header;
    voice.header.reserved = 5;

    // Again, as the window does for every recording: stale bytes must not survive (the heap
    // may hand the same block back; under ASan it is filled with garbage instead).
    ASSERT_EQ(1, voice.PrepareBuffer(1));
    EXPECT_TRUE(AllZero(voice.buffer, voice.header.dwBufferLength));
    EXPECT_EQ(0u, voice.header.dwBytesRecorded);
    EXPECT_EQ(0u, voice.header.dwUser);
    EXPECT_EQ(0u, voice.header.dwFlags);
    EXPECT_EQ(7u, voice.header.dwLoops);
    EXPECT_EQ(nullptr, voice.header.lpNext);
    EXPECT_EQ(0u, voice.header.reserved);
    ASSERT_EQ(1, voice.PrepareBuffer(2));
    EXPECT_EQ(reinterpret_cast<LPSTR>(voice.buffer), voice.header.lpData);
    EXPECT_EQ(32000u, voice.header.dwBufferLength);
    EXPECT_TRUE(AllZero(voice.buffer, voice.header.dwBufferLength));
}

TEST(VoiceBase, FailedAllocationLeavesNoBufferAndHeaderAlone)
{
    CVoiceBase voice;
    ASSERT_EQ(1, voice.PrepareBuffer(3));
    voice.header.dwFlags = WHDR_DONE;
    voice.header.dwBytesRecorded = 123;
    WAVEHDR before = voice.header;
    {
        fake::FailingArrayAllocations noMemory;
        EXPECT_EQ(0, voice.PrepareBuffer(5));
    }
    EXPECT_EQ(nullptr, voice.buffer);
    EXPECT_EQ(0, std::memcmp(&before, &voice.header, sizeof before));
    // A later success recovers; the first buffer was freed on the way (LeakSanitizer checks).
    EXPECT_EQ(1, voice.PrepareBuffer(5));
    EXPECT_EQ(80000u, voice.header.dwBufferLength);
}

TEST(VoiceBase, SetResultKeepsTextForEveryCode)
{
    for (MMRESULT code = 1; code <= 40; ++code) {
        CVoiceBase voice;
        voice.SetResult(code);
        EXPECT_EQ(code, voice.lastResult);
        EXPECT_EQ(testing_texts::ExpectedText(code), voice.errorText) << "code " << code;
    }
    CVoiceBase voice;
    voice.SetResult(0xFFFFFFFFu);
    EXPECT_EQ("Unspecified error", voice.errorText);
}

TEST(VoiceBase, SuccessKeepsPreviousText)
{
    CVoiceBase voice;
    voice.SetResult(0);
    EXPECT_EQ("", voice.errorText);
    voice.SetResult(7);
    voice.SetResult(0);
    EXPECT_EQ(0u, voice.lastResult);
    EXPECT_EQ("Unable to allocate or lock memory. ", voice.errorText);
}

}  // namespace
