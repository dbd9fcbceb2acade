// CVoiceRecording::SaveMuLawWav: the recorder's buffer, as long as the chosen duration, handed
// to the mu-law WAV writer.
#include <cstdint>

#include "voice/voice_recording.h"
#include "voice/window_link.h"
#include "wav/file_system.h"
#include "wav/wav_writer.h"

int CVoiceRecording::SaveMuLawWav(const char* path)
{
    saveError = kNoMemory;  // the refusals before the writer's: no memory holds that recording
    if (!buffer) return 0;  // the last PrepareBuffer failed: there is no recording to save
    // The same unsigned 32-bit sizing as the buffer itself; the whole buffer is saved,
    // whatever the device reported as recorded.
    const std::uint32_t byteCount = (static_cast<std::uint32_t>(format.wBitsPerSample) *
                                     format.nChannels * format.nSamplesPerSec *
                                     static_cast<std::uint32_t>(duration)) >> 3;
    // Only a duration that does not match the buffer (none chosen yet) gets here; never read
    // past the buffer's end.
    if (byteCount > header.dwBufferLength) return 0;
    saveError = 0;
    return WriteMuLawWav(path, reinterpret_cast<const std::int16_t*>(buffer), byteCount,
                         &saveError);
}
