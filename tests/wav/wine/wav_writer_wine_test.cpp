// The writer over the Win32 file calls, run under Wine: the target is replaced only by a
// complete file, and a refused save leaves the folder as it was.
#include "wav/wav_writer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    std::uint8_t chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

class WavWriterWin32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        folder = std::string(temp) + "wavwriter" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    void TearDown() override
    {
        for (const std::string& name : Names())
            DeleteFileA(Path(name).c_str());  // best effort: the prefix is thrown away anyway
        RemoveDirectoryA(folder.c_str());
    }

    std::string Path(const std::string& name) const { return folder + "\\" + name; }

    // The names in `inFolder` (by default the test's own folder).
    std::set<std::string> Names(const std::string& inFolder = std::string()) const
    {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        const std::string pattern = (inFolder.empty() ? folder : inFolder) + "\\*";
        const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
                names.insert(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

    std::string folder;
    const std::vector<std::int16_t> second = std::vector<std::int16_t>(8000, -100);
};

TEST_F(WavWriterWin32, ReplacesExistingFileWithCompleteOne)
{
    const std::string path = Path("a.wav");
    ASSERT_TRUE(WriteBytes(path, std::vector<std::uint8_t>(30000, 0x11)));

    ASSERT_EQ(1, WriteMuLawWav(path.c_str(), second.data(), 16000));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    ASSERT_EQ(46u + 8000u, file.size());
    EXPECT_EQ(std::string("RIFF"), std::string(file.begin(), file.begin() + 4));
    EXPECT_EQ(0x73, file[46]);  // -100
    EXPECT_EQ(std::set<std::string>{"a.wav"}, Names()) << "a temporary file was left";
}

// The longest path Save As hands back has 259 characters (MAX_PATH less the zero); the
// temporary file must fit beside the target there, whether the folder or the name is long.
TEST_F(WavWriterWin32, ReplacesAFileUnderTheLongestPath)
{
    constexpr std::size_t kLongestPath = MAX_PATH - 1;
    for (const std::string& name : {std::string("a.wav"), std::string(200, 'n') + ".wav"}) {
        const std::size_t paddingLength = kLongestPath - folder.size() - name.size() - 2;
        ASSERT_LT(folder.size() + name.size() + 2, kLongestPath) << name;
        const std::string inner = Path(std::string(paddingLength, 'd'));
        const std::string path = inner + "\\" + name;
        ASSERT_EQ(kLongestPath, path.size());
        ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr)) << GetLastError();
        ASSERT_TRUE(WriteBytes(path, std::vector<std::uint8_t>(30000, 0x11))) << name;

        EXPECT_EQ(1, WriteMuLawWav(path.c_str(), second.data(), 16000)) << name;
        EXPECT_EQ(46u + 8000u, ReadBytes(path).size()) << name;
        EXPECT_EQ(std::set<std::string>{name}, Names(inner)) << "a temporary file was left";
        DeleteFileA(path.c_str());
        RemoveDirectoryA(inner.c_str());
    }
}

TEST_F(WavWriterWin32, RefusedSaveLeavesFolderAsItWas)
{
    const std::string path = Path("a.wav");
    const std::vector<std::uint8_t> earlier(5000, 0x22);
    ASSERT_TRUE(WriteBytes(path, earlier));

    EXPECT_EQ(0, WriteMuLawWav(Path("missing\\a.wav").c_str(), second.data(), 16000));
    EXPECT_EQ(std::set<std::string>{"a.wav"}, Names()) << "missing folder";

    // Another program holding the file without sharing it: it cannot be replaced.
    const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, WriteMuLawWav(path.c_str(), second.data(), 16000));
    CloseHandle(holder);
    EXPECT_EQ(earlier, ReadBytes(path));
    EXPECT_EQ(std::set<std::string>{"a.wav"}, Names()) << "file held open";
}

}  // namespace
