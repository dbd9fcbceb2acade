// Writes 16-bit samples as a mu-law WAV file (46-byte header, 8000 Hz, 8 bits, mono).
#pragma once

#include <cstdint>

// Encodes byteCount / 2 samples and writes the file through a temporary file beside `path`,
// replacing `path` only once everything is on disk. 1 when written; 0 when nothing was
// written, an existing file at `path` then being left as it was and `error`, if given, set to
// why (a FileError of wav/file_system.h).
int WriteMuLawWav(const char* path, const std::int16_t* samples, std::uint32_t byteCount,
                  unsigned long* error = nullptr);
