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
    // Window thread, for a completion handed over by WaveInProc: releases the header (if it is
    // prepared: an empty buffer's never was), records the result, then OnRecordingDone.
    void FinishRecording();
    // Writes the first 16000 x duration bytes of the buffer as a mu-law WAV file; 1 when
    // written, 0 when nothing was written (no buffer, or a duration longer than the buffer).
    int SaveMuLawWav(const char* path);

private:
    HWAVEIN InputDevice() const;
};

// Audio thread: hands a WIM_DATA completion over to the window's thread and returns.
void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR);
