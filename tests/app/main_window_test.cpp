// The main window's button states and commands, on the real template, devices and dialogs.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <optional>
#include <vector>

#include "app/main_window.h"
#include "app/progress.h"
#include "app/res/resource.h"
#include "main_window_fixture.h"
#include "tests/fakes/fake_alloc.h"
#include "tests/fakes/import_hook.h"
#include "voice/devices.h"
#include "voice/window_link.h"

namespace {

constexpr DWORD kBytesPerSecond = 16000;

// Answers the duration dialog with `text` and Record.
std::function<void(DialogScript&)> AnswerDuration(const char* text)
{
    return [text](DialogScript& script) {
        HWND dialog = script.WaitForDialog("Opnemen");
        if (!dialog)
            return;
        Type(dialog, IDC_SECONDS, text);
        script.Answer(dialog, IDOK);
    };
}

// A device handle put aside for a test that needs the device missing, and put back after.
class WithoutDevice {
public:
    explicit WithoutDevice(CVoiceBase& device) : device(device), handle(device.device)
    {
        device.device = nullptr;
    }
    ~WithoutDevice() { device.device = handle; }

private:
    CVoiceBase& device;
    void* handle;
};

// A key as the dialog's modal loop hands it over, to the control with the focus.
void PressKey(HWND window, WPARAM key)
{
    MSG message = {GetFocus(), WM_KEYDOWN, key, 0};
    IsDialogMessageA(window, &message);
}

}  // namespace

TEST_F(MainWindowTest, StartsFreshWithOpenDevicesFullBuffersAndTheSmallIcon)
{
    EXPECT_EQ(kFresh, ButtonStates());
    EXPECT_EQ("Morvik Wav Recorder", TextOf(window));
    EXPECT_EQ(-1, duration);
    EXPECT_EQ(Item(IDC_REC), GetFocus()) << "Enter or Space must start a recording at once";
    EXPECT_NE(nullptr, recorder.device);
    EXPECT_NE(nullptr, player.device);
    for (const CVoiceBase* device : {static_cast<CVoiceBase*>(&recorder), static_cast<CVoiceBase*>(&player)}) {
        EXPECT_NE(nullptr, device->buffer);
        EXPECT_EQ(60 * kBytesPerSecond, device->header.dwBufferLength);
    }

    const HICON small = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(nullptr, small);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(small, &info));
    BITMAP picture = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof picture, &picture);
    EXPECT_EQ(16, picture.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(0, SendMessageA(window, WM_GETICON, ICON_BIG, 0)) << "only the small icon is set";
    EXPECT_EQ(TRUE, MainDlgProc(window, WM_INITDIALOG, 0, 0)) << "no first focus on Windows";
}

TEST_F(MainWindowTest, RecordAndPlayAreBusyUntilTheirCompletionMakesReady)
{
    DialogScript script(AnswerDuration("1"));
    Command(IDC_REC);
    ASSERT_EQ("", Describe(script.Finish()));
    // The completion is handed over through this thread's queue, so it cannot have come yet.
    EXPECT_EQ(kBusy, ButtonStates());
    EXPECT_EQ(1, duration);
    EXPECT_EQ(kBytesPerSecond, recorder.header.dwBufferLength);
    EXPECT_EQ(kBytesPerSecond, player.header.dwBufferLength);
    EXPECT_EQ(ID_PROGRESS_TIMER, progressTimer);
    ASSERT_TRUE(WaitForButtons(kReady)) << "recording never completed: " << ButtonStates();

    FillRecording();
    Command(IDC_PLAY);
    EXPECT_EQ(kBusy, ButtonStates());
    EXPECT_EQ(0, std::memcmp(recorder.buffer, player.buffer, kBytesPerSecond));
    ASSERT_TRUE(WaitForButtons(kReady)) << "playback never completed: " << ButtonStates();
}

// Commands of disabled buttons, as any program can send them, open nothing and start nothing.
TEST_F(MainWindowTest, CommandsOfDisabledButtonsDoNothing)
{
    auto sendToDisabled = [this](const char* when, const char* states, bool recording, bool playing) {
        SCOPED_TRACE(when);
        DialogScript script([](DialogScript&) {});  // nothing may open
        for (int id : {IDC_REC, IDC_PLAY, IDC_SAVE})
            if (!IsWindowEnabled(Item(id)))
                Command(id);  // sent, not pumped: no completion can come in between
        EXPECT_EQ("", Describe(script.Finish()));
        EXPECT_EQ(states, ButtonStates());
        EXPECT_EQ(recording, recorder.running);
        EXPECT_EQ(playing, player.running);
    };
    sendToDisabled("before any recording", kFresh, false, false);
    DialogScript script(AnswerDuration("1"));
    Command(IDC_REC);
    ASSERT_EQ("", Describe(script.Finish()));
    sendToDisabled("while recording", kBusy, true, false);
    ASSERT_TRUE(WaitForButtons(kReady));
    EXPECT_EQ(kBytesPerSecond, recorder.header.dwBytesRecorded) << "the recording was cut";
    Command(IDC_PLAY);
    sendToDisabled("while playing", kBusy, false, true);
    EXPECT_TRUE(WaitForButtons(kReady));
}

TEST_F(MainWindowTest, RecordCancelledChangesNothing)
{
    const struct {
        const char* name;
        std::int32_t recorded;  // -1: fresh
        const char* states;
    } starts[] = {{"fresh", -1, kFresh}, {"after a recording", 2, kReady}};
    for (const auto& start : starts) {
        SCOPED_TRACE(start.name);
        if (start.recorded >= 0)
            PretendRecorded(start.recorded);
        const std::uint8_t* before = recorder.buffer;
        const DWORD byteCount = recorder.header.dwBufferLength;

        DialogScript script([](DialogScript& script) {
            if (HWND dialog = script.WaitForDialog("Opnemen"))
                script.Answer(dialog, IDCANCEL);
        });
        Command(IDC_REC);
        EXPECT_EQ("", Describe(script.Finish()));
        EXPECT_EQ(start.states, ButtonStates());
        EXPECT_EQ(start.recorded, duration);
        EXPECT_EQ(before, recorder.buffer) << "the recording was replaced";
        EXPECT_EQ(byteCount, player.header.dwBufferLength);
        EXPECT_EQ(static_cast<UINT_PTR>(-1), progressTimer);
    }
}

namespace {
MMRESULT WINAPI NoInput(LPHWAVEIN, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) { return MMSYSERR_BADDEVICEID; }
MMRESULT WINAPI NoOutput(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) { return MMSYSERR_BADDEVICEID; }
decltype(&waveInOpen) realWaveInOpen = nullptr;
decltype(&waveOutOpen) realWaveOutOpen = nullptr;
}  // namespace

// The input is open only while it records. A device that is not open when its command comes
// (closed after a recording, missing at start-up) is looked for again; while there is none the
// command says so, and the recording in memory stays.
TEST_F(MainWindowTest, MissingDeviceIsLookedForAgainAndRefusedWhileThereIsNone)
{
    auto record = [this] {
        DialogScript script(AnswerDuration("1"));
        Command(IDC_REC);
        ASSERT_EQ("", Describe(script.Finish()));
        ASSERT_TRUE(WaitForButtons(kReady)) << "recording never completed: " << ButtonStates();
        EXPECT_EQ(nullptr, recorder.device) << "the input is still open after the recording";
    };
    record();
    {
        const ImportHook<decltype(&waveInOpen)> noInput("winmm.dll", "waveInOpen", &NoInput, realWaveInOpen);
        const ImportHook<decltype(&waveOutOpen)> noOutput("winmm.dll", "waveOutOpen", &NoOutput, realWaveOutOpen);
        ASSERT_TRUE(noInput.Installed() && noOutput.Installed());
        WithoutDevice missing(player);
        std::vector<std::string> said;
        DialogScript script([&said](DialogScript& script) {
            AnswerDuration("2")(script);
            for (int box = 0; box < 2; ++box)
                if (HWND dialog = script.WaitForDialog("Fout")) {
                    said.push_back(MessageTextOf(dialog));
                    script.Answer(dialog, IDOK);
                }
        });
        Command(IDC_REC);
        Command(IDC_PLAY);
        EXPECT_EQ("", Describe(script.Finish()));
        EXPECT_EQ((std::vector<std::string>{"Geen opnameapparaat gevonden", "Geen afspeelapparaat gevonden"}), said);
        EXPECT_EQ(kReady, ButtonStates());
        EXPECT_EQ(1, duration);
        EXPECT_EQ(kBytesPerSecond, recorder.header.dwBufferLength) << "the recording was replaced";
        EXPECT_FALSE(player.running);
    }
    record();
}

// Behind one of the window's own dialogs, commands that another program posts open nothing
// more and start nothing: a second duration dialog could replace what Save As is writing.
TEST_F(MainWindowTest, CommandsWhileItsOwnDialogIsUpDoNothing)
{
    PretendRecorded(1);
    const struct { int command; const char* caption; int answer; } dialogs[] = {
        {IDC_REC, "Opnemen", IDCANCEL}, {IDCANCEL, "Quit", IDNO}};
    for (const auto& open : dialogs) {
        DialogScript script([&](DialogScript& script) {
            HWND dialog = script.WaitForDialog(open.caption);
            if (!dialog)
                return;
            for (int id : {IDC_REC, IDC_PLAY, IDCANCEL})
                PostMessageA(window, WM_COMMAND, id, 0);
            script.Answer(dialog, open.answer);  // posted after them: handled after them
        });
        Command(open.command);
        EXPECT_EQ("", Describe(script.Finish())) << open.caption;
    }
    EXPECT_EQ(kReady, ButtonStates());
    EXPECT_FALSE(player.running);
}

TEST_F(MainWindowTest, OtherCommandsAndTimersDoNothingButClearTheResult)
{
    PretendRecorded(1);
    DialogScript script([](DialogScript&) {});  // nothing may open
    // Called directly: the dialog manager clears the result itself before it calls us, which
    // would hide a procedure that leaves an old result behind.
    auto resultAfter = [this](UINT message, WPARAM wParam) {
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 77);
        EXPECT_EQ(TRUE, MainDlgProc(window, message, wParam, 0));
        return GetWindowLongPtrA(window, DWLP_MSGRESULT);
    };
    for (int id : {IDOK, 0, IDC_PROGRESS, IDC_SECONDS, 0xFFFF})
        EXPECT_EQ(0, resultAfter(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED))) << "command " << id;
    EXPECT_EQ(0, resultAfter(WM_TIMER, ID_PROGRESS_TIMER + 1)) << "foreign timer";
    EXPECT_EQ(0, SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0)) << "a foreign timer stepped the bar";
    EXPECT_EQ("", Describe(script.Finish()));
    EXPECT_EQ(kReady, ButtonStates());
    EXPECT_EQ(1, duration);
}

// A buffer that could not be had refuses every command that needs it, saying so once each.
TEST_F(MainWindowTest, MissingBufferRefusesRecPlayAndSave)
{
    PretendRecorded(1);
    std::vector<std::string> said;
    auto noteMessage = [&said](DialogScript& script) {
        if (HWND box = script.WaitForDialog(nullptr)) {
            said.push_back(TextOf(box) + ": " + MessageTextOf(box));
            script.Answer(box, IDOK);
        }
    };

    std::optional<fake::FailingArrayAllocations> noMemory(std::in_place, 7 * kBytesPerSecond);
    {
        DialogScript script([&](DialogScript& script) {
            AnswerDuration("7")(script);
            noteMessage(script);
        });
        Command(IDC_REC);
        EXPECT_EQ("", Describe(script.Finish()));
    }
    EXPECT_EQ(nullptr, recorder.buffer);
    EXPECT_EQ(kReady, ButtonStates()) << "a recording started without a buffer";
    EXPECT_EQ(static_cast<UINT_PTR>(-1), progressTimer);
    for (int id : {IDC_PLAY, IDC_SAVE}) {
        DialogScript script(noteMessage);  // Save must not even ask for a file name
        Command(id);
        EXPECT_EQ("", Describe(script.Finish())) << "command " << id;
        EXPECT_EQ(kReady, ButtonStates());
    }
    EXPECT_EQ((std::vector<std::string>(3, "Fout: Onvoldoende geheugen")), said);

    noMemory.reset();
    DialogScript script(AnswerDuration("1"));
    Command(IDC_REC);
    EXPECT_EQ("", Describe(script.Finish()));
    EXPECT_EQ(kBusy, ButtonStates());
    EXPECT_TRUE(WaitForButtons(kReady));
}

// By keyboard alone: Enter on the first focus records; while Busy it starts nothing; after each
// completion the focus is back on the button that started it, for Enter to repeat.
TEST_F(MainWindowTest, EnterActsOnTheFocusedButtonWhichHasTheFocusBackAfterItsCompletion)
{
    {
        DialogScript script(AnswerDuration("1"));
        PressKey(window, VK_RETURN);
        ASSERT_EQ("", Describe(script.Finish()));
    }
    EXPECT_EQ(kBusy, ButtonStates());
    {
        DialogScript script([](DialogScript&) {});  // nothing may open
        PressKey(window, VK_RETURN);
        EXPECT_EQ("", Describe(script.Finish()));
    }
    ASSERT_TRUE(WaitForButtons(kReady));
    EXPECT_EQ(Item(IDC_REC), GetFocus());

    PressKey(window, VK_TAB);
    ASSERT_EQ(Item(IDC_PLAY), GetFocus());
    PressKey(window, VK_RETURN);
    EXPECT_EQ(kBusy, ButtonStates());
    ASSERT_TRUE(WaitForButtons(kReady));
    EXPECT_EQ(Item(IDC_PLAY), GetFocus());
}
