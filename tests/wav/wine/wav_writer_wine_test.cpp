// The writer over the Win32 file calls, run under Wine: the target is replaced only by a
// complete file, and a refused save leaves the folder as it was. The program's own allocator is
// linked in, as into the program, so the writer's buffers come from it here too.
#include "wav/wav_writer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "tests/fakes/import_hook.h"
#include "tests/test_files.h"
#include "wav/file_system.h"

namespace {

// The name after the last folder separator.
std::string NameOf(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

// The seam's flush and move, seen in this program's import table, through which the calls of
// the static library linked in go: the names flushed, and per move whether its file was one.
std::vector<std::string> flushedNames, moves;
decltype(&FlushFileBuffers) realFlush = nullptr;
decltype(&MoveFileExA) realMove = nullptr;

BOOL WINAPI RecordFlush(HANDLE file)
{
    char path[2 * MAX_PATH] = "";
    if (GetFinalPathNameByHandleA(file, path, sizeof path, FILE_NAME_NORMALIZED) < sizeof path)
        flushedNames.push_back(NameOf(path));
    return realFlush(file);
}

BOOL WINAPI RecordMove(LPCSTR from, LPCSTR to, DWORD flags)
{
    const bool flushed = std::count(flushedNames.begin(), flushedNames.end(), NameOf(from)) > 0;
    moves.push_back((flushed ? "flushed, to " : "not flushed, to ") + NameOf(to));
    return realMove(from, to, flags);
}

class WavWriterWin32 : public ::testing::Test {
protected:
    CTempFolder folder;
    const std::vector<std::int16_t> second = std::vector<std::int16_t>(8000, -100);
};

TEST_F(WavWriterWin32, ReplacesExistingFileWithCompleteOne)
{
    const std::string path = folder.Path("a.wav");
    ASSERT_TRUE(WriteBytes(path, std::vector<std::uint8_t>(30000, 0x11)));

    ASSERT_EQ(1, WriteMuLawWav(path.c_str(), second.data(), 16000));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    ASSERT_EQ(46u + 8000u, file.size());
    EXPECT_EQ(std::string("RIFF"), std::string(file.begin(), file.begin() + 4));
    EXPECT_EQ(0x73, file[46]);  // -100
    EXPECT_EQ(std::set<std::string>{"a.wav"}, folder.Names()) << "a temporary file was left";
}

// The longest path Save As hands back has 259 characters (MAX_PATH less the zero); the
// temporary file must fit beside the target there, whether the folder or the name is long, or
// the name short and outside ASCII (U+65E5 U+672C: 6 characters as Windows counts, 10 bytes).
TEST_F(WavWriterWin32, ReplacesAFileUnderTheLongestPath)
{
    constexpr std::size_t kLongestPath = MAX_PATH - 1;
    for (const std::string& name : {std::string("a.wav"), std::string(200, 'n') + ".wav",
                                    std::string("\xe6\x97\xa5\xe6\x9c\xac.wav")}) {
        const std::size_t characters = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0) - 1;
        const std::size_t paddingLength = kLongestPath - folder.Folder().size() - characters - 2;
        ASSERT_LT(folder.Folder().size() + characters + 2, kLongestPath) << name;
        const std::string inner = folder.Path(std::string(paddingLength, 'd'));
        const std::string path = inner + "\\" + name;
        ASSERT_EQ(kLongestPath, path.size() - name.size() + characters);
        ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr)) << GetLastError();
        ASSERT_TRUE(WriteBytes(path, std::vector<std::uint8_t>(30000, 0x11))) << name;

        EXPECT_EQ(1, WriteMuLawWav(path.c_str(), second.data(), 16000)) << name;
        EXPECT_EQ(46u + 8000u, ReadBytes(path).size()) << name;
        EXPECT_EQ(std::set<std::string>{name}, folder.Names(inner)) << "a temporary file was left";
        DeleteFileA(path.c_str());
        RemoveDirectoryA(inner.c_str());
    }
}

TEST_F(WavWriterWin32, RefusedSaveLeavesFolderAsItWas)
{
    const std::string path = folder.Path("a.wav");
    const std::vector<std::uint8_t> earlier(5000, 0x22);
    ASSERT_TRUE(WriteBytes(path, earlier));

    EXPECT_EQ(0, WriteMuLawWav(folder.Path("missing\\a.wav").c_str(), second.data(), 16000));
    EXPECT_EQ(std::set<std::string>{"a.wav"}, folder.Names()) << "missing folder";

    // Another program holding the file without sharing it: it cannot be replaced.
    const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, WriteMuLawWav(path.c_str(), second.data(), 16000));
    CloseHandle(holder);
    EXPECT_EQ(earlier, ReadBytes(path));
    EXPECT_EQ(std::set<std::string>{"a.wav"}, folder.Names()) << "file held open";
}

// The seam itself, over the real calls: a taken name is told from other failures (only then is
// another name tried) and left alone, the bytes reach the temporary file's disk before the move
// makes it the user's, and the name is found after any separator Windows takes.
TEST_F(WavWriterWin32, FileSeamKeepsATakenNameFlushesBeforeTheMoveAndFindsTheName)
{
    const std::string path = folder.Path("a.wav");
    const std::vector<std::uint8_t> earlier(5000, 0x22);
    ASSERT_TRUE(WriteBytes(path, earlier));
    bool exists = false;
    EXPECT_EQ(kNoFile, CreateNewFile(path.c_str(), exists));
    EXPECT_TRUE(exists) << "a taken name passed for another failure";
    EXPECT_EQ(earlier, ReadBytes(path));

    {
        const ImportHook<decltype(&FlushFileBuffers)> flush("kernel32.dll", "FlushFileBuffers",
                                                            &RecordFlush, realFlush);
        const ImportHook<decltype(&MoveFileExA)> move("kernel32.dll", "MoveFileExA", &RecordMove, realMove);
        ASSERT_TRUE(flush.Installed() && move.Installed()) << "not imported: never called";
        ASSERT_EQ(1, WriteMuLawWav(path.c_str(), second.data(), 16000));
        EXPECT_EQ(std::vector<std::string>{"flushed, to a.wav"}, moves);
    }

    const struct {
        const char* path;
        std::size_t nameOffset;
    } paths[] = {{"X:a.wav", 2}, {"a/b.wav", 2}, {"a\\b/c.wav", 4}};
    for (const auto& p : paths)
        EXPECT_EQ(p.nameOffset, NameOffset(p.path)) << p.path;
}

// The program's array new (app/allocation.cpp): null when the memory cannot be had, which the
// window tells the user, and a block for 0 bytes, which a recording of 0 seconds needs.
TEST(ProgramAllocator, NullWhenMemoryRunsOutAndABlockForZeroBytes)
{
    // Volatile: the compiler may neither see the size nor drop a block that is never used.
    volatile std::size_t byteCount = std::numeric_limits<std::size_t>::max();
    std::uint8_t* volatile block = new (std::nothrow) std::uint8_t[byteCount];
    EXPECT_TRUE(block == nullptr) << "more than any address space holds";
    delete[] block;
    byteCount = 0;
    block = new (std::nothrow) std::uint8_t[byteCount];
    EXPECT_TRUE(block != nullptr) << "0 bytes";
    delete[] block;
}

}  // namespace
