// CVoiceRecording::SaveMuLawWav: what it hands the writer (the writer has its own suite).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#include "tests/fakes/fake_alloc.h"
#include "tests/fakes/fake_window.h"
#include "voice/voice_recording.h"

namespace {

class SaveMuLawWav : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::ResetWindow();
        char pattern[] = "/tmp/morvik-save-test.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        folder = pattern;
        path = folder + "/a.wav";
    }
    void TearDown() override
    {
        std::remove(path.c_str());
        rmdir(folder.c_str());
    }

    bool Exists() const { return access(path.c_str(), F_OK) == 0; }
    std::vector<std::uint8_t> Read() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static std::uint32_t At32(const std::vector<std::uint8_t>& bytes, std::size_t offset)
    {
        return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
               static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    }

    std::string folder;
    std::string path;
    CVoiceRecording recorder;
};

TEST_F(SaveMuLawWav, WithoutBufferWritesNothing)
{
    duration = 3;
    EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str()));
    EXPECT_FALSE(Exists());

    ASSERT_EQ(1, recorder.PrepareBuffer(3));
    {
        fake::FailingArrayAllocations noMemory;
        ASSERT_EQ(0, recorder.PrepareBuffer(3));
    }
    EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str()));
    EXPECT_FALSE(Exists());
}

TEST_F(SaveMuLawWav, SavesTheChosenDurationAsSamples)
{
    ASSERT_EQ(1, recorder.PrepareBuffer(3));
    auto* samples = reinterpret_cast<std::int16_t*>(recorder.buffer);
    samples[0] = 1000;
    samples[23999] = -32768;
    recorder.header.dwBytesRecorded = 2;  // saved whole, whatever the device reported
    duration = 3;

    ASSERT_EQ(1, recorder.SaveMuLawWav(path.c_str()));
    const std::vector<std::uint8_t> file = Read();
    ASSERT_EQ(46u + 24000u, file.size());
    EXPECT_EQ(24000u + 38u, At32(file, 4));
    EXPECT_EQ(24000u, At32(file, 42));
    EXPECT_EQ(0xCE, file[46]);
    EXPECT_EQ(0xFF, file[47]) << "silence between";
    EXPECT_EQ(0x00, file[46 + 23999]);
}

TEST_F(SaveMuLawWav, ZeroSecondsSavesHeaderAlone)
{
    ASSERT_EQ(1, recorder.PrepareBuffer(0));
    duration = 0;
    ASSERT_EQ(1, recorder.SaveMuLawWav(path.c_str()));
    const std::vector<std::uint8_t> file = Read();
    ASSERT_EQ(46u, file.size());
    EXPECT_EQ(38u, At32(file, 4));
    EXPECT_EQ(0u, At32(file, 42));
}

TEST_F(SaveMuLawWav, NeverReadsPastTheBuffer)
{
    // A duration longer than the buffer (none chosen yet, -1, reads as ~4 GiB) saves nothing.
    for (const std::int32_t seconds : {-1, 4, 61}) {
        ASSERT_EQ(1, recorder.PrepareBuffer(3));
        duration = seconds;
        EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str())) << "duration " << seconds;
        EXPECT_FALSE(Exists()) << "duration " << seconds;
    }
}

}  // namespace
