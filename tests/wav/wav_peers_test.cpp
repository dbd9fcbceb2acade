// Saved files as an outside tool sees them: sox must read the format, the length and the
// samples back. Skipped where sox is not installed.
#include "wav/wav_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace {

bool HaveSox()
{
    return std::system("command -v sox >/dev/null 2>&1 && command -v soxi >/dev/null 2>&1") == 0;
}

// The command's standard output without the trailing line break; "" if it failed.
std::string Output(const std::string& command)
{
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return text;
    char chunk[256];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        text.append(chunk, got);
    if (pclose(pipe) != 0)
        return std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";  // our temporary paths hold no quotes
}

class WavPeers : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveSox())
            GTEST_SKIP() << "sox is not installed; the peer checks need it";
        // Three seconds rising through the whole 16-bit range.
        samples.resize(3 * 8000);
        const long last = static_cast<long>(samples.size()) - 1;
        for (long i = 0; i <= last; ++i)
            samples[i] = static_cast<std::int16_t>(-32768 + i * 65535 / last);
        path = folder.Path("peer.wav");
        ASSERT_EQ(1, WriteMuLawWav(path.c_str(), samples.data(),
                                   static_cast<std::uint32_t>(samples.size() * 2)));
    }
    CTempFolder folder;
    std::vector<std::int16_t> samples;
    std::string path;
};

TEST_F(WavPeers, SoxReadsFormatAndDuration)
{
    const struct { const char* option; const char* expected; } cases[] = {
        {"-r", "8000"}, {"-c", "1"},     {"-e", "u-law"},
        {"-b", "8"},    {"-s", "24000"}, {"-D", "3.000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Output(std::string("soxi ") + c.option + " " + Quoted(path)))
            << "soxi " << c.option;
}

TEST_F(WavPeers, SoxDecodesWithinMuLawPrecision)
{
    const std::string raw = folder.Path("peer.raw");
    ASSERT_EQ(0, std::system(("sox " + Quoted(path) + " -t raw -e signed-integer -b 16 -L " +
                              Quoted(raw)).c_str()));
    const std::vector<std::uint8_t> bytes = ReadBytes(raw);
    ASSERT_EQ(samples.size() * 2, bytes.size());

    int outside = 0;
    for (std::size_t i = 0; i < samples.size() && outside < 10; ++i) {
        const int decoded = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        const int sample = samples[i];
        // A step of the segment holding |x| + 132 is at most 1/16 of it; the top code decodes
        // to 32124, well inside that bound at full scale.
        const int bound = (std::abs(sample) + 132) / 16 + 1;
        if (std::abs(decoded - sample) > bound) {
            ++outside;
            ADD_FAILURE() << "sample " << sample << " came back as " << decoded;
        }
    }
}

}  // namespace
