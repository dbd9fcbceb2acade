// The temporary file over the fake file system: the order of the calls, every handle closed
// once, short and empty writes, taken names, and that a failure at any step leaves the user's
// file as it was and no temporary file behind.
#include "wav/temp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/fakes/fake_file_system.h"

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;
using fake::Outcome;

const std::string kTarget = "/music/take.wav";

std::vector<std::uint8_t> Pattern(std::size_t byteCount, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(byteCount);
    for (std::size_t i = 0; i < byteCount; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

class TempFile : public testing::Test {
protected:
    void SetUp() override { Start(); }

    void Start()
    {
        fake::ResetFileSystem();
        fake::Files()[kTarget] = old;
    }

    // A save as the writer makes it (the header, the data, then Commit); why not, in `error`.
    bool Save(const std::string& target = kTarget)
    {
        CTempFile file(target.c_str());
        const bool saved = file.Write(header.data(), header.size()) &&
                           file.Write(data.data(), data.size()) && file.Commit();
        error = file.Error();
        return saved;
    }

    std::vector<std::uint8_t> Saved() const
    {
        std::vector<std::uint8_t> bytes = header;
        bytes.insert(bytes.end(), data.begin(), data.end());
        return bytes;
    }

    static int CountOf(const std::string& function)
    {
        const std::vector<std::string> names = fake::FileSystem().Names();
        return static_cast<int>(std::count(names.begin(), names.end(), function));
    }

    // Once the CTempFile is gone: each handle handed out was closed once, and none used after.
    static void ExpectEveryHandleClosedOnce()
    {
        std::map<FileHandle, int> closes;
        for (const fake::FileCall& call : fake::FileSystem().calls) {
            if (call.function == "CreateNewFile" && call.file != kNoFile) closes[call.file] += 0;
            if (call.function == "CloseFile") ++closes[call.file];
        }
        for (const auto& handle : closes)
            EXPECT_EQ(1, handle.second) << "closes of handle " << handle.first;
        EXPECT_EQ(0u, fake::OpenHandles()) << "a handle was never closed";
        EXPECT_EQ(std::vector<std::string>{}, fake::Misuses());
    }

    const std::vector<std::uint8_t> old = Pattern(5000, 0x11);
    const std::vector<std::uint8_t> header = Pattern(46, 0x52);
    const std::vector<std::uint8_t> data = Pattern(1000, 0x33);
    FileError error = 0;
};

}  // namespace

TEST_F(TempFile, WritesFlushesClosesAndOnlyThenMovesOverTheTarget)
{
    ASSERT_TRUE(Save());
    const std::vector<std::string> expected = {"CreateNewFile", "WriteSome", "WriteSome",
                                               "FlushToDisk", "CloseFile", "MoveOver"};
    EXPECT_EQ(expected, fake::FileSystem().Names());
    EXPECT_EQ((Files{{kTarget, Saved()}}), fake::Files());
    ExpectEveryHandleClosedOnce();
}

TEST_F(TempFile, ShortWritesAreContinued)
{
    fake::LimitWrites(7);
    ASSERT_TRUE(Save());
    EXPECT_EQ((Files{{kTarget, Saved()}}), fake::Files());
    EXPECT_EQ((46 + 6) / 7 + (1000 + 6) / 7, CountOf("WriteSome"));
    ExpectEveryHandleClosedOnce();
}

// The temporary name is in the target's folder and no longer than the target's own name, so
// it fits wherever the target fits; a taken one gives way to another.
TEST_F(TempFile, ATakenNameGivesWayToAnotherOfNoGreaterLength)
{
    const std::string longName(255, 'x');
    for (const std::string& target :
         {kTarget, std::string("/music/a"), std::string("b.wav"), "/music/" + longName}) {
        SCOPED_TRACE(target);
        Start();
        fake::FileSystem().Script("CreateNewFile", Outcome::kNameTaken, 0);
        ASSERT_TRUE(Save(target));
        EXPECT_EQ(Saved(), fake::Files()[target]);
        EXPECT_EQ(0u, error) << "the taken name kept as a failure";

        const std::string folder = target.substr(0, target.rfind('/') + 1);
        const std::size_t room = std::min<std::size_t>(target.size() - folder.size(), 12);
        std::vector<std::string> names;
        for (const fake::FileCall& call : fake::FileSystem().calls)
            if (call.function == "CreateNewFile") names.push_back(call.name);
        ASSERT_EQ(2u, names.size());
        EXPECT_NE(names[0], names[1]);
        for (const std::string& name : names) {
            EXPECT_EQ(folder, name.substr(0, folder.size())) << name;
            EXPECT_EQ(room, name.size() - folder.size()) << name;
            EXPECT_EQ(std::string::npos, name.find('/', folder.size())) << name;
        }
        EXPECT_EQ(names[1], fake::FileSystem().calls.back().name) << "moved another file";
        ExpectEveryHandleClosedOnce();
    }
}

TEST_F(TempFile, AnyFailureKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    const struct {
        const char* function;
        int callIndex;
        Outcome outcome;
        int writes;  // WriteSome calls until the save gives up
        FileError error;
    } cases[] = {
        {"CreateNewFile", 0, Outcome::kFails, 0, EIO},
        {"WriteSome", 0, Outcome::kFails, 1, EIO},
        {"WriteSome", 1, Outcome::kFails, 2, EIO},
        {"WriteSome", 1, Outcome::kWritesNothing, 2, kDiskFull},  // retrying cannot help
        {"FlushToDisk", 0, Outcome::kFails, 2, EIO},
        {"CloseFile", 0, Outcome::kFails, 2, EIO},
        {"MoveOver", 0, Outcome::kFails, 2, EIO},  // not another program's hold: no retry
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " call " + std::to_string(c.callIndex) +
                     (c.outcome == Outcome::kWritesNothing ? " writes nothing" : " fails"));
        Start();
        fake::FileSystem().Script(c.function, c.outcome, c.callIndex);
        EXPECT_FALSE(Save());
        EXPECT_EQ((Files{{kTarget, old}}), fake::Files());
        EXPECT_EQ(c.writes, CountOf("WriteSome"));
        EXPECT_EQ(0, CountOf("MoveOver") - (std::string(c.function) == "MoveOver" ? 1 : 0))
            << "moved after a failure";
        EXPECT_EQ(c.error, error) << "not the failed call's error";
        ExpectEveryHandleClosedOnce();
    }
}

// A target another program holds a moment refuses the move: it is tried again 100 ms apart,
// 10 times in all; past that the save fails as any other, naming the sharing violation.
TEST_F(TempFile, AMoveRefusedAsHeldElsewhereIsTriedAgainForAboutASecond)
{
    for (const int refusals : {9, 10}) {
        SCOPED_TRACE(std::to_string(refusals) + " refusals");
        Start();
        for (int i = 0; i < refusals; ++i) fake::FileSystem().Script("MoveOver", Outcome::kHeld, i);
        const bool saved = refusals < 10;
        EXPECT_EQ(saved, Save());
        EXPECT_EQ((Files{{kTarget, saved ? Saved() : old}}), fake::Files());
        EXPECT_EQ(saved ? 0 : fake::kSharingViolation, error);
        EXPECT_EQ(10, CountOf("MoveOver"));
        std::size_t pausedMs = 0;
        for (const fake::FileCall& call : fake::FileSystem().calls)
            pausedMs += call.function == "Pause" ? call.byteCount : 0;
        EXPECT_EQ(900u, pausedMs);
        ExpectEveryHandleClosedOnce();
    }
}
