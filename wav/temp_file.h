// A new file written beside its final name and moved over that name only once it is complete,
// so a failed save never leaves a half-written file where the user's file was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CTempFile {
public:
    // Creates a new, uniquely named file in the folder of finalPath, its name no longer than
    // finalPath's own; see IsOpen.
    explicit CTempFile(const char* finalPath);
    // Closes and removes the file unless Commit has moved it into place.
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    bool IsOpen() const;
    // Writes all of the bytes or reports failure.
    bool Write(const std::uint8_t* bytes, std::size_t byteCount);
    // Flushes the file to disk, closes it and moves it over finalPath, trying the move again for
    // about a second while another program holds finalPath. false when any of that failed;
    // finalPath is then as it was.
    bool Commit();
    // Why the first step that failed did (a FileError of wav/file_system.h); 0 while none has.
    unsigned long Error() const;

private:
    bool Close();
    // Keeps `failure` as the error unless an earlier one is kept; false, to be returned.
    bool Fail(unsigned long failure);

    std::unique_ptr<char[]> finalPath;
    std::unique_ptr<char[]> path;  // null when no file was created
    std::intptr_t handle;          // a FileHandle of wav/file_system.h
    bool committed = false;
    unsigned long error = 0;  // read where the failing call returned, before any clean-up
};
