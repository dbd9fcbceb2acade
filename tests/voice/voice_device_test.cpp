// CVoiceRecording and CVoicePlaying over the fake waveform layer: the same behaviour pinned for
// both twins, each with its own calls and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/fakes/fake_alloc.h"
#include "tests/fakes/fake_waveform.h"
#include "tests/fakes/fake_window.h"
#include "tests/voice/result_texts.h"
#include "voice/completion.h"
#include "voice/voice_playing.h"
#include "voice/voice_recording.h"

namespace {

typedef std::vector<std::string> Names;

struct Recording {
    typedef CVoiceRecording Device;
    static Names StartCalls() { return {"waveInPrepareHeader", "waveInAddBuffer", "waveInStart"}; }
    static constexpr const char* kOpen = "waveInOpen";
    static constexpr const char* kUnprepare = "waveInUnprepareHeader";
    static constexpr const char* kReset = "waveInReset";
    static constexpr const char* kClose = "waveInClose";
    static constexpr UINT kDone = WIM_DATA;
    // A started input would go on capturing: it is closed once its buffer is full.
    static Names FinishCalls() { return {"waveInReset", "waveInUnprepareHeader", "waveInClose"}; }
    static constexpr bool kOpensAgainAfterGiveUp = false;  // not before the next recording
    static std::vector<UINT> ForeignMessages() { return {WIM_OPEN, WIM_CLOSE, WOM_DONE, 0, 0xFFFF}; }
    static DWORD_PTR Callback() { return reinterpret_cast<DWORD_PTR>(WaveInProc); }
    static void CallBack(void* device, UINT message, DWORD_PTR instance)
    {
        WaveInProc(static_cast<HWAVEIN>(device), message, instance, 0, 0);
    }
    static int Start(Device& device) { return device.Record(); }
    static void Finish(Device& device, void* handle) { device.FinishRecording(handle); }
};

struct Playing {
    typedef CVoicePlaying Device;
    static Names StartCalls() { return {"waveOutPrepareHeader", "waveOutWrite"}; }
    static constexpr const char* kOpen = "waveOutOpen";
    static constexpr const char* kUnprepare = "waveOutUnprepareHeader";
    static constexpr const char* kReset = "waveOutReset";
    static constexpr const char* kClose = "waveOutClose";
    static constexpr UINT kDone = WOM_DONE;
    static Names FinishCalls() { return {"waveOutUnprepareHeader"}; }
    // At once: under Wine the start of a buffer written to a just-opened output is lost.
    static constexpr bool kOpensAgainAfterGiveUp = true;
    static std::vector<UINT> ForeignMessages() { return {WOM_OPEN, WOM_CLOSE, WIM_DATA, 0, 0xFFFF}; }
    static DWORD_PTR Callback() { return reinterpret_cast<DWORD_PTR>(WaveOutProc); }
    static void CallBack(void* device, UINT message, DWORD_PTR instance)
    {
        WaveOutProc(static_cast<HWAVEOUT>(device), message, instance, 0, 0);
    }
    static int Start(Device& device) { return device.Play(); }
    static void Finish(Device& device, void* handle) { device.FinishPlaying(handle); }
};

// What the window's poster received, in order.
std::vector<CVoiceBase*> posted;
std::vector<void*> postedHandles;

void RecordingPoster(CVoiceBase* device, void* handle)
{
    posted.push_back(device);
    postedHandles.push_back(handle);
    fake::NoteCall("PostCompletion");
}

template <typename Direction>
class VoiceDevice : public ::testing::Test {
protected:
    typedef typename Direction::Device Device;

    void SetUp() override
    {
        fake::ResetWaveform();
        fake::ResetWindow();
        posted.clear();
        postedHandles.clear();
        SetCompletionPoster(RecordingPoster);
    }
    void TearDown() override { SetCompletionPoster(nullptr); }

    // An open device with a one-second buffer, the calls so far forgotten.
    std::unique_ptr<Device> OpenWithBuffer(std::uint32_t seconds = 1)
    {
        std::unique_ptr<Device> device(new Device);
        EXPECT_EQ(1, device->PrepareBuffer(seconds));
        device->OpenDevice();
        EXPECT_NE(nullptr, device->device);
        fake::Waveform().ForgetCalls();
        return device;
    }
};

typedef ::testing::Types<Recording, Playing> Directions;
class DirectionNames {
public:
    template <typename T>
    static std::string GetName(int) { return std::is_same<T, Recording>::value ? "Recording" : "Playing"; }
};
TYPED_TEST_SUITE(VoiceDevice, Directions, DirectionNames);

TYPED_TEST(VoiceDevice, OpensDefaultDeviceWithOwnCallbackAndItselfAsInstance)
{
    typename TypeParam::Device device;
    device.OpenDevice();
    ASSERT_EQ(1u, fake::Waveform().calls.size());
    const fake::WaveCall& open = fake::Waveform().calls[0];
    EXPECT_EQ(TypeParam::kOpen, open.function);
    EXPECT_EQ(WAVE_MAPPER, open.deviceId);
    EXPECT_EQ(&device.format, open.format);
    EXPECT_EQ(TypeParam::Callback(), open.callback);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&device), open.instance);
    EXPECT_EQ(CALLBACK_FUNCTION, open.flags);
    EXPECT_EQ(open.device, device.device);
    EXPECT_NE(nullptr, device.device);
    EXPECT_EQ(0u, device.lastResult);

    EXPECT_TRUE(posted.empty()) << "the open notification is not a completion";

    device.OpenDevice();  // already open: nothing happens
    EXPECT_EQ(1u, fake::Waveform().calls.size());
}

TYPED_TEST(VoiceDevice, FailedOpenLeavesNoDeviceAndNeedsNoClose)
{
    for (const MMRESULT code : testing_texts::kFailingCodes) {
        fake::ResetWaveform();
        fake::Waveform().Script(TypeParam::kOpen, code);
        {
            typename TypeParam::Device device;
            device.OpenDevice();
            EXPECT_EQ(nullptr, device.device) << "code " << code;
            EXPECT_EQ(code, device.lastResult);
            EXPECT_EQ(testing_texts::ExpectedText(code), device.errorText) << "code " << code;
        }
        EXPECT_EQ(Names{TypeParam::kOpen}, fake::Waveform().Names()) << "code " << code;
    }
}

TYPED_TEST(VoiceDevice, StartHandsWholeBufferToItsDevice)
{
    auto device = this->OpenWithBuffer(2);
    EXPECT_EQ(1, TypeParam::Start(*device));
    EXPECT_EQ(TypeParam::StartCalls(), fake::Waveform().Names());
    for (const fake::WaveCall& call : fake::Waveform().calls) {
        EXPECT_EQ(device->device, call.device) << call.function;
        EXPECT_EQ(0u, call.result) << call.function;
        if (call.header) {
            EXPECT_EQ(&device->header, call.header) << call.function;
            EXPECT_EQ(sizeof(WAVEHDR), call.headerSize) << call.function;
        }
    }
    EXPECT_EQ(reinterpret_cast<LPSTR>(device->buffer), device->header.lpData);
    EXPECT_EQ(32000u, device->header.dwBufferLength);
    EXPECT_EQ(&EnableButtons, device->doneHook);
    EXPECT_TRUE(posted.empty());
}

TYPED_TEST(VoiceDevice, FailingStartStepStopsThere)
{
    const Names steps = TypeParam::StartCalls();
    for (std::size_t failing = 0; failing < steps.size(); ++failing) {
        for (const MMRESULT code : testing_texts::kFailingCodes) {
            auto device = this->OpenWithBuffer();
            fake::Waveform().Script(steps[failing], code);
            EXPECT_EQ(0, TypeParam::Start(*device)) << steps[failing] << " " << code;
            EXPECT_EQ(Names(steps.begin(), steps.begin() + failing + 1), fake::Waveform().Names())
                << steps[failing] << " " << code;
            EXPECT_EQ(code, device->lastResult);
            EXPECT_EQ(testing_texts::ExpectedText(code), device->errorText)
                << steps[failing] << " " << code;
            EXPECT_EQ(&EnableButtons, device->doneHook);
            EXPECT_FALSE(device->running) << "a failed start brings no completion and is not watched";
            EXPECT_TRUE(posted.empty());
            device.reset();
            fake::ResetWaveform();
            posted.clear();
        }
    }
}

TYPED_TEST(VoiceDevice, CallbackHandsOverItsCompletionOnly)
{
    auto device = this->OpenWithBuffer();
    ASSERT_EQ(1, TypeParam::Start(*device));
    for (const UINT message : TypeParam::ForeignMessages()) {
        fake::Deliver(device->device, message);
        EXPECT_TRUE(posted.empty()) << "message 0x" << std::hex << message;
    }
    const std::size_t callsBefore = fake::Waveform().calls.size();
    ASSERT_TRUE(fake::CompleteQueued(device->device));
    // The audio thread may not call the audio interface: only the hand-over happens there.
    EXPECT_EQ(std::vector<CVoiceBase*>{device.get()}, posted);
    EXPECT_EQ(std::vector<void*>{device->device}, postedHandles);
    EXPECT_EQ(callsBefore + 1, fake::Waveform().calls.size());
    EXPECT_EQ(0, fake::EnableButtonsCalls());
    EXPECT_NE(0u, device->header.dwFlags & WHDR_PREPARED);
}

TYPED_TEST(VoiceDevice, FinishReleasesHeaderThenRecordsResultThenRunsHook)
{
    for (const MMRESULT unprepareResult : {MMRESULT{0}, MMRESULT{34}}) {
        auto device = this->OpenWithBuffer();
        device->SetResult(7);  // an older failure, to see which text is current at the hook
        ASSERT_EQ(1, TypeParam::Start(*device));
        ASSERT_TRUE(fake::CompleteQueued(device->device));
        if (unprepareResult) fake::Waveform().Script(TypeParam::kUnprepare, unprepareResult);
        fake::Waveform().ForgetCalls();
        MMRESULT resultAtHook = 99;
        std::string textAtHook;
        fake::OnEnableButtons([&] {
            resultAtHook = device->lastResult;
            textAtHook = device->errorText;
        });

        void* const handle = device->device;
        TypeParam::Finish(*device, handle);
        Names expected = TypeParam::FinishCalls();
        expected.push_back("EnableButtons");
        EXPECT_EQ(expected, fake::Waveform().Names());
        EXPECT_EQ(fake::Waveform().calls[expected.size() - 2].result, resultAtHook);
        EXPECT_EQ(fake::IsOpen(handle), device->device != nullptr);
        EXPECT_EQ(testing_texts::ExpectedText(unprepareResult ? unprepareResult : 7), textAtHook);
        fake::OnEnableButtons(nullptr);
        if (!unprepareResult) {
            EXPECT_EQ(0u, device->header.dwFlags & WHDR_PREPARED);
        }
    }
    EXPECT_EQ(2, fake::EnableButtonsCalls());
}

TYPED_TEST(VoiceDevice, NullHookIsSkipped)
{
    auto device = this->OpenWithBuffer();
    ASSERT_EQ(1, TypeParam::Start(*device));
    device->doneHook = nullptr;
    ASSERT_TRUE(fake::CompleteQueued(device->device));
    TypeParam::Finish(*device, device->device);
    EXPECT_EQ(0, fake::EnableButtonsCalls());
    EXPECT_EQ(TypeParam::FinishCalls().back(), fake::Waveform().calls.back().function);
}

TYPED_TEST(VoiceDevice, NeverOpenedDeviceMakesNoCallWhenDestroyed)
{
    {
        typename TypeParam::Device device;
        ASSERT_EQ(1, device.PrepareBuffer(3));
    }
    EXPECT_TRUE(fake::Waveform().calls.empty());
}

TYPED_TEST(VoiceDevice, IdleDeviceClosesWhenDestroyed)
{
    auto device = this->OpenWithBuffer();
    void* const handle = device->device;
    device.reset();
    EXPECT_EQ((Names{TypeParam::kReset, TypeParam::kClose}), fake::Waveform().Names());
    EXPECT_EQ(0u, fake::Waveform().calls.back().result);
    EXPECT_FALSE(fake::IsOpen(handle));
}

TYPED_TEST(VoiceDevice, QuitWithQueuedBufferStopsBeforeClosing)
{
    auto device = this->OpenWithBuffer();
    ASSERT_EQ(1, TypeParam::Start(*device));
    void* const handle = device->device;
    fake::Waveform().ForgetCalls();

    device.reset();
    // The reset hands the buffer back through the callback, which only posts.
    EXPECT_EQ((Names{TypeParam::kReset, "PostCompletion", TypeParam::kUnprepare, TypeParam::kClose}),
              fake::Waveform().Names());
    for (const fake::WaveCall& call : fake::Waveform().calls)
        EXPECT_EQ(0u, call.result) << call.function;
    EXPECT_FALSE(fake::IsOpen(handle));

    // A completion still on its way after the device is gone touches nothing (ASan would see
    // a read of the freed device); with the window gone too, it is dropped.
    const std::size_t postedBefore = posted.size();
    TypeParam::CallBack(handle, TypeParam::kDone, reinterpret_cast<DWORD_PTR>(posted.back()));
    EXPECT_EQ(postedBefore + 1, posted.size());
    SetCompletionPoster(nullptr);
    TypeParam::CallBack(handle, TypeParam::kDone, reinterpret_cast<DWORD_PTR>(posted.back()));
    EXPECT_EQ(postedBefore + 1, posted.size());
    EXPECT_EQ(0, fake::EnableButtonsCalls());
}

TYPED_TEST(VoiceDevice, EmptyBufferCompletesThroughThePosterWithoutTheDevice)
{
    auto device = this->OpenWithBuffer(0);
    EXPECT_EQ(1, TypeParam::Start(*device));
    EXPECT_EQ(Names{"PostCompletion"}, fake::Waveform().Names());
    EXPECT_EQ(std::vector<CVoiceBase*>{device.get()}, posted);
    EXPECT_EQ(0, fake::EnableButtonsCalls()) << "the hook runs on the window's thread, not here";

    TypeParam::Finish(*device, device->device);
    Names expected = TypeParam::FinishCalls();
    expected.erase(std::find(expected.begin(), expected.end(), TypeParam::kUnprepare));
    expected.insert(expected.begin(), "PostCompletion");
    expected.push_back("EnableButtons");
    EXPECT_EQ(expected, fake::Waveform().Names()) << "an empty buffer was never prepared";
    EXPECT_EQ(0u, device->lastResult);
}

TYPED_TEST(VoiceDevice, StartWithoutBufferIsRefused)
{
    auto device = this->OpenWithBuffer();
    {
        fake::FailingArrayAllocations noMemory;
        ASSERT_EQ(0, device->PrepareBuffer(2));
    }
    EXPECT_EQ(0, TypeParam::Start(*device));
    EXPECT_TRUE(fake::Waveform().calls.empty());
}

TYPED_TEST(VoiceDevice, OverdueOnlyWhileRunningPastItsLengthAndTheGrace)
{
    auto device = this->OpenWithBuffer(2);
    EXPECT_FALSE(device->IsOverdue()) << "idle";
    ASSERT_EQ(1, TypeParam::Start(*device));
    EXPECT_FALSE(device->IsOverdue()) << "just started";
    // The fake clock wraps on the way: a plain comparison of tick counts would fire early.
    fake::AdvanceClock(2000 + kCompletionGraceMs);
    EXPECT_FALSE(device->IsOverdue()) << "at the limit";
    fake::AdvanceClock(1);
    EXPECT_TRUE(device->IsOverdue());
    ASSERT_TRUE(fake::CompleteQueued(device->device));
    TypeParam::Finish(*device, device->device);
    EXPECT_FALSE(device->IsOverdue()) << "completed, however late";
    EXPECT_EQ(1, fake::EnableButtonsCalls());
    fake::AdvanceClock(60000);
    EXPECT_FALSE(device->IsOverdue()) << "idle for a minute";
}

// A device that is only late: the reset hands the buffer back, so the bytes stay where they are.
TYPED_TEST(VoiceDevice, GiveUpStopsClosesAndIgnoresTheLateCompletion)
{
    auto device = this->OpenWithBuffer();
    ASSERT_EQ(1, TypeParam::Start(*device));
    void* const givenUp = device->device;
    std::uint8_t* const bytes = device->buffer;
    fake::Waveform().ForgetCalls();

    device->GiveUp();
    Names expected{TypeParam::kReset, "PostCompletion", TypeParam::kUnprepare, TypeParam::kClose};
    if (TypeParam::kOpensAgainAfterGiveUp) expected.push_back(TypeParam::kOpen);
    EXPECT_EQ(expected, fake::Waveform().Names());
    EXPECT_FALSE(fake::IsOpen(givenUp));
    EXPECT_EQ(TypeParam::kOpensAgainAfterGiveUp, device->device != nullptr);
    EXPECT_NE(givenUp, device->device);
    EXPECT_EQ(bytes, device->buffer);
    EXPECT_FALSE(device->running);
    EXPECT_FALSE(device->IsOverdue());

    // Finishing what the reset handed over, now or during the next run, does nothing.
    fake::Waveform().ForgetCalls();
    TypeParam::Finish(*device, postedHandles.back());
    device->GiveUp();  // no longer running
    device->OpenDevice();  // as the next command does
    ASSERT_EQ(1, TypeParam::Start(*device));
    TypeParam::Finish(*device, givenUp);
    expected = TypeParam::StartCalls();
    if (!TypeParam::kOpensAgainAfterGiveUp) expected.insert(expected.begin(), TypeParam::kOpen);
    EXPECT_EQ(expected, fake::Waveform().Names());
    EXPECT_EQ(0, fake::EnableButtonsCalls());
    ASSERT_TRUE(fake::CompleteQueued(device->device));
    TypeParam::Finish(*device, device->device);
    EXPECT_EQ(1, fake::EnableButtonsCalls());
}

// A dead sound server under Wine: the reset fails, the buffer stays queued, the close succeeds.
// On Windows an unplugged device also refuses the close, and its handle is abandoned.
TYPED_TEST(VoiceDevice, GiveUpLeavesAKeptBufferToTheDeviceAndGoesOnWithACopy)
{
    constexpr MMRESULT kError = 1;  // MMSYSERR_ERROR
    for (const bool closeRefused : {false, true}) {
        SCOPED_TRACE(closeRefused ? "close refused" : "close succeeds");
        auto device = this->OpenWithBuffer();
        ASSERT_EQ(1, TypeParam::Start(*device));
        const DWORD byteCount = device->header.dwBufferLength;
        std::memset(device->buffer, 0x5A, byteCount);  // recorded, or being played
        void* const givenUp = device->device;
        std::uint8_t* const kept = device->buffer;
        fake::Waveform().Script(TypeParam::kReset, kError);
        if (!closeRefused) fake::Waveform().Script(TypeParam::kClose, MMSYSERR_NOERROR);
        fake::Waveform().ForgetCalls();

        device->GiveUp();
        const MMRESULT expected[] = {kError, WAVERR_STILLPLAYING,
                                     closeRefused ? WAVERR_STILLPLAYING : MMSYSERR_NOERROR};
        Names calls{TypeParam::kReset, TypeParam::kUnprepare, TypeParam::kClose};
        if (TypeParam::kOpensAgainAfterGiveUp) calls.push_back(TypeParam::kOpen);
        ASSERT_EQ(calls, fake::Waveform().Names());
        for (std::size_t i = 0; i < 3; ++i) {
            const fake::WaveCall& call = fake::Waveform().calls[i];
            EXPECT_EQ(expected[i], call.result) << call.function;
        }
        EXPECT_EQ(testing_texts::ExpectedText(WAVERR_STILLPLAYING), device->errorText);
        EXPECT_NE(givenUp, device->device);
        ASSERT_NE(nullptr, device->buffer);
        EXPECT_NE(kept, device->buffer);
        // Reading the kept bytes also shows they were not freed (AddressSanitizer).
        EXPECT_EQ(0, std::memcmp(kept, device->buffer, byteCount));
        EXPECT_EQ(reinterpret_cast<LPSTR>(device->buffer), device->header.lpData);
        EXPECT_EQ(byteCount, device->header.dwBufferLength);
        EXPECT_EQ(0u, device->header.dwFlags);

        // The old device hands the buffer back after all: it finishes nothing.
        fake::Waveform().ForgetCalls();
        ASSERT_TRUE(fake::CompleteQueued(givenUp));
        TypeParam::Finish(*device, givenUp);
        EXPECT_EQ(Names{"PostCompletion"}, fake::Waveform().Names());
        EXPECT_EQ(0, fake::EnableButtonsCalls());

        // The next recording's fresh buffer leaves the kept one alone (the device owns it).
        ASSERT_EQ(1, device->PrepareBuffer(1));
        device->OpenDevice();
        ASSERT_EQ(1, TypeParam::Start(*device));
        ASSERT_TRUE(fake::CompleteQueued(device->device));
        TypeParam::Finish(*device, device->device);
        EXPECT_EQ(1, fake::EnableButtonsCalls());
        device.reset();
        delete[] kept;
        fake::ResetWaveform();
        fake::ResetWindow();
    }
}

TYPED_TEST(VoiceDevice, QuitWhileTheDeviceKeepsItsBufferLeavesItThere)
{
    auto device = this->OpenWithBuffer();
    ASSERT_EQ(1, TypeParam::Start(*device));
    std::uint8_t* const kept = device->buffer;
    fake::Waveform().Script(TypeParam::kReset, 1);
    fake::Waveform().Script(TypeParam::kClose, MMSYSERR_NOERROR);
    device.reset();
    kept[0] = 1;  // as the device may still do: AddressSanitizer reports it if the bytes were freed
    delete[] kept;
}

TEST(VoicePlaying, GiveUpWithoutADeviceToOpenLeavesNone)
{
    fake::ResetWaveform();
    fake::ResetWindow();
    auto player = std::make_unique<CVoicePlaying>();
    ASSERT_EQ(1, player->PrepareBuffer(1));
    player->OpenDevice();
    ASSERT_EQ(1, player->Play());
    fake::Waveform().Script("waveOutOpen", MMSYSERR_NODRIVER);
    player->GiveUp();
    EXPECT_EQ(nullptr, player->device);
    EXPECT_EQ(MMSYSERR_NODRIVER, player->lastResult);
    EXPECT_EQ(testing_texts::ExpectedText(MMSYSERR_NODRIVER), player->errorText);
    EXPECT_NE(nullptr, player->buffer);
    fake::Waveform().ForgetCalls();
    player.reset();
    EXPECT_TRUE(fake::Waveform().calls.empty());
}

// The recorder's completion goes through its virtual OnRecordingDone.
class CountingRecorder : public CVoiceRecording {
public:
    void OnRecordingDone() override { ++doneCalls; }
    int doneCalls = 0;
};

TEST(VoiceRecording, CompletionRunsVirtualOnRecordingDone)
{
    fake::ResetWaveform();
    fake::ResetWindow();
    CountingRecorder recorder;
    ASSERT_EQ(1, recorder.PrepareBuffer(1));
    recorder.OpenDevice();
    ASSERT_EQ(1, recorder.Record());
    void* const first = recorder.device;
    ASSERT_TRUE(fake::CompleteQueued(first));
    recorder.FinishRecording(first);
    EXPECT_EQ(1, recorder.doneCalls);
    EXPECT_EQ(0, fake::EnableButtonsCalls());
    EXPECT_EQ(16000u, recorder.header.dwBytesRecorded);
    EXPECT_FALSE(fake::IsOpen(first)) << "the input goes on capturing after the recording";

    // The next recording, on the device opened again, completes the same way.
    recorder.OpenDevice();
    ASSERT_EQ(1, recorder.Record());
    ASSERT_TRUE(fake::CompleteQueued(recorder.device));
    recorder.FinishRecording(recorder.device);
    EXPECT_EQ(2, recorder.doneCalls);
}

}  // namespace
