// The fake file system (see fake_file_system.h).
#include "tests/fakes/fake_file_system.h"

#include <cstring>

#include "tests/fakes/call_script.h"

namespace fake {
namespace {

struct State {
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<FileHandle, std::string> open;  // handle -> name of its file
    FileHandle nextHandle = 3;
    CCallScript<FileCall, Outcome> script;
    std::size_t writeLimit = 0;  // 0: no limit
    std::vector<std::string> misuses;
    FileError lastError = 0;
};

State& state()
{
    static State s;
    return s;
}

// Records the call and tells whether a script overrides it (then `outcome` holds what to do);
// the call's error is the script's (kSharingViolation for kHeld, else EIO), or none.
bool Scripted(const FileCall& call, Outcome& outcome)
{
    const bool scripted = state().script.Scripted(call, outcome);
    state().lastError = !scripted ? 0 : outcome == Outcome::kHeld ? kSharingViolation : EIO;
    return scripted;
}

// The open file behind `file`, or null with the misuse noted.
std::vector<std::uint8_t>* OpenFile(const char* function, FileHandle file)
{
    const auto found = state().open.find(file);
    if (found == state().open.end()) {
        state().misuses.push_back(std::string(function) + " of handle " + std::to_string(file) +
                                  ", which is not open");
        return nullptr;
    }
    return &state().files[found->second];
}

bool IsOpenFile(const std::string& name)
{
    for (const auto& handle : state().open)
        if (handle.second == name) return true;
    return false;
}

}  // namespace

void ResetFileSystem()
{
    state() = State();
}

std::map<std::string, std::vector<std::uint8_t>>& Files()
{
    return state().files;
}

CCallScript<FileCall, Outcome>& FileSystem()
{
    return state().script;
}

void LimitWrites(std::size_t byteCount)
{
    state().writeLimit = byteCount;
}

std::size_t OpenHandles()
{
    return state().open.size();
}

const std::vector<std::string>& Misuses()
{
    return state().misuses;
}

}  // namespace fake

using fake::FileCall;
using fake::Outcome;

FileHandle CreateNewFile(const char* name, bool& exists)
{
    Outcome outcome;
    const bool scripted = fake::Scripted(FileCall{"CreateNewFile", name, kNoFile, 0}, outcome);
    exists = (scripted && outcome == Outcome::kNameTaken) || fake::state().files.count(name) > 0;
    if (exists || scripted)
        return kNoFile;
    const FileHandle file = fake::state().nextHandle++;
    fake::state().script.calls.back().file = file;
    fake::state().files[name].clear();
    fake::state().open[file] = name;
    return file;
}

long WriteSome(FileHandle file, const std::uint8_t* bytes, std::size_t byteCount)
{
    Outcome outcome;
    if (fake::Scripted(FileCall{"WriteSome", "", file, byteCount}, outcome))
        return outcome == Outcome::kWritesNothing ? 0 : -1;
    std::vector<std::uint8_t>* contents = fake::OpenFile("WriteSome", file);
    if (!contents) return -1;
    const std::size_t limit = fake::state().writeLimit;
    const std::size_t count = limit != 0 && byteCount > limit ? limit : byteCount;
    contents->insert(contents->end(), bytes, bytes + count);
    return static_cast<long>(count);
}

bool FlushToDisk(FileHandle file)
{
    Outcome outcome;
    if (fake::Scripted(FileCall{"FlushToDisk", "", file, 0}, outcome))
        return false;
    return fake::OpenFile("FlushToDisk", file) != nullptr;
}

bool CloseFile(FileHandle file)
{
    Outcome outcome;
    const bool scripted = fake::Scripted(FileCall{"CloseFile", "", file, 0}, outcome);
    if (!fake::OpenFile("CloseFile", file)) return false;
    fake::state().open.erase(file);
    return !scripted;
}

bool MoveOver(const char* from, const char* to)
{
    Outcome outcome;
    if (fake::Scripted(FileCall{"MoveOver", from, kNoFile, 0}, outcome)) return false;
    auto& files = fake::state().files;
    if (files.count(from) == 0 || fake::IsOpenFile(from)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
}

void RemoveFile(const char* name)
{
    Outcome outcome;
    if (fake::Scripted(FileCall{"RemoveFile", name, kNoFile, 0}, outcome)) return;
    if (!fake::IsOpenFile(name)) fake::state().files.erase(name);
}

bool IsReadOnly(const char*)
{
    return false;  // read-only files are a matter of the real file system's tests
}

unsigned long ProcessId()
{
    return 0x4D57;
}

std::size_t NameOffset(const char* path)
{
    const char* separator = std::strrchr(path, '/');
    return separator ? static_cast<std::size_t>(separator - path) + 1 : 0;
}

std::size_t NameLength(const char* name)
{
    return std::strlen(name);
}

FileError LastFileError()
{
    return fake::state().lastError;
}

bool IsHeldElsewhere(FileError error)
{
    return error == fake::kSharingViolation;
}

void Pause(unsigned periodMs)
{
    Outcome outcome;
    fake::Scripted(FileCall{"Pause", "", kNoFile, periodMs}, outcome);  // no time passes
}
