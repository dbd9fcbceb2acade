// Temporary files beside the target, over the platform's own file calls: Win32 on Windows,
// POSIX elsewhere. Every call's result is checked, the flush and the close included.
#include "wav/temp_file.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const std::intptr_t kNoFile = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
#else
constexpr std::intptr_t kNoFile = -1;
#endif

// Room for ".tmp", a process id and a counter, in hexadecimal, and the terminating zero.
constexpr std::size_t kSuffixRoom = 32;
// Names tried before giving up when earlier ones are taken (left behind by a killed save).
constexpr unsigned kNameAttempts = 16;

unsigned long ProcessId()
{
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

std::unique_ptr<char[]> CopyOf(const char* text, std::size_t extraRoom)
{
    const std::size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + extraRoom + 1]);
    if (copy)
        std::memcpy(copy.get(), text, length + 1);
    return copy;
}

// Opens a file that did not exist before; `exists` tells a taken name from other failures.
std::intptr_t CreateNew(const char* name, bool& exists)
{
#ifdef _WIN32
    const HANDLE file = CreateFileA(name, GENERIC_WRITE, 0 /* no sharing */, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    return reinterpret_cast<std::intptr_t>(file);
#else
    int descriptor;
    do
        descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (descriptor < 0 && errno == EINTR);
    exists = descriptor < 0 && errno == EEXIST;
    return descriptor;
#endif
}

// Writes at most byteCount bytes; the count written, or -1 on failure.
long WriteSome(std::intptr_t file, const std::uint8_t* bytes, std::size_t byteCount)
{
#ifdef _WIN32
    constexpr std::size_t kMaxChunk = 1u << 30;
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(byteCount < kMaxChunk ? byteCount : kMaxChunk);
    if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes, chunk, &written, nullptr))
        return -1;
    return static_cast<long>(written);
#else
    constexpr std::size_t kMaxChunk = 1u << 30;
    ssize_t written;
    do
        written = write(static_cast<int>(file), bytes,
                        byteCount < kMaxChunk ? byteCount : kMaxChunk);
    while (written < 0 && errno == EINTR);
    return static_cast<long>(written);
#endif
}

bool FlushToDisk(std::intptr_t file)
{
#ifdef _WIN32
    return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != 0;
#else
    return fsync(static_cast<int>(file)) == 0;
#endif
}

bool CloseFile(std::intptr_t file)
{
#ifdef _WIN32
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
#else
    // Retrying close after EINTR could close a descriptor reused meanwhile; count it as failed.
    return close(static_cast<int>(file)) == 0;
#endif
}

void RemoveFile(const char* name)
{
#ifdef _WIN32
    DeleteFileA(name);  // a leftover temporary file is untidy but harmless
#else
    unlink(name);  // a leftover temporary file is untidy but harmless
#endif
}

// A file the user marked read-only is not replaced. Windows refuses that by itself; a rename
// (and Wine's move) would quietly replace it.
bool IsReadOnly(const char* name)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
#else
    struct stat status;
    return stat(name, &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
#endif
}

bool MoveOver(const char* from, const char* to)
{
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace

CTempFile::CTempFile(const char* target) : handle(kNoFile)
{
    finalPath = CopyOf(target, 0);
    std::unique_ptr<char[]> name = CopyOf(target, kSuffixRoom);
    if (!finalPath || !name || IsReadOnly(target))
        return;
    const std::size_t targetLength = std::strlen(target);
    static unsigned counter = 0;  // saves run on the UI thread only
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        // ".tmp<process>-<counter>" in hexadecimal, by to_chars: snprintf would bring its whole
        // formatter, floating point and all, into the program for two integers.
        char* suffix = name.get() + targetLength;
        char* const suffixEnd = suffix + kSuffixRoom;  // the zero still fits after it
        std::memcpy(suffix, ".tmp", 4);
        suffix = std::to_chars(suffix + 4, suffixEnd, ProcessId(), 16).ptr;
        *suffix++ = '-';
        suffix = std::to_chars(suffix, suffixEnd, counter++, 16).ptr;
        *suffix = '\0';
        bool exists = false;
        handle = CreateNew(name.get(), exists);
        if (handle != kNoFile) {
            path = std::move(name);
            return;
        }
        if (!exists)
            return;  // a missing folder or no right to write there: no other name will do
    }
}

CTempFile::~CTempFile()
{
    Close();  // the file is removed below either way
    if (path && !committed)
        RemoveFile(path.get());
}

bool CTempFile::IsOpen() const
{
    return handle != kNoFile;
}

bool CTempFile::Write(const std::uint8_t* bytes, std::size_t byteCount)
{
    if (!IsOpen())
        return false;
    while (byteCount > 0) {
        const long written = WriteSome(handle, bytes, byteCount);
        if (written <= 0)
            return false;  // a full disk may report 0 bytes written rather than an error
        bytes += written;
        byteCount -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CTempFile::Commit()
{
    if (!IsOpen() || !FlushToDisk(handle) || !Close())
        return false;
    committed = MoveOver(path.get(), finalPath.get());
    return committed;
}

bool CTempFile::Close()
{
    if (!IsOpen())
        return true;
    const bool closed = CloseFile(handle);
    handle = kNoFile;
    return closed;
}
