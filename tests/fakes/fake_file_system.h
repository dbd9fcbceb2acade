// A fake file system for the native tests: defines the calls of wav/file_system.h over files
// kept in memory, records every call and fails or shortens calls on demand. It refuses what the
// platform refuses: a taken name, moving or removing a file still open, using a handle after
// its close (noted as a misuse, as is closing it twice). Every call leaves its error for
// LastFileError, 0 unless it failed: an error read after a later call is lost.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/fakes/call_script.h"
#include "wav/file_system.h"

namespace fake {

// One call of the seam; the name is the file's (for a move, where from), the handle the one
// passed in or, for a create, handed out.
struct FileCall {
    std::string function;
    std::string name;
    FileHandle file;
    std::size_t byteCount;  // what a write was asked to write, or a pause's milliseconds
};

enum class Outcome {
    kFails,          // reports failure; a close still ends the handle, as on the platform
    kNameTaken,      // CreateNewFile only: the name exists already
    kWritesNothing,  // WriteSome only: succeeds, having written 0 bytes
    kHeld,           // MoveOver only: refused while another program holds the target
};
// The error of kHeld, which IsHeldElsewhere knows: POSIX has no sharing violation.
constexpr FileError kSharingViolation = ETXTBSY;

// Forgets all files, handles, calls and scripts.
void ResetFileSystem();
// The files on the fake disk, by name; tests may put files there.
std::map<std::string, std::vector<std::uint8_t>>& Files();
// The calls made so far, and the outcomes scripted for calls to come (such a call does
// nothing else).
CCallScript<FileCall, Outcome>& FileSystem();
// Every write writes at most byteCount bytes, as a platform may.
void LimitWrites(std::size_t byteCount);
// Handles created and not closed yet.
std::size_t OpenHandles();
// Uses of a handle that was never handed out or already closed, one line each.
const std::vector<std::string>& Misuses();

}  // namespace fake
