// The voice devices over the real waveform audio, under Wine: a session's feed sink plays a
// 440 Hz tone into the default input, and the default output is captured by the wrapper
// script, which measures what the recording test kept and what the playback test sent there.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>

#include "tests/fakes/fake_window.h"
#include "voice/completion.h"
#include "voice/voice_playing.h"
#include "voice/voice_recording.h"

namespace {

DWORD testThread = 0;
constexpr UINT kCompletionMessage = WM_APP + 1;
constexpr DWORD kCompletionDeadlineMs = 30000;  // a one-second buffer, on a slow machine
constexpr double kPi = 3.14159265358979323846;
constexpr double kSampleRate = 8000;

// Any thread: the same hand-over the window uses, to this test's thread.
void PostToTestThread(CVoiceBase* device, void* handle)
{
    PostThreadMessageA(testThread, kCompletionMessage, reinterpret_cast<WPARAM>(handle),
                       reinterpret_cast<LPARAM>(device));
}

// The device and handle of a completion posted to this thread.
struct Completion {
    CVoiceBase* device;
    void* handle;
};

// The next completion posted to this thread; its device is null once the deadline has passed.
Completion WaitForCompletion()
{
    const ULONGLONG end = GetTickCount64() + kCompletionDeadlineMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message == kCompletionMessage)
                return Completion{reinterpret_cast<CVoiceBase*>(message.lParam),
                                  reinterpret_cast<void*>(message.wParam)};
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return Completion{nullptr, nullptr};
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLPOSTMESSAGE);
    }
}

// Drops completions already posted (those of devices destroyed meanwhile); returns how many.
int DropPostedCompletions()
{
    int dropped = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, kCompletionMessage, kCompletionMessage, PM_REMOVE))
        ++dropped;
    return dropped;
}

// Samples as a 16-bit PCM WAV file in the current folder, for the wrapper script to measure.
bool WriteWav(const char* name, const WAVEFORMATEX& format, const std::int16_t* samples, std::uint32_t count)
{
    const std::uint32_t dataBytes = count * 2, formatBytes = 16, riffBytes = 36 + dataBytes;
    std::ofstream file(name, std::ios::binary);
    const auto field = [&file](const void* bytes, std::size_t size) {
        file.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    };
    field("RIFF", 4), field(&riffBytes, 4), field("WAVEfmt ", 8), field(&formatBytes, 4);
    field(&format, formatBytes), field("data", 4), field(&dataBytes, 4), field(samples, dataBytes);
    file.close();
    return !file.fail();
}

// Records `seconds` and finishes on this thread, as the window does: the completion comes for
// this device, and the hook runs only then.
void RecordAndFinish(CVoiceRecording& recorder, std::uint32_t seconds)
{
    ASSERT_EQ(1, recorder.PrepareBuffer(seconds));
    recorder.OpenDevice();
    ASSERT_NE(nullptr, recorder.device) << recorder.errorText;
    ASSERT_EQ(1, recorder.Record()) << recorder.errorText;
    const Completion done = WaitForCompletion();
    ASSERT_EQ(&recorder, done.device) << "no WIM_DATA within the deadline";
    EXPECT_EQ(recorder.device, done.handle);
    EXPECT_EQ(0, fake::EnableButtonsCalls()) << "the hook waits for the window's thread";
    recorder.FinishRecording(done.handle);
    EXPECT_EQ(1, fake::EnableButtonsCalls());
    EXPECT_EQ(0u, recorder.lastResult) << recorder.errorText;
}

class VoiceWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        testThread = GetCurrentThreadId();
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its queue
        DropPostedCompletions();
        fake::ResetWindow();
        SetCompletionPoster(PostToTestThread);
    }
    void TearDown() override
    {
        SetCompletionPoster(nullptr);
        DropPostedCompletions();
    }
};

TEST_F(VoiceWine, OneSecondRecordingHoldsTheFedTone)
{
    CVoiceRecording recorder;
    ASSERT_NO_FATAL_FAILURE(RecordAndFinish(recorder, 1));
    EXPECT_EQ(0u, recorder.header.dwFlags & (WHDR_PREPARED | WHDR_INQUEUE));
    EXPECT_EQ(16000u, recorder.header.dwBytesRecorded);

    // The second half, well after any start-up latency, must carry the tone: the wrapper
    // measures it.
    const auto* samples = reinterpret_cast<const std::int16_t*>(recorder.buffer);
    EXPECT_TRUE(WriteWav("recorded.wav", recorder.format, samples + 4000, 4000));
}

TEST_F(VoiceWine, PlaybackCompletesAndCanRepeat)
{
    CVoicePlaying player;
    ASSERT_EQ(1, player.PrepareBuffer(1));
    // 1000 Hz, apart from the fed 440 Hz: the wrapper looks for it on the speaker's monitor.
    auto* samples = reinterpret_cast<std::int16_t*>(player.buffer);
    for (std::size_t i = 0; i < 8000; ++i)
        samples[i] = static_cast<std::int16_t>(12000 * std::sin(2 * kPi * 1000 * i / kSampleRate));
    player.OpenDevice();
    ASSERT_NE(nullptr, player.device) << player.errorText;
    // Twice, as the Play button allows: the second run reuses the header the first left done.
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(1, player.Play()) << player.errorText << " (run " << run << ")";
        const Completion done = WaitForCompletion();
        ASSERT_EQ(&player, done.device) << "no WOM_DONE within the deadline, run " << run;
        player.FinishPlaying(done.handle);
        EXPECT_EQ(run, fake::EnableButtonsCalls());
        EXPECT_EQ(0u, player.lastResult) << player.errorText;
        EXPECT_EQ(0u, player.header.dwFlags & (WHDR_PREPARED | WHDR_INQUEUE));
    }
}

TEST_F(VoiceWine, EmptyRecordingCompletesAtOnce)
{
    // The audio system takes an empty buffer but never hands it back; the device does not
    // give it one and completes by itself.
    CVoiceRecording recorder;
    RecordAndFinish(recorder, 0);
}

TEST_F(VoiceWine, QuitWhileRunningStopsTheDevices)
{
    // Five seconds each, destroyed at once; then a fresh recording still works.
    {
        std::unique_ptr<CVoiceRecording> recorder(new CVoiceRecording);
        std::unique_ptr<CVoicePlaying> player(new CVoicePlaying);
        ASSERT_EQ(1, recorder->PrepareBuffer(5));
        ASSERT_EQ(1, player->PrepareBuffer(5));
        recorder->OpenDevice();
        player->OpenDevice();
        ASSERT_NE(nullptr, recorder->device);
        ASSERT_NE(nullptr, player->device);
        ASSERT_EQ(1, recorder->Record());
        ASSERT_EQ(1, player->Play());
    }
    // Their completions are posted to a window that would be gone: dropped here unread.
    DropPostedCompletions();
    EXPECT_EQ(0, fake::EnableButtonsCalls());

    CVoiceRecording recorder;
    RecordAndFinish(recorder, 1);
}

}  // namespace
