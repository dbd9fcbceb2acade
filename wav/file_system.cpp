// The file-system seam over the platform's own calls: Win32 on Windows, POSIX elsewhere.
#include "wav/file_system.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Larger writes are split: a count must fit WriteFile's DWORD and the long we return.
constexpr std::size_t kMaxChunk = 1u << 30;

#ifdef _WIN32
static_assert(kAccessDenied == ERROR_ACCESS_DENIED && kNoMemory == ERROR_NOT_ENOUGH_MEMORY &&
                  kDiskFull == ERROR_DISK_FULL, "the seam's codes are Windows' own");

// The code page the ...A file calls convert names with.
UINT FileCodePage()
{
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}
#endif

}  // namespace

#ifdef _WIN32

FileHandle CreateNewFile(const char* name, bool& exists)
{
    const HANDLE file = CreateFileA(name, GENERIC_WRITE, 0 /* no sharing */, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    return reinterpret_cast<FileHandle>(file);
}

long WriteSome(FileHandle file, const std::uint8_t* bytes, std::size_t byteCount)
{
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(byteCount < kMaxChunk ? byteCount : kMaxChunk);
    if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes, chunk, &written, nullptr))
        return -1;
    return static_cast<long>(written);
}

bool FlushToDisk(FileHandle file)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != 0;
}

bool CloseFile(FileHandle file)
{
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

bool MoveOver(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveFile(const char* name)
{
    DeleteFileA(name);  // a leftover temporary file is untidy but harmless
}

// Windows refuses to replace a read-only file by itself; Wine's move would quietly do it.
bool IsReadOnly(const char* name)
{
    const DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

unsigned long ProcessId()
{
    return GetCurrentProcessId();
}

FileError LastFileError()
{
    return GetLastError();
}

// While another program has the target open, a replace is refused as access denied (without
// delete sharing), a sharing violation or a lock violation.
bool IsHeldElsewhere(FileError error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

void Pause(unsigned periodMs)
{
    Sleep(periodMs);
}

void PutErrorText(FileError error, char* text, std::size_t room)
{
    // Language 0: the user's language, else the system's, as Windows' own messages are.
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, static_cast<DWORD>(room), nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        --length;  // the system's texts end in a line break
    text[length] = '\0';
}

// In a double-byte code page the second byte of a character may be 0x5C, the backslash: step
// over characters, not bytes.
std::size_t NameOffset(const char* path)
{
    const UINT codePage = FileCodePage();
    std::size_t offset = 0;
    for (std::size_t at = 0; path[at] != '\0'; ++at) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(path[at])) && path[at + 1] != '\0')
            ++at;
        else if (path[at] == '\\' || path[at] == '/' || (path[at] == ':' && at == 1))
            offset = at + 1;  // a colon only after a drive letter: elsewhere it names a stream
    }
    return offset;
}

std::size_t NameLength(const char* name)
{
    const int units = MultiByteToWideChar(FileCodePage(), 0, name, -1, nullptr, 0);
    return units > 0 ? static_cast<std::size_t>(units) - 1 : 0;  // less the terminating zero
}

#else

FileHandle CreateNewFile(const char* name, bool& exists)
{
    int descriptor;
    do
        descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (descriptor < 0 && errno == EINTR);
    exists = descriptor < 0 && errno == EEXIST;
    return descriptor;
}

long WriteSome(FileHandle file, const std::uint8_t* bytes, std::size_t byteCount)
{
    ssize_t written;
    do
        written = write(static_cast<int>(file), bytes, byteCount < kMaxChunk ? byteCount : kMaxChunk);
    while (written < 0 && errno == EINTR);
    return static_cast<long>(written);
}

bool FlushToDisk(FileHandle file)
{
    return fsync(static_cast<int>(file)) == 0;
}

bool CloseFile(FileHandle file)
{
    // Retrying close after EINTR could close a descriptor reused meanwhile; count it as failed.
    return close(static_cast<int>(file)) == 0;
}

bool MoveOver(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}

void RemoveFile(const char* name)
{
    unlink(name);  // a leftover temporary file is untidy but harmless
}

// A rename would quietly replace a file the user marked read-only.
bool IsReadOnly(const char* name)
{
    struct stat status;
    return stat(name, &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

unsigned long ProcessId()
{
    return static_cast<unsigned long>(getpid());
}

FileError LastFileError()
{
    return static_cast<FileError>(errno);
}

// A rename never waits for another program's open file.
bool IsHeldElsewhere(FileError)
{
    return false;
}

void Pause(unsigned periodMs)
{
    const timespec period = {static_cast<time_t>(periodMs / 1000),
                             static_cast<long>(periodMs % 1000) * 1000000L};
    nanosleep(&period, nullptr);  // a signal only cuts it short
}

void PutErrorText(FileError error, char* text, std::size_t room)
{
    std::snprintf(text, room, "%s", std::strerror(static_cast<int>(error)));
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

#endif
