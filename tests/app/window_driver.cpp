// Plays the user for the window under test, from a thread of its own.
#include "window_driver.h"

#include <algorithm>

namespace {

constexpr DWORD kPollMs = 10;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text
// A dialog still open this long after its script ended was not expected.
constexpr DWORD kLeftoverGraceMs = 5000;
constexpr UINT kMessageTimeoutMs = 10000;

bool IsDialogClass(HWND window)
{
    char className[32] = "";
    return GetClassNameA(window, className, sizeof className) > 0 &&
           std::string(className) == "#32770";
}

// EnumThreadWindows' callback: a plain function, since on i686 it must use the stdcall convention.
BOOL CALLBACK CollectVisibleDialog(HWND window, LPARAM list)
{
    if (IsWindowVisible(window) && IsDialogClass(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleDialogsOf(DWORD threadId)
{
    std::vector<HWND> found;
    EnumThreadWindows(threadId, CollectVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Contains(const std::vector<HWND>& windows, HWND window)
{
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// Scripts begun and not yet finished, and how many ever began: the guard keeps off while one
// runs, or when one began while it looked.
std::atomic<int> scriptsRunning{0};
std::atomic<unsigned> scriptsBegun{0};
std::atomic<bool> unexpectedDialogClosed{false};

}  // namespace

// The script's thread must never wait on the test's thread: that one may be joining the script
// (after an expected dialog failed to come). So captions are read without a message, and
// messages to controls give up after a while.
std::string TextOf(HWND window)
{
    wchar_t wide[1024] = L"";
    const int length = InternalGetWindowText(window, wide, 1024);
    std::string text;
    for (int i = 0; i < length; ++i)
        text += static_cast<char>(wide[i] < 0x80 ? wide[i] : '?');
    return text;
}

std::string FieldText(HWND field)
{
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, kMessageTimeoutMs, &length))
        return "(no answer)";
    return text;
}

std::string MessageTextOf(HWND box)
{
    return TextOf(GetDlgItem(box, kMessageBoxTextId));
}

void TypeInto(HWND field, const std::string& text)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        kMessageTimeoutMs, &ignored);
}

void Type(HWND dialog, int id, const std::string& text)
{
    TypeInto(GetDlgItem(dialog, id), text);
}

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool PumpUntil(const std::function<bool()>& condition, DWORD deadlineMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (condition())
            return true;
        if (unexpectedDialogClosed || GetTickCount() - start > deadlineMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
}

UnexpectedDialogGuard::UnexpectedDialogGuard()
    : threadId(GetCurrentThreadId()), startDialogs(VisibleDialogsOf(threadId))
{
    thread = std::thread([this] { Watch(); });
}

UnexpectedDialogGuard::~UnexpectedDialogGuard()
{
    Finish();
}

std::vector<std::string> UnexpectedDialogGuard::Finish()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    unexpectedDialogClosed = false;  // PumpUntil waits again, for a test without a guard too
    return closed;
}

void UnexpectedDialogGuard::Watch()
{
    std::vector<HWND> noted;
    for (; !stopping; Sleep(kPollMs * 10)) {
        // What a script that began meanwhile may have opened is left to it.
        const unsigned begun = scriptsBegun;
        if (scriptsRunning != 0)
            continue;
        const std::vector<HWND> dialogs = VisibleDialogsOf(threadId);
        if (scriptsRunning != 0 || scriptsBegun != begun)
            continue;
        for (HWND dialog : dialogs) {
            if (Contains(startDialogs, dialog))
                continue;
            if (!Contains(noted, dialog)) {
                closed.push_back("closed unanswered: \"" + TextOf(dialog) + "\" saying \"" +
                                 MessageTextOf(dialog) + "\"");
                noted.push_back(dialog);
            }
            unexpectedDialogClosed = true;
            Press(dialog, IDCANCEL);
        }
    }
}

DialogScript::DialogScript(std::function<void(DialogScript&)> steps)
    : threadId(GetCurrentThreadId())
{
    ++scriptsBegun;
    ++scriptsRunning;
    startDialogs = Dialogs();
    thread = std::thread([this, steps] { Run(steps); });
}

DialogScript::~DialogScript()
{
    Finish();
}

std::vector<std::string> DialogScript::Finish()
{
    callerReturned = true;
    if (thread.joinable()) {
        thread.join();
        --scriptsRunning;
    }
    std::lock_guard<std::mutex> hold(problemsLock);
    return problems;
}

void DialogScript::Run(const std::function<void(DialogScript&)>& steps)
{
    steps(*this);
    CancelLeftovers();
}

// Until the test thread has returned from its modal call, whatever the script did not answer is
// cancelled after a grace period, and noted.
void DialogScript::CancelLeftovers()
{
    const DWORD start = GetTickCount();
    std::vector<HWND> noted;
    while (!callerReturned) {
        if (GetTickCount() - start > kLeftoverGraceMs) {
            for (HWND dialog : Dialogs()) {
                if (Contains(startDialogs, dialog))
                    continue;
                if (!Contains(noted, dialog)) {
                    Fail("left open: \"" + TextOf(dialog) + "\" saying \"" + MessageTextOf(dialog) + "\"");
                    noted.push_back(dialog);
                }
                Press(dialog, IDCANCEL);
            }
        }
        Sleep(kPollMs * 10);
    }
}

std::vector<HWND> DialogScript::Dialogs() const
{
    return VisibleDialogsOf(threadId);
}

HWND DialogScript::WaitForDialog(const char* caption)
{
    const DWORD start = GetTickCount();
    do {
        for (HWND dialog : Dialogs())
            if (caption ? TextOf(dialog) == caption : !Contains(startDialogs, dialog))
                return dialog;
        Sleep(kPollMs);
    } while (GetTickCount() - start < kDeadlineMs);
    Fail(std::string("no dialog \"") + (caption ? caption : "(new)") + "\" came");
    return nullptr;
}

bool DialogScript::Answer(HWND dialog, int id)
{
    Press(dialog, id);
    const DWORD start = GetTickCount();
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (GetTickCount() - start > kDeadlineMs) {
            Fail("\"" + TextOf(dialog) + "\" stayed open after " + std::to_string(id));
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

void DialogScript::Fail(const std::string& problem)
{
    std::lock_guard<std::mutex> hold(problemsLock);
    problems.push_back(problem);
}
