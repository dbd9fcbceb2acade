// The fake waveform layer (see fake_waveform.h). Single-threaded: callbacks run inline.
#include "tests/fakes/fake_waveform.h"

#include <cstdint>
#include <map>

#include "tests/fakes/call_script.h"

namespace fake {
namespace {

constexpr MMRESULT kInvalidHandle = 5;  // MMSYSERR_INVALHANDLE: not an open device of that kind

struct FakeDevice {
    bool input;
    DWORD_PTR callback;
    DWORD_PTR instance;
    WAVEHDR* queued;
};

typedef void(CALLBACK* InProc)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
typedef void(CALLBACK* OutProc)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

struct State {
    CCallScript<WaveCall, MMRESULT> script;
    std::map<void*, FakeDevice> devices;
    std::uintptr_t nextHandle = 0x1000;
    DWORD tickMs = 0xFFFFFC00;
};

State& state()
{
    static State s;
    return s;
}

// Records a call on a device and tells whether a script overrides it (then `code` holds it).
bool Scripted(const char* function, void* device, MMRESULT& code, WAVEHDR* header = nullptr,
              UINT size = 0)
{
    return state().script.Scripted(WaveCall{function, device, 0, nullptr, 0, 0, 0, header, size, 0},
                                   code);
}

MMRESULT Finish(MMRESULT code)
{
    state().script.calls.back().result = code;
    return code;
}

FakeDevice* Find(void* device, bool input)
{
    const auto found = state().devices.find(device);
    if (found == state().devices.end() || found->second.input != input) return nullptr;
    return &found->second;
}

void Notify(void* device, const FakeDevice& open, UINT message)
{
    if (open.input)
        reinterpret_cast<InProc>(open.callback)(static_cast<HWAVEIN>(device), message,
                                               open.instance, 0, 0);
    else
        reinterpret_cast<OutProc>(open.callback)(static_cast<HWAVEOUT>(device), message,
                                                open.instance, 0, 0);
}

MMRESULT Open(const char* function, bool input, void*& handle, UINT deviceId,
              const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    WaveCall call{function, nullptr, deviceId, format, callback, instance, flags, nullptr, 0, 0};
    MMRESULT code = MMSYSERR_NOERROR;
    if (state().script.Scripted(call, code)) {
        // A failed open leaves rubbish in the handle; the caller must not take it for a device.
        handle = reinterpret_cast<void*>(std::uintptr_t{0xBAD});
        return Finish(code);
    }
    void* device = reinterpret_cast<void*>(state().nextHandle++);
    handle = device;
    state().script.calls.back().device = device;
    state().devices[device] = FakeDevice{input, callback, instance, nullptr};
    Notify(device, state().devices[device], input ? WIM_OPEN : WOM_OPEN);
    return Finish(MMSYSERR_NOERROR);
}

MMRESULT Prepare(const char* function, bool input, void* device, WAVEHDR* header, UINT size)
{
    MMRESULT code = MMSYSERR_NOERROR;
    if (Scripted(function, device, code, header, size))
        return Finish(code);
    if (!Find(device, input)) return Finish(kInvalidHandle);
    header->dwFlags |= WHDR_PREPARED;
    return Finish(MMSYSERR_NOERROR);
}

MMRESULT Queue(const char* function, bool input, void* device, WAVEHDR* header, UINT size)
{
    MMRESULT code = MMSYSERR_NOERROR;
    if (Scripted(function, device, code, header, size))
        return Finish(code);
    FakeDevice* open = Find(device, input);
    if (!open) return Finish(kInvalidHandle);
    if (!(header->dwFlags & WHDR_PREPARED)) return Finish(WAVERR_UNPREPARED);
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    open->queued = header;
    return Finish(MMSYSERR_NOERROR);
}

MMRESULT Unprepare(const char* function, bool input, void* device, WAVEHDR* header, UINT size)
{
    MMRESULT code = MMSYSERR_NOERROR;
    if (Scripted(function, device, code, header, size))
        return Finish(code);
    if (!Find(device, input)) return Finish(kInvalidHandle);
    if (header->dwFlags & WHDR_INQUEUE) return Finish(WAVERR_STILLPLAYING);
    header->dwFlags &= ~WHDR_PREPARED;
    return Finish(MMSYSERR_NOERROR);
}

// Start and reset take only the device.
MMRESULT Control(const char* function, bool input, void* device, bool reset)
{
    MMRESULT code = MMSYSERR_NOERROR;
    if (Scripted(function, device, code))
        return Finish(code);
    FakeDevice* open = Find(device, input);
    if (!open) return Finish(kInvalidHandle);
    const MMRESULT result = Finish(MMSYSERR_NOERROR);
    // A reset hands every queued buffer back, done, through the callback.
    if (reset) CompleteQueued(device);
    return result;
}

MMRESULT Close(const char* function, bool input, void* device)
{
    MMRESULT code = MMSYSERR_NOERROR;
    if (Scripted(function, device, code))
        return Finish(code);
    FakeDevice* open = Find(device, input);
    if (!open) return Finish(kInvalidHandle);
    if (open->queued) return Finish(WAVERR_STILLPLAYING);
    const FakeDevice closed = *open;
    state().devices.erase(device);
    const MMRESULT result = Finish(MMSYSERR_NOERROR);
    Notify(device, closed, input ? WIM_CLOSE : WOM_CLOSE);
    return result;
}

}  // namespace

void ResetWaveform()
{
    state() = State();
}

CCallScript<WaveCall, MMRESULT>& Waveform()
{
    return state().script;
}

void NoteCall(const std::string& function)
{
    state().script.calls.push_back(WaveCall{function, nullptr, 0, nullptr, 0, 0, 0, nullptr, 0, 0});
}

void Deliver(void* device, UINT message)
{
    const auto found = state().devices.find(device);
    if (found != state().devices.end()) Notify(device, found->second, message);
}

bool CompleteQueued(void* device)
{
    const auto found = state().devices.find(device);
    if (found == state().devices.end() || !found->second.queued) return false;
    FakeDevice& open = found->second;
    WAVEHDR* header = open.queued;
    open.queued = nullptr;
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (open.input) header->dwBytesRecorded = header->dwBufferLength;
    Notify(device, open, open.input ? WIM_DATA : WOM_DONE);
    return true;
}

bool IsOpen(void* device)
{
    return state().devices.count(device) != 0;
}

void AdvanceClock(DWORD ms)
{
    state().tickMs += ms;
}

}  // namespace fake

using fake::Close;
using fake::Control;
using fake::Open;
using fake::Prepare;
using fake::Queue;
using fake::Unprepare;

MMRESULT waveInOpen(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format,
                    DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    void* handle = nullptr;
    const MMRESULT code = Open("waveInOpen", true, handle, deviceId, format, callback, instance,
                               flags);
    *device = static_cast<HWAVEIN>(handle);
    return code;
}
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize)
{
    return Prepare("waveInPrepareHeader", true, device, header, headerSize);
}
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT headerSize)
{
    return Queue("waveInAddBuffer", true, device, header, headerSize);
}
MMRESULT waveInStart(HWAVEIN device)
{
    return Control("waveInStart", true, device, false);
}
MMRESULT waveInReset(HWAVEIN device)
{
    return Control("waveInReset", true, device, true);
}
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize)
{
    return Unprepare("waveInUnprepareHeader", true, device, header, headerSize);
}
MMRESULT waveInClose(HWAVEIN device)
{
    return Close("waveInClose", true, device);
}

MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    void* handle = nullptr;
    const MMRESULT code = Open("waveOutOpen", false, handle, deviceId, format, callback, instance,
                               flags);
    *device = static_cast<HWAVEOUT>(handle);
    return code;
}
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT headerSize)
{
    return Prepare("waveOutPrepareHeader", false, device, header, headerSize);
}
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT headerSize)
{
    return Queue("waveOutWrite", false, device, header, headerSize);
}
MMRESULT waveOutReset(HWAVEOUT device)
{
    return Control("waveOutReset", false, device, true);
}
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT headerSize)
{
    return Unprepare("waveOutUnprepareHeader", false, device, header, headerSize);
}
MMRESULT waveOutClose(HWAVEOUT device)
{
    return Close("waveOutClose", false, device);
}

DWORD GetTickCount()
{
    return fake::state().tickMs;
}
