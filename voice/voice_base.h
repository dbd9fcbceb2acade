// CVoiceBase: one waveform-audio device with its one sample buffer, its header and the
// bookkeeping of the last call's result.
#pragma once

#include <cstdint>
#include <string_view>

#include "voice/waveform.h"

// Run when a device has finished with its buffer (on the window's thread).
typedef void (*DoneHook)();

class CVoiceBase {
public:
    CVoiceBase();
    virtual ~CVoiceBase();
    CVoiceBase(const CVoiceBase&) = delete;
    CVoiceBase& operator=(const CVoiceBase&) = delete;

    // Fresh, silent buffer for `seconds` of `format`; 1 on success, 0 if it could not be had
    // (then `buffer` is null and `header` is untouched).
    int PrepareBuffer(std::uint32_t seconds);
    // Stores `code` in lastResult and, unless it is 0, its text in errorText.
    void SetResult(MMRESULT code);

    // One of the fixed texts, which live as long as the program: a view copies no text and
    // needs no allocation that could fail (or throw) while a device reports its result.
    std::string_view errorText;
    MMRESULT lastResult;
    std::uint8_t* buffer;
    WAVEHDR header;
    WAVEFORMATEX format;
    void* device;  // HWAVEIN in the recorder, HWAVEOUT in the player; null while none is open
    DoneHook doneHook;

protected:
    // Frees the buffer, if any, and forgets it: releasing twice is harmless. Only while no
    // device holds it (the subclasses' destructors stop and close theirs first).
    void ReleaseBuffer();
};
