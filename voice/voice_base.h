// CVoiceBase: one waveform-audio device with its one sample buffer, its header and the
// bookkeeping of the last call's result.
#pragma once

#include <cstdint>
#include <string_view>

#include "voice/waveform.h"

// Run when a device has finished with its buffer (on the window's thread).
typedef void (*DoneHook)();

// How long past its buffer's own length a running device may take to hand the buffer back
// before it is given up. A device whose sound server died, or whose microphone was pulled,
// never does; a healthy one was seen up to 1.5 s late (under Wine, the first recording after
// start-up, on a busy machine; every recording starts on a freshly opened input, and the others
// came back under 0.8 s late).
constexpr DWORD kCompletionGraceMs = 2500;

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

    // True from a start until its completion is finished or the device is given up.
    bool running;
    // GetTickCount() at that start.
    DWORD startedMs;

    // True while running for longer than the buffer's length plus kCompletionGraceMs.
    bool IsOverdue() const;

protected:
    // Marks the device running from now on.
    void StartWatch();
    // Frees the buffer, if any, and forgets it: releasing twice is harmless. Only while no
    // device holds it (the subclasses' destructors stop and close theirs first).
    void ReleaseBuffer();
    // True while the header is still queued: the device may still fill or read the buffer.
    bool DeviceHoldsBuffer() const;
    // After a stop the device refused: leaves the buffer to it (never freed, so it cannot write
    // into freed memory) and goes on with a copy of it, so what was recorded or played stays
    // usable; without memory for the copy there is no buffer (as after a failed PrepareBuffer).
    void LeaveBufferToDevice();

private:
    // A fresh, silent buffer of `byteCount` bytes described by the header; 0 if none.
    int AllocateBuffer(DWORD byteCount);
};
