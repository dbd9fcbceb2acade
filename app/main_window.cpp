// The main window: its dialog procedure, its commands and the done hook of the devices.
#include "app/main_window.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "app/dialog_result.h"
#include "app/duration_dialog.h"
#include "app/progress.h"
#include "app/res/resource.h"
#include "app/window_arithmetic.h"
#include "voice/completion.h"
#include "voice/devices.h"
#include "voice/window_link.h"
#include "wav/save_command.h"

HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;
std::int32_t duration = -1;

namespace {

constexpr std::uint32_t kInitialSeconds = 60;
constexpr int kSmallIconPixels = 16;
// While a device runs, this timer looks whether it is overdue (see kCompletionGraceMs).
constexpr UINT_PTR ID_WATCHDOG_TIMER = 110;
constexpr UINT kWatchdogPeriodMs = 250;

// Audio thread: only PostMessage-class calls are safe here. Once the window is gone the post
// fails and the completion is dropped, which is all that is left to do then.
void PostToWindow(CVoiceBase* device, void* handle)
{
    PostMessageA(mainWindow, WM_VOICE_DONE, reinterpret_cast<WPARAM>(handle),
                 reinterpret_cast<LPARAM>(device));
}

void EnableButton(HWND window, int id, BOOL enable)
{
    EnableWindow(GetDlgItem(window, id), enable);
}

// The button whose command started the device that runs (IDC_REC or IDC_PLAY): the focus goes
// back to it when the device is done, so that Enter or Space repeats what the user just did.
int startedBy = IDC_REC;

// Whether the window holds a completed recording that has not been saved since it was made:
// ending the session now would lose it.
bool unsavedRecording = false;

// Busy: every button that could touch a device stays off until the device's completion runs
// the done hook; meanwhile the bar shows the time passing.
void EnterBusy(HWND window, int command)
{
    startedBy = command;
    // The focused button is about to be disabled, which would leave the keyboard focus nowhere
    // and Esc (quit) reaching nothing; the bar keeps it inside the dialog instead.
    SendMessageA(window, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(window, IDC_PROGRESS)), TRUE);
    EnableButton(window, IDC_REC, FALSE);
    EnableButton(window, IDC_PLAY, FALSE);
    EnableButton(window, IDC_SAVE, FALSE);
    StartProgress(window);
    // Without it (SetTimer failed) a device that never completes keeps the window Busy; quitting
    // still works.
    SetTimer(window, ID_WATCHDOG_TIMER, kWatchdogPeriodMs, nullptr /* WM_TIMER */);
}

void ShowFault(HWND window, const char* text)
{
    MessageBoxA(window, text, "Fout", MB_OK);
}

// A failed PrepareBuffer leaves a device without a buffer; a command that needs it is refused
// and the user is told once.
bool RefuseWithoutBuffer(HWND window, const CVoiceBase& device)
{
    if (device.buffer != nullptr)
        return false;
    ShowFault(window, "Onvoldoende geheugen");
    return true;
}

void OnInitDialog(HWND window)
{
    mainWindow = window;
    startedBy = IDC_REC;
    unsavedRecording = false;
    SetCompletionPoster(PostToWindow);
    // Neither result is looked at here: a missing buffer is refused by the commands that need
    // it, and a device that did not open shows as a null device and is never started.
    recorder.PrepareBuffer(kInitialSeconds);
    recorder.OpenDevice();
    player.PrepareBuffer(kInitialSeconds);
    player.OpenDevice();
    EnableButton(window, IDC_PLAY, FALSE);
    EnableButton(window, IDC_SAVE, FALSE);
    // The template has no default button, so Enter on the first focus would arrive as IDOK and
    // do nothing; as the default, the focused Rec takes Enter as a click from the start.
    SendMessageA(window, DM_SETDEFID, IDC_REC, 0);

    const HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                   kSmallIconPixels, kSmallIconPixels, LR_DEFAULTCOLOR);
    if (icon != nullptr)
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void OnRecord(HWND window)
{
    const INT_PTR seconds =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DURATION), window, DurationDlgProc, 0);
    if (seconds == -1)
        return;  // cancelled (or the dialog could not be made): nothing changes
    // The input is closed between recordings, and may have been missing at start-up (a headset
    // plugged in later): the default one is opened now, before the recording in memory goes.
    recorder.OpenDevice();
    if (recorder.device == nullptr) {
        ShowFault(window, "Geen opnameapparaat gevonden");
        return;
    }
    duration = static_cast<std::int32_t>(seconds);

    const bool recorderReady = recorder.PrepareBuffer(static_cast<std::uint32_t>(duration)) != 0;
    player.PrepareBuffer(static_cast<std::uint32_t>(duration));  // a missing one refuses Play later
    if (!recorderReady) {
        RefuseWithoutBuffer(window, recorder);
        return;
    }
    EnterBusy(window, IDC_REC);
    recorder.Record();  // on failure no completion comes; the buttons stay off, quitting still works
}

void OnPlay(HWND window)
{
    if (RefuseWithoutBuffer(window, recorder) || RefuseWithoutBuffer(window, player))
        return;
    // Missing at start-up, or lost with a sound server that died: looked for again.
    player.OpenDevice();
    if (player.device == nullptr) {
        ShowFault(window, "Geen afspeelapparaat gevonden");
        return;
    }
    // Both buffers were sized for `duration` by the same Record command; the clamp only keeps a
    // stray command (Play is disabled until a recording completes) inside them.
    const std::uint32_t byteCount = std::min<std::uint32_t>(
        {BytesOfSeconds(player.format, duration), recorder.header.dwBufferLength,
         player.header.dwBufferLength});
    std::memcpy(player.buffer, recorder.buffer, byteCount);
    EnterBusy(window, IDC_PLAY);
    player.Play();  // on failure no completion comes; the buttons stay off, quitting still works
}

// From Windows Vista on, Windows shows the reason a program gives for holding up the end of the
// session on its screen of such programs. Looked up rather than imported, so that the program
// still starts on older Windows; there the refusal goes without a reason.
typedef BOOL(WINAPI* ShutdownBlockReasonCreateFunction)(HWND, LPCWSTR);
typedef BOOL(WINAPI* ShutdownBlockReasonDestroyFunction)(HWND);

// user32's function `name`, or null where this Windows has none.
template <typename Function>
Function User32Function(const char* name)
{
    const HMODULE user32 = GetModuleHandleA("user32.dll");  // loaded: the program imports from it
    const FARPROC found = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

void ForgetEndSessionReason(HWND window)
{
    const auto destroy = User32Function<ShutdownBlockReasonDestroyFunction>("ShutdownBlockReasonDestroy");
    if (destroy != nullptr)
        destroy(window);  // a no-op where none stands; a failure leaves only a stale text standing
}

void OnSave(HWND window)
{
    if (RefuseWithoutBuffer(window, recorder))
        return;
    if (!SaveRecording(window))
        return;  // cancelled or failed: the recording is as unsaved as before
    unsavedRecording = false;
    ForgetEndSessionReason(window);
}

void OnQuit(HWND window)
{
    const int answer =
        MessageBoxA(window, "Do you realy want to quit?", "Quit", MB_YESNO | MB_ICONEXCLAMATION);
    if (answer == IDNO)
        return;
    EndDialog(window, -1);  // also when the message box itself failed
}

void OnCommand(HWND window, WORD command)
{
    // Disabled, the window is behind one of its own dialogs (Save As, the duration dialog, a
    // message box): a command posted by another program then would open a second one on top,
    // or replace the recording that Save As is about to write.
    if (!IsWindowEnabled(window))
        return;
    // A disabled button is no closed door: any program can post its command, and the dialog
    // manager makes commands by rules of its own. So Rec, Play and Save act only while their
    // button could be pressed, and no device is started while another runs.
    if (command != IDCANCEL && !IsWindowEnabled(GetDlgItem(window, command)))
        return;  // silently, as a click on a disabled button
    switch (command) {
    case IDC_REC:
        OnRecord(window);
        break;
    case IDC_PLAY:
        OnPlay(window);
        break;
    case IDC_SAVE:
        OnSave(window);
        break;
    case IDCANCEL:
        OnQuit(window);
        break;
    default:
        break;
    }
}

// A device that never hands its buffer back (its sound server died, its microphone was
// unplugged) would keep the window Busy for good: it is given up, and the window is Ready again
// with what is in memory, to play and save.
void WatchDevices(HWND window)
{
    const bool recorderOverdue = recorder.IsOverdue();
    const bool playerOverdue = player.IsOverdue();
    if (recorderOverdue)
        recorder.GiveUp();
    if (playerOverdue)
        player.GiveUp();
    if (recorder.running || player.running)
        return;  // still within their time
    // Also before the message box, whose own loop would go on delivering the ticks.
    KillTimer(window, ID_WATCHDOG_TIMER);
    if (!recorderOverdue && !playerOverdue)
        return;  // completed as usual
    EnableButtons();
    ShowFault(window, "Het geluidsapparaat reageert niet");
}

void OnTimer(HWND window, WPARAM timer)
{
    if (timer == ID_PROGRESS_TIMER)
        StepProgress(window);
    else if (timer == ID_WATCHDOG_TIMER)
        WatchDevices(window);
}

// The completion handed over from the audio thread, finished here in the device's own order:
// header released, result recorded, then the done hook.
void OnVoiceDone(WPARAM handle, LPARAM lParam)
{
    const CVoiceBase* device = reinterpret_cast<const CVoiceBase*>(lParam);
    if (device == &recorder)
        recorder.FinishRecording(reinterpret_cast<void*>(handle));
    else if (device == &player)
        player.FinishPlaying(reinterpret_cast<void*>(handle));
}

// What ending the session now would lose, as Windows is to show it; null when nothing.
const wchar_t* EndSessionLoss()
{
    if (recorder.running)
        return L"Er wordt opgenomen";
    if (player.running)
        return L"Er wordt afgespeeld";
    if (unsavedRecording && recorder.buffer != nullptr)
        return L"De opname is nog niet opgeslagen";
    return nullptr;
}

// Windows asks before it logs off, shuts down or restarts. Where that would lose a recording the
// answer is no, with the reason for Windows' own screen, where the user chooses to save first or
// to end the session anyway. No box of our own: Windows waits only a few seconds for the answer.
BOOL OnQueryEndSession(HWND window, LPARAM lParam)
{
    const wchar_t* loss = EndSessionLoss();
    if (loss == nullptr || (lParam & ENDSESSION_CRITICAL) != 0)
        return TRUE;  // also when the session ends whatever the answer
    const auto create = User32Function<ShutdownBlockReasonCreateFunction>("ShutdownBlockReasonCreate");
    if (create != nullptr)
        create(window, loss);  // the refusal holds the session, with or without the reason shown
    return FALSE;
}

// The end of the session was called off (by us or by another program): the reason goes with it.
void OnEndSession(HWND window, WPARAM ending)
{
    if (!ending)
        ForgetEndSessionReason(window);
}

void OnDestroy()
{
    SetCompletionPoster(nullptr);  // later completions have no window to go to
}

}  // namespace

void EnableButtons()
{
    EnableButton(mainWindow, IDC_REC, TRUE);
    EnableButton(mainWindow, IDC_PLAY, TRUE);
    EnableButton(mainWindow, IDC_SAVE, TRUE);
    // The end of a recording, also of one given up when its device stopped answering: what came
    // before is in memory, to play and save, and as much lost if the session ended unasked.
    if (startedBy == IDC_REC)
        unsavedRecording = true;
    // Busy parked the focus on the bar, where Enter and Space do nothing. As the default button
    // too, so that Enter acts on the button that shows the focus.
    SendMessageA(mainWindow, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(mainWindow, startedBy)), TRUE);
}

INT_PTR CALLBACK MainDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        return TRUE;  // focus goes to the first tab stop, Rec
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        ClearMessageResult(window);
        return TRUE;
    case WM_TIMER:
        OnTimer(window, wParam);
        ClearMessageResult(window);
        return TRUE;
    case WM_QUERYENDSESSION:
        SetMessageResult(window, OnQueryEndSession(window, lParam));
        return TRUE;
    case WM_ENDSESSION:
        OnEndSession(window, wParam);
        ClearMessageResult(window);
        return TRUE;
    case WM_VOICE_DONE:
        OnVoiceDone(wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}
