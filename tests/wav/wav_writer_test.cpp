// The WAV writer: exact header bytes, data bytes, and that a failed save leaves the user's
// earlier file as it was.
#include "wav/wav_writer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/test_files.h"
#include "wav/mulaw.h"

namespace {

constexpr std::uint32_t kSamplesPerSecond = 8000;
constexpr std::size_t kHeaderBytes = 46;

// A slow sweep over most of the range, so the data part is no constant.
std::vector<std::int16_t> Sweep(std::uint32_t sampleCount)
{
    std::vector<std::int16_t> samples(sampleCount);
    for (std::uint32_t i = 0; i < sampleCount; ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<int>((i * 37u) % 60000u) - 30000);
    return samples;
}

int Write(const std::string& path, const std::vector<std::int16_t>& samples)
{
    return WriteMuLawWav(path.c_str(), samples.data(),
                         static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t)));
}

class WavWriter : public ::testing::Test {
protected:
    CTempFolder folder;
};

TEST_F(WavWriter, HeaderBytesForEachDuration)
{
    for (const std::uint32_t seconds : {0u, 3u, 60u}) {
        const std::uint32_t n = kSamplesPerSecond * seconds;
        const std::uint32_t riffSize = n + 38;
        const std::uint8_t expected[kHeaderBytes] = {
            'R', 'I', 'F', 'F',
            std::uint8_t(riffSize), std::uint8_t(riffSize >> 8), std::uint8_t(riffSize >> 16), 0,
            'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
            18, 0, 0, 0,       // fmt size
            7, 0,              // mu-law
            1, 0,              // channels
            0x40, 0x1F, 0, 0,  // 8000 samples per second
            0x40, 0x1F, 0, 0,  // 8000 bytes per second
            1, 0,              // block alignment
            8, 0,              // bits per sample
            0, 0,              // extra format size
            'd', 'a', 't', 'a',
            std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), 0,
        };
        const std::string path = folder.Path("take" + std::to_string(seconds) + ".wav");
        const std::vector<std::int16_t> samples = Sweep(n);

        ASSERT_EQ(1, Write(path, samples)) << seconds << " s";
        const std::vector<std::uint8_t> file = ReadBytes(path);
        ASSERT_EQ(kHeaderBytes + n, file.size()) << seconds << " s";
        for (std::size_t offset = 0; offset < kHeaderBytes; ++offset)
            EXPECT_EQ(int(expected[offset]), int(file[offset]))
                << seconds << " s, offset " << offset;

        std::vector<std::uint8_t> data(n);
        EncodeMuLaw(n * 2, data.data(), samples.data());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + kHeaderBytes))
            << seconds << " s: the data part is not the encoded samples";
    }
}

TEST_F(WavWriter, SilenceGivesFFData)
{
    const std::string path = folder.Path("silence.wav");
    ASSERT_EQ(1, Write(path, std::vector<std::int16_t>(3 * kSamplesPerSecond, 0)));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    ASSERT_EQ(kHeaderBytes + 3 * kSamplesPerSecond, file.size());
    for (std::size_t i = kHeaderBytes; i < file.size(); ++i)
        ASSERT_EQ(0xFF, file[i]) << "offset " << i;
}

TEST_F(WavWriter, SavingTwiceGivesSameBytesAndKeepsRecording)
{
    const std::vector<std::int16_t> samples = Sweep(3 * kSamplesPerSecond);
    const std::vector<std::int16_t> before = samples;
    ASSERT_EQ(1, Write(folder.Path("first.wav"), samples));
    ASSERT_EQ(1, Write(folder.Path("second.wav"), samples));
    EXPECT_EQ(ReadBytes(folder.Path("first.wav")), ReadBytes(folder.Path("second.wav")));
    EXPECT_EQ(before, samples);
}

// Also under the longest name POSIX allows (255 bytes): the temporary file must fit there too.
TEST_F(WavWriter, ReplacesLongerExistingFileCompletely)
{
    const std::vector<std::int16_t> samples = Sweep(kSamplesPerSecond);
    for (const std::string& name : {std::string("a.wav"), std::string(251, 'x') + ".wav"}) {
        const std::string path = folder.Path(name);
        ASSERT_TRUE(WriteBytes(path, std::vector<std::uint8_t>(100000, 0x11))) << name;

        ASSERT_EQ(1, Write(path, samples)) << name;
        EXPECT_EQ(kHeaderBytes + kSamplesPerSecond, ReadBytes(path).size()) << name;
        EXPECT_EQ(std::set<std::string>{name}, folder.Names()) << "a temporary file was left";
        std::filesystem::remove(path);
    }
}

TEST_F(WavWriter, OddByteCountDropsLastByte)
{
    const std::string path = folder.Path("odd.wav");
    const std::vector<std::int16_t> samples = Sweep(4);
    ASSERT_EQ(1, WriteMuLawWav(path.c_str(), samples.data(), 7));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    ASSERT_EQ(kHeaderBytes + 3, file.size());
    EXPECT_EQ(41, file[4]);  // 3 + 38
    EXPECT_EQ(3, file[42]);
}

// Failures before anything could be written: nothing may appear, nothing may be left behind.
TEST_F(WavWriter, UnwritablePlacesCreateNothing)
{
    const std::vector<std::int16_t> samples = Sweep(kSamplesPerSecond);
    std::filesystem::create_directory(folder.Path("folder.wav"));
    const struct { const char* what; std::string path; } cases[] = {
        {"missing folder", folder.Path("missing/a.wav")},
        {"target is a folder", folder.Path("folder.wav")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(0, Write(c.path, samples)) << c.what;
        EXPECT_EQ(std::set<std::string>{"folder.wav"}, folder.Names()) << c.what;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path("folder.wav")));
}

// A read-only file is the user's "keep this": it stays byte for byte, nothing else appears.
TEST_F(WavWriter, ReadOnlyTargetIsKept)
{
    const std::string target = folder.Path("kept.wav");
    ASSERT_EQ(1, Write(target, Sweep(kSamplesPerSecond)));
    const std::vector<std::uint8_t> before = ReadBytes(target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    EXPECT_EQ(0, Write(target, Sweep(2 * kSamplesPerSecond)));
    EXPECT_EQ(before, ReadBytes(target));
    EXPECT_EQ(std::set<std::string>{"kept.wav"}, folder.Names());
}

// A disk that fills up midway: the file size limit makes the data write fail after the
// header went through. It runs in a child so the limit stays there.
TEST_F(WavWriter, FailedWriteLeavesEarlierFileUntouched)
{
    const std::string path = folder.Path("earlier.wav");
    std::vector<std::uint8_t> earlier(5000);
    for (std::size_t i = 0; i < earlier.size(); ++i)
        earlier[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(WriteBytes(path, earlier));
    const std::vector<std::int16_t> samples = Sweep(3 * kSamplesPerSecond);

    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        const rlimit limit = {1000, 1000};
        const bool limited =
            signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0;
        _exit(!limited ? 2 : Write(path, samples));
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << "the child died, status " << status;
    ASSERT_NE(2, WEXITSTATUS(status)) << "could not set the file size limit";
    EXPECT_EQ(0, WEXITSTATUS(status)) << "a failed write was reported as saved";
    EXPECT_EQ(earlier, ReadBytes(path));
    EXPECT_EQ(std::set<std::string>{"earlier.wav"}, folder.Names()) << "a temporary file was left";
}

}  // namespace
