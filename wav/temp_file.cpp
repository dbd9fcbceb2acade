// Temporary files beside the target, over the file-system seam (wav/file_system.h). Every
// call's result is checked, the flush and the close included.
#include "wav/temp_file.h"

#include <cstring>
#include <new>

#include "wav/file_system.h"

namespace {

// A temporary name is base-36 digits, never longer than the target's own name, so that in the
// same folder its path fits wherever the target's does: Windows allows 259 characters to a
// path, POSIX 255 bytes to a name. From three characters on it starts with "~", which keeps it
// clear of device names such as NUL or COM1; shorter names cannot be one.
constexpr std::size_t kTempNameMax = 12;
// Names tried before giving up when earlier ones are taken (left behind by a killed save).
constexpr unsigned kNameAttempts = 16;
// A target another program has open for a moment (a virus scanner, the search indexer, a cloud
// client, a player) refuses the replace: it is tried again for about a second.
constexpr unsigned kMoveAttempts = 10;
constexpr unsigned kMoveRetryMs = 100;

// Writes the name for one attempt into `name` (length characters and a zero). The serial's
// digit comes first, so that even a one-digit name differs from one attempt to the next.
void PutTempName(char* name, std::size_t length, unsigned long processId, unsigned serial)
{
    constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    // 32 bits (the high ones of the process id wrap away) spare the program 64-bit division;
    // a name that happens to be taken is simply the next attempt's.
    std::uint32_t value = serial + (static_cast<std::uint32_t>(processId) << 16);
    std::size_t at = 0;
    if (length >= 3)
        name[at++] = '~';
    for (; at < length; ++at, value /= 36)
        name[at] = kDigits[value % 36];
    name[length] = '\0';
}

}  // namespace

CTempFile::CTempFile(const char* target) : handle(kNoFile)
{
    const std::size_t targetLength = std::strlen(target);
    const std::size_t folderLength = NameOffset(target);
    finalPath.reset(new (std::nothrow) char[targetLength + 1]);
    std::unique_ptr<char[]> name(new (std::nothrow) char[folderLength + kTempNameMax + 1]);
    if (!finalPath || !name) {
        error = kNoMemory;
        return;
    }
    std::memcpy(finalPath.get(), target, targetLength + 1);
    std::memcpy(name.get(), target, folderLength);
    std::size_t nameLength = NameLength(target + folderLength);
    if (nameLength > kTempNameMax)
        nameLength = kTempNameMax;
    if (nameLength == 0 || IsReadOnly(target)) {
        // A folder was given, or the user's file is to be kept: nothing is created. Windows
        // refuses to open a folder as a file, or to replace a read-only one, as access denied.
        error = kAccessDenied;
        return;
    }

    static unsigned counter = 0;  // saves run on the UI thread only
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        PutTempName(name.get() + folderLength, nameLength, ProcessId(), counter++);
        bool exists = false;
        handle = CreateNewFile(name.get(), exists);
        if (handle != kNoFile) {
            path = std::move(name);
            return;
        }
        if (!exists)
            break;  // a missing folder or no right to write there: no other name will do
    }
    error = LastFileError();  // of the create just refused
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
        if (written < 0)
            return Fail(LastFileError());
        if (written == 0)
            return Fail(kDiskFull);  // a full disk may report 0 bytes written rather than an error
        bytes += written;
        byteCount -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CTempFile::Commit()
{
    if (!IsOpen())
        return false;  // the constructor kept why
    if (!FlushToDisk(handle) || !Close())
        return Fail(LastFileError());
    for (unsigned attempt = 1; !MoveOver(path.get(), finalPath.get()); ++attempt) {
        const FileError moveError = LastFileError();
        if (attempt == kMoveAttempts || !IsHeldElsewhere(moveError))
            return Fail(moveError);
        Pause(kMoveRetryMs);
    }
    committed = true;
    return true;
}

unsigned long CTempFile::Error() const
{
    return error;
}

bool CTempFile::Fail(unsigned long failure)
{
    if (error == 0)
        error = failure;
    return false;
}

bool CTempFile::Close()
{
    if (!IsOpen())
        return true;
    const bool closed = CloseFile(handle);
    handle = kNoFile;
    return closed;
}
