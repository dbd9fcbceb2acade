// CVoiceRecording::SaveMuLawWav: what it hands the writer (the writer has its own suite).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/fakes/fake_alloc.h"
#include "tests/fakes/fake_window.h"
#include "tests/test_files.h"
#include "voice/voice_recording.h"

namespace {

class SaveMuLawWav : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetWindow(); }

    CTempFolder folder;
    const std::string path = folder.Path("a.wav");
    CVoiceRecording recorder;
};

TEST_F(SaveMuLawWav, WithoutBufferWritesNothing)
{
    duration = 3;
    EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str()));
    EXPECT_EQ(std::set<std::string>{}, folder.Names());

    ASSERT_EQ(1, recorder.PrepareBuffer(3));
    {
        fake::FailingArrayAllocations noMemory;
        ASSERT_EQ(0, recorder.PrepareBuffer(3));
    }
    EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str()));
    EXPECT_EQ(std::set<std::string>{}, folder.Names());
}

TEST_F(SaveMuLawWav, SavesTheChosenDurationAsSamplesAndZeroSecondsAsTheHeaderAlone)
{
    ASSERT_EQ(1, recorder.PrepareBuffer(3));
    auto* samples = reinterpret_cast<std::int16_t*>(recorder.buffer);
    samples[0] = 1000;
    samples[23999] = -32768;
    recorder.header.dwBytesRecorded = 2;  // saved whole, whatever the device reported
    duration = 3;

    ASSERT_EQ(1, recorder.SaveMuLawWav(path.c_str()));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    ASSERT_EQ(46u + 24000u, file.size());
    EXPECT_EQ(24000u + 38u, LittleEndianAt(file, 4));
    EXPECT_EQ(24000u, LittleEndianAt(file, 42));
    EXPECT_EQ(0xCE, file[46]);
    EXPECT_EQ(0xFF, file[47]) << "silence between";
    EXPECT_EQ(0x00, file[46 + 23999]);

    ASSERT_EQ(1, recorder.PrepareBuffer(0));
    duration = 0;
    ASSERT_EQ(1, recorder.SaveMuLawWav(path.c_str()));
    const std::vector<std::uint8_t> header = ReadBytes(path);
    ASSERT_EQ(46u, header.size());
    EXPECT_EQ(38u, LittleEndianAt(header, 4));
    EXPECT_EQ(0u, LittleEndianAt(header, 42));
}

TEST_F(SaveMuLawWav, NeverReadsPastTheBuffer)
{
    // A duration longer than the buffer (none chosen yet, -1, reads as ~4 GiB) saves nothing.
    for (const std::int32_t seconds : {-1, 4, 61}) {
        ASSERT_EQ(1, recorder.PrepareBuffer(3));
        duration = seconds;
        EXPECT_EQ(0, recorder.SaveMuLawWav(path.c_str())) << "duration " << seconds;
        EXPECT_EQ(std::set<std::string>{}, folder.Names()) << "duration " << seconds;
    }
}

}  // namespace
