// CVoicePlaying: the default output device. WaveOutProc runs on the audio system's thread;
// everything else on the window's thread.
#include "voice/voice_playing.h"

#include "voice/completion.h"
#include "voice/window_link.h"

CVoicePlaying::~CVoicePlaying()
{
    if (!device) return;
    // A device with a queued buffer refuses to close and would go on reading freed memory:
    // stop it (which hands the buffer back), release the header, then close. The base part
    // frees the buffer afterwards, unless the device would not let go of it.
    StopDevice();
    if (DeviceHoldsBuffer()) buffer = nullptr;  // left to the device, which may still read it
}

void CVoicePlaying::OpenDevice()
{
    if (device) return;
    HWAVEOUT opened = nullptr;
    SetResult(waveOutOpen(&opened, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(WaveOutProc),
                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION));
    // What a failed open left in the handle is not a device.
    device = lastResult == MMSYSERR_NOERROR ? opened : nullptr;
}

int CVoicePlaying::Play()
{
    doneHook = EnableButtons;
    if (!buffer) return 0;  // the header may still point at a freed buffer
    if (header.dwBufferLength == 0) {
        // An empty buffer is played at once, and the audio system may refuse it or never hand
        // it back: complete it the usual way, on the window's thread, without the device.
        StartWatch();
        PostCompletion(this, device);
        return 1;
    }
    SetResult(waveOutPrepareHeader(OutputDevice(), &header, sizeof header));
    if (lastResult != MMSYSERR_NOERROR) return 0;
    SetResult(waveOutWrite(OutputDevice(), &header, sizeof header));
    // A start that failed brings no completion (the window stays Busy); one that succeeded is
    // watched from here on, in case its completion never comes either.
    if (lastResult != MMSYSERR_NOERROR) return 0;
    StartWatch();
    return 1;
}

void CVoicePlaying::FinishPlaying(void* handle)
{
    // A late completion of a device given up meanwhile is not ours any more.
    if (!running || handle != device) return;
    running = false;
    // An empty buffer was never prepared, so there is nothing to release.
    if (header.dwFlags & WHDR_PREPARED)
        SetResult(waveOutUnprepareHeader(OutputDevice(), &header, sizeof header));
    if (doneHook) doneHook();
}

void CVoicePlaying::GiveUp()
{
    if (!running) return;
    running = false;
    CloseDevice();
    // Opened afresh at once, so that the next playback reaches the sound server once it is
    // back: under Wine the start of a buffer written to a just-opened output is lost.
    OpenDevice();
}

void CVoicePlaying::CloseDevice()
{
    // A handle that refused to close is abandoned, never used again: it may still hold the
    // buffer, which it keeps.
    StopDevice();
    if (DeviceHoldsBuffer()) LeaveBufferToDevice();
    device = nullptr;
}

void CVoicePlaying::StopDevice()
{
    SetResult(waveOutReset(OutputDevice()));
    if (header.dwFlags & WHDR_PREPARED)
        SetResult(waveOutUnprepareHeader(OutputDevice(), &header, sizeof header));
    SetResult(waveOutClose(OutputDevice()));
}

HWAVEOUT CVoicePlaying::OutputDevice() const
{
    return static_cast<HWAVEOUT>(device);
}

// Audio thread: only hand over; a wave call here can deadlock.
void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR)
{
    if (message == WOM_DONE) PostCompletion(reinterpret_cast<CVoicePlaying*>(instance), device);
}
