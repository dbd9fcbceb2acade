// A fake waveform layer for the native tests: defines waveInOpen ... waveOutClose of the seam,
// records every call with its arguments, returns scripted result codes and delivers the
// completion callbacks on demand; GetTickCount reads a clock that only the test moves. Header flags follow the platform (prepare, queue, done), and
// so do its refusals: a queued header cannot be unprepared, a device with one cannot close.
#pragma once

#include <string>
#include <vector>

#include "tests/fakes/call_script.h"
#include "voice/waveform.h"

namespace fake {

// One call into the layer (or a note from another fake, e.g. "EnableButtons"); fields a
// function does not take stay zero.
struct WaveCall {
    std::string function;
    void* device;  // the handle passed in; for an open, the handle it filled in
    UINT deviceId;
    const WAVEFORMATEX* format;
    DWORD_PTR callback;
    DWORD_PTR instance;
    DWORD flags;
    WAVEHDR* header;
    UINT headerSize;
    MMRESULT result;
};

// Forgets all calls, scripts and devices; the clock starts again a second before its
// 32-bit wrap, so that every test's timing crosses it.
void ResetWaveform();
// The calls made so far, and the result codes scripted for calls to come (such a call does
// nothing else). Forgetting the calls keeps open devices and scripts.
CCallScript<WaveCall, MMRESULT>& Waveform();
// Adds a call by name, for fakes outside this layer that want their place in the order.
void NoteCall(const std::string& function);

// Calls the callback of the open device `device` with `message`, as the audio thread would.
void Deliver(void* device, UINT message);
// The device has filled (or played) its queued header: marks it done and delivers
// WIM_DATA / WOM_DONE. Returns false if the device has no queued header.
bool CompleteQueued(void* device);
// Still true for a device that was opened and not yet closed.
bool IsOpen(void* device);
// Moves GetTickCount's clock on.
void AdvanceClock(DWORD ms);

}  // namespace fake
