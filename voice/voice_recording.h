// CVoiceRecording: the default input device, recording its buffer full once per Record().
#pragma once

#include "voice/voice_base.h"

class CVoiceRecording : public CVoiceBase {
public:
    ~CVoiceRecording() override;
    // Runs doneHook if it is set.
    virtual void OnRecordingDone();

    // Opens the default input device in `format`; success shows as a non-null device.
    void OpenDevice();
    // Queues the whole buffer and starts recording; 1 if every call succeeded, else 0 (also,
    // with no call made, when there is no buffer). An empty buffer is not given to the device:
    // it completes at once through PostCompletion.
    int Record();
    // Window thread, for a completion of `handle` handed over by WaveInProc: stops and closes the
    // device (reset, release the header if it is prepared, close; every result recorded), so
    // that nothing is captured between recordings, then OnRecordingDone. Ignored unless the
    // device is running and `handle` is its own: a late completion of a device given up
    // meanwhile finishes nothing.
    void FinishRecording(void* handle);
    // Window thread, for a device still running after kCompletionGraceMs past its length (its
    // sound server died, its device was unplugged): stops and closes it as well as it can, and
    // leaves it a buffer it did not hand back (working on from a copy). Does nothing unless
    // running; afterwards the device is null, and the next recording opens it again.
    void GiveUp();
    // Writes the first 16000 x duration bytes of the buffer as a mu-law WAV file; 1 when
    // written, 0 when nothing was written (no buffer, or a duration longer than the buffer),
    // with why in saveError.
    int SaveMuLawWav(const char* path);

    // Why the last SaveMuLawWav that returned 0 wrote nothing, in the platform's code (a
    // FileError of wav/file_system.h).
    unsigned long saveError = 0;

private:
    // Reset, release the header if it is still prepared, close; every result recorded.
    void StopDevice();
    // StopDevice, then forgets the handle (leaving the device a buffer it still holds).
    void CloseDevice();
    HWAVEIN InputDevice() const;
};

// Audio thread: hands a WIM_DATA completion over to the window's thread and returns.
void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR);
