// The file-system seam of the temporary file: the few platform calls it makes and the platform's
// way of reading file names. wav/file_system.cpp has them over Win32 on Windows and POSIX
// elsewhere; native tests link a fake instead (tests/fakes/fake_file_system.h).
#pragma once

#include <cstddef>
#include <cstdint>
#ifndef _WIN32
#include <cerrno>
#endif

// A descriptor, or a HANDLE on Windows; kNoFile is -1 on both (INVALID_HANDLE_VALUE).
typedef std::intptr_t FileHandle;
constexpr FileHandle kNoFile = -1;

// A platform error code: GetLastError's on Windows, errno's elsewhere.
typedef unsigned long FileError;
// The codes of the failures the temporary file finds itself, as the platform names them.
#ifdef _WIN32
constexpr FileError kAccessDenied = 5;  // ERROR_ACCESS_DENIED: a read-only file is not replaced
constexpr FileError kNoMemory = 8;      // ERROR_NOT_ENOUGH_MEMORY
constexpr FileError kDiskFull = 112;    // ERROR_DISK_FULL
#else
constexpr FileError kAccessDenied = EACCES;
constexpr FileError kNoMemory = ENOMEM;
constexpr FileError kDiskFull = ENOSPC;
#endif

// Opens `name` for writing if it did not exist before; kNoFile on failure, with `exists` telling
// a taken name from other failures.
FileHandle CreateNewFile(const char* name, bool& exists);
// Writes at most byteCount bytes: the count written (possibly fewer), or -1 on failure.
long WriteSome(FileHandle file, const std::uint8_t* bytes, std::size_t byteCount);
// Has the file's bytes reach the disk.
bool FlushToDisk(FileHandle file);
// Closes the handle, which is gone afterwards even when this reports failure.
bool CloseFile(FileHandle file);
// Replaces `to` by `from` in one step.
bool MoveOver(const char* from, const char* to);
void RemoveFile(const char* name);
// True for an existing file that the user marked read-only.
bool IsReadOnly(const char* name);
unsigned long ProcessId();

// The error the seam's call that failed last left; read it before any other call changes it.
FileError LastFileError();
// True for a refusal that lasts only while another program has the file open (a virus scanner,
// the search indexer, a player): a move refused so is worth trying again.
bool IsHeldElsewhere(FileError error);
// Lets about periodMs milliseconds pass, the thread asleep.
void Pause(unsigned periodMs);
// The system's own text for `error`, in the system's language, without a line break: at most
// room - 1 bytes and a zero; "" when the system has none.
void PutErrorText(FileError error, char* text, std::size_t room);

// Where the file's own name begins in `path`, in bytes: after the last folder separator.
std::size_t NameOffset(const char* path);
// The length of a file name in the unit of the platform's limits: UTF-16 units on Windows
// (259 to a path), bytes on POSIX (255 to a name).
std::size_t NameLength(const char* name);
