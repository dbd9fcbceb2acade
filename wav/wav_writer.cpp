// The WAV writer: a fixed 46-byte header for 8000 Hz 8-bit mono mu-law, then the encoded bytes.
#include "wav/wav_writer.h"

#include <cstring>
#include <memory>
#include <new>

#include "wav/file_system.h"
#include "wav/mulaw.h"
#include "wav/temp_file.h"

namespace {

constexpr std::uint32_t kWavHeaderBytes = 46;
// RIFF chunk size = the header less the 8 bytes of "RIFF" and the size itself, plus the data.
constexpr std::uint32_t kRiffSizeBeyondData = kWavHeaderBytes - 8;
constexpr std::uint32_t kFmtChunkBytes = 18;
constexpr std::uint16_t kFormatMuLaw = 7;  // WAVE_FORMAT_MULAW
constexpr std::uint16_t kChannels = 1;
constexpr std::uint32_t kSamplesPerSecond = 8000;
constexpr std::uint16_t kBitsPerSample = 8;
constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;
constexpr std::uint32_t kBytesPerSecond = kSamplesPerSecond * kBlockAlign;

// Little-endian whatever the machine, one byte at a time.
std::uint8_t* PutTag(std::uint8_t* at, const char (&tag)[5])
{
    std::memcpy(at, tag, 4);
    return at + 4;
}

std::uint8_t* Put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    return at + 2;
}

std::uint8_t* Put32(std::uint8_t* at, std::uint32_t value)
{
    at = Put16(at, static_cast<std::uint16_t>(value));
    return Put16(at, static_cast<std::uint16_t>(value >> 16));
}

// Offsets: 0 RIFF, 4 size, 8 WAVE, 12 "fmt ", 16 18, 20 tag, 22 channels, 24 rate,
// 28 bytes per second, 32 block align, 34 bits, 36 extra size, 38 "data", 42 n, 46 samples.
void FillHeader(std::uint8_t (&header)[kWavHeaderBytes], std::uint32_t sampleCount)
{
    std::uint8_t* at = PutTag(header, "RIFF");
    at = Put32(at, sampleCount + kRiffSizeBeyondData);
    at = PutTag(at, "WAVE");
    at = PutTag(at, "fmt ");
    at = Put32(at, kFmtChunkBytes);
    at = Put16(at, kFormatMuLaw);
    at = Put16(at, kChannels);
    at = Put32(at, kSamplesPerSecond);
    at = Put32(at, kBytesPerSecond);
    at = Put16(at, kBlockAlign);
    at = Put16(at, kBitsPerSample);
    at = Put16(at, 0);  // no extra format bytes
    at = PutTag(at, "data");
    Put32(at, sampleCount);
}

// 0, the result of a save that stopped, with why in `error` when the caller asked.
int Refuse(FileError* error, FileError why)
{
    if (error)
        *error = why;
    return 0;
}

}  // namespace

int WriteMuLawWav(const char* path, const std::int16_t* samples, std::uint32_t byteCount,
                  FileError* error)
{
    // A recording of zero seconds still gets its (empty) area: new[0] is a valid allocation.
    std::unique_ptr<std::uint8_t[]> muLaw(new (std::nothrow) std::uint8_t[byteCount / 2]);
    if (!muLaw)
        return Refuse(error, kNoMemory);  // nothing created on disk
    const std::uint32_t sampleCount = EncodeMuLaw(byteCount, muLaw.get(), samples);

    std::uint8_t header[kWavHeaderBytes];
    FillHeader(header, sampleCount);

    CTempFile file(path);  // removed again unless committed
    if (!file.Write(header, sizeof header) || !file.Write(muLaw.get(), sampleCount) ||
        !file.Commit())
        return Refuse(error, file.Error());  // the user's earlier file, if any, is untouched
    return 1;
}
