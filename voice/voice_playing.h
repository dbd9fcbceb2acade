// CVoicePlaying: the default output device, playing its buffer once per Play().
#pragma once

#include "voice/voice_base.h"

class CVoicePlaying : public CVoiceBase {
public:
    ~CVoicePlaying() override;

    // Opens the default output device in `format`; success shows as a non-null device.
    void OpenDevice();
    // Hands the whole buffer to the device; 1 if every call succeeded, else 0 (also, with no
    // call made, when there is no buffer). An empty buffer is not given to the device: it
    // completes at once through PostCompletion.
    int Play();
    // Window thread, for a completion of `handle` handed over by WaveOutProc: releases the
    // header (if it is prepared: an empty buffer's never was), records the result, then runs
    // doneHook. Ignored unless the device is running and `handle` is its own: a late
    // completion of a device given up meanwhile finishes nothing.
    void FinishPlaying(void* handle);
    // Window thread, for a device still running after kCompletionGraceMs past its length (its
    // sound server died, its device was unplugged): stops it as well as it can be stopped,
    // leaves it a buffer it did not hand back (working on from a copy), and opens the default
    // device afresh; a device that cannot be opened stays null. Does nothing unless running.
    void GiveUp();

private:
    // Reset, release the header if it is still prepared, close; every result recorded.
    void StopDevice();
    // StopDevice, then forgets the handle (leaving the device a buffer it still holds).
    void CloseDevice();
    HWAVEOUT OutputDevice() const;
};

// Audio thread: hands a WOM_DONE completion over to the window's thread and returns.
void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR);
