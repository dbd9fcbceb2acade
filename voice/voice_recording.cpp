// CVoiceRecording: the default input device. WaveInProc runs on the audio system's thread;
// everything else on the window's thread.
#include "voice/voice_recording.h"

#include "voice/completion.h"
#include "voice/window_link.h"

CVoiceRecording::~CVoiceRecording()
{
    if (!device) return;
    // A device with a queued buffer refuses to close and would go on filling freed memory:
    // stop it (which hands the buffer back), release the header, then close. The base part
    // frees the buffer afterwards, unless the device would not let go of it.
    StopDevice();
    if (DeviceHoldsBuffer()) buffer = nullptr;  // left to the device, which may still fill it
}

void CVoiceRecording::OnRecordingDone()
{
    if (doneHook) doneHook();
}

void CVoiceRecording::OpenDevice()
{
    if (device) return;
    HWAVEIN opened = nullptr;
    SetResult(waveInOpen(&opened, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(WaveInProc),
                         reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION));
    // What a failed open left in the handle is not a device.
    device = lastResult == MMSYSERR_NOERROR ? opened : nullptr;
}

int CVoiceRecording::Record()
{
    doneHook = EnableButtons;
    if (!buffer) return 0;  // the header may still point at a freed buffer
    if (header.dwBufferLength == 0) {
        // An empty buffer is full at once, and the audio system may refuse it or never hand
        // it back: complete it the usual way, on the window's thread, without the device.
        StartWatch();
        PostCompletion(this, device);
        return 1;
    }
    SetResult(waveInPrepareHeader(InputDevice(), &header, sizeof header));
    if (lastResult != MMSYSERR_NOERROR) return 0;
    SetResult(waveInAddBuffer(InputDevice(), &header, sizeof header));
    if (lastResult != MMSYSERR_NOERROR) return 0;
    SetResult(waveInStart(InputDevice()));
    // A start that failed brings no completion (the window stays Busy); one that succeeded is
    // watched from here on, in case its completion never comes either.
    if (lastResult != MMSYSERR_NOERROR) return 0;
    StartWatch();
    return 1;
}

void CVoiceRecording::FinishRecording(void* handle)
{
    // A late completion of a device given up meanwhile is not ours any more.
    if (!running || handle != device) return;
    running = false;
    // A started input goes on capturing with no buffer left (and the system shows the
    // microphone in use) until it is stopped: it is closed, and the next Record opens it again.
    CloseDevice();
    OnRecordingDone();
}

void CVoiceRecording::GiveUp()
{
    if (!running) return;
    running = false;
    CloseDevice();
}

void CVoiceRecording::CloseDevice()
{
    // A handle that refused to close is abandoned, never used again: it may still hold the
    // buffer, which it keeps.
    StopDevice();
    if (DeviceHoldsBuffer()) LeaveBufferToDevice();
    device = nullptr;
}

void CVoiceRecording::StopDevice()
{
    SetResult(waveInReset(InputDevice()));
    if (header.dwFlags & WHDR_PREPARED)  // an empty buffer's never was
        SetResult(waveInUnprepareHeader(InputDevice(), &header, sizeof header));
    SetResult(waveInClose(InputDevice()));
}

HWAVEIN CVoiceRecording::InputDevice() const
{
    return static_cast<HWAVEIN>(device);
}

// Audio thread: only hand over; a wave call here can deadlock.
void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR)
{
    if (message == WIM_DATA) PostCompletion(reinterpret_cast<CVoiceRecording*>(instance), device);
}
