// CVoiceBase: the fixed format, the one buffer and its header, and the result bookkeeping.
#include "voice/voice_base.h"

#include <cstring>
#include <new>

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(WAVEHDR) == 32, "the 32-bit program hands the device a 32-byte header");
#endif

namespace {

// The device's own words for a failed waveform call; codes without an entry share the last text.
const char* ResultText(MMRESULT code)
{
    switch (code) {
    case MMSYSERR_BADDEVICEID: return "Specified device identifier is out of range.";
    case MMSYSERR_ALLOCATED: return "Specified resource is already allocated.";
    case MMSYSERR_NODRIVER: return "No device driver is present. ";
    case MMSYSERR_NOMEM: return "Unable to allocate or lock memory. ";
    case MMSYSERR_NOTSUPPORTED: return "Specified device is synchronous and does not support pausing. ";
    case WAVERR_BADFORMAT: return "Attempted to open with an unsupported waveform-audio format.";
    case WAVERR_STILLPLAYING: return "The buffer pointed to by the pwh parameter is still in the queue.";
    case WAVERR_UNPREPARED: return "The buffer pointed to by the pwh parameter hasn't been prepared. ";
    case WAVERR_SYNC:
        return "The device is synchronous but waveOutOpen was calledwithout using the "
               "WAVE_ALLOWSYNC flag. ";
    default: return "Unspecified error";
    }
}

}  // namespace

CVoiceBase::CVoiceBase()
    : errorText(), lastResult(MMSYSERR_NOERROR), buffer(nullptr), header(), format(),
      device(nullptr), doneHook(nullptr), running(false), startedMs(0)
{
    // 8 kHz 16-bit mono PCM, never changed afterwards.
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 8000;
    format.nAvgBytesPerSec = 16000;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
}

CVoiceBase::~CVoiceBase()
{
    ReleaseBuffer();
}

int CVoiceBase::PrepareBuffer(std::uint32_t seconds)
{
    ReleaseBuffer();
    // Unsigned 32-bit arithmetic throughout, the product taken before the shift.
    const std::uint32_t byteCount = (static_cast<std::uint32_t>(format.wBitsPerSample) *
                                     format.nChannels * format.nSamplesPerSec * seconds) >> 3;
    return AllocateBuffer(byteCount);
}

int CVoiceBase::AllocateBuffer(DWORD byteCount)
{
    // Cleared, so a buffer that is never recorded into plays and saves as silence, not as
    // whatever the heap held before.
    std::uint8_t* fresh = new (std::nothrow) std::uint8_t[byteCount]();
    if (!fresh) return 0;  // the header still describes nothing usable: no one may start us
    buffer = fresh;
    header.lpData = reinterpret_cast<LPSTR>(buffer);
    header.dwBufferLength = byteCount;
    header.dwBytesRecorded = 0;
    header.dwUser = 0;
    header.dwFlags = 0;
    header.lpNext = nullptr;
    header.reserved = 0;
    return 1;
}

void CVoiceBase::SetResult(MMRESULT code)
{
    lastResult = code;
    if (code != MMSYSERR_NOERROR) errorText = ResultText(code);
}

void CVoiceBase::ReleaseBuffer()
{
    delete[] buffer;
    buffer = nullptr;
}

bool CVoiceBase::IsOverdue() const
{
    if (!running) return false;
    const DWORD lengthMs =
        header.dwBufferLength / (format.nAvgBytesPerSec / 1000);  // exact: 16 bytes a millisecond
    // Unsigned difference: right across the tick count's wrap every 49.7 days.
    return GetTickCount() - startedMs > lengthMs + kCompletionGraceMs;
}

void CVoiceBase::StartWatch()
{
    running = true;
    startedMs = GetTickCount();
}

bool CVoiceBase::DeviceHoldsBuffer() const
{
    return (header.dwFlags & WHDR_INQUEUE) != 0;
}

void CVoiceBase::LeaveBufferToDevice()
{
    const std::uint8_t* const held = buffer;
    const DWORD byteCount = header.dwBufferLength;
    buffer = nullptr;  // not freed: the leak is the price of a device that never lets go
    header.dwFlags = 0;
    if (held && AllocateBuffer(byteCount)) std::memcpy(buffer, held, byteCount);
}
