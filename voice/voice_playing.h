// CVoicePlaying: the default output device, playing its buffer once per Play().
#pragma once

#include "voice/voice_base.h"

class CVoicePlaying : public CVoiceBase {
public:
    ~CVoicePlaying() override;

    // Opens the default output device in `format`; success shows as a non-null device.
    void OpenDevice();
    // Hands the whole buffer to the device; 1 if every call succeeded, else 0.
    int Play();
    // Window thread, for a completion handed over by WaveOutProc: releases the header, records
    // the result, then runs doneHook.
    void FinishPlaying();

private:
    HWAVEOUT OutputDevice() const;
};

// Audio thread: hands a WOM_DONE completion over to the window's thread and returns.
void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR);
