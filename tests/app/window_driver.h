// Plays the user for the window under test. The test's thread sits in a modal loop (the duration
// dialog, a message box, Save As); a script on a thread of its own finds each dialog by its
// caption and types and clicks into it with messages, as the keyboard and the mouse would.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// How long anything may take before the test gives up: generous, for a slow, busy machine.
constexpr DWORD kDeadlineMs = 60000;

// The caption of a window, or the text of a static control (read without a message).
std::string TextOf(HWND window);
// The text of an edit field; "(no answer)" if its thread does not answer.
std::string FieldText(HWND field);
// The text a message box shows.
std::string MessageTextOf(HWND box);
// Replaces the text of a field, as pasting would (ES_NUMBER does not stop this).
void TypeInto(HWND field, const std::string& text);
// The same for a dialog's control.
void Type(HWND dialog, int id, const std::string& text);
// Clicks a dialog's button (or sends its command, for buttons a message box names by id).
void Press(HWND dialog, int id);
// True once `condition` holds; keeps the calling thread's windows alive meanwhile. False when
// the deadline passed first, or an UnexpectedDialogGuard has closed a dialog.
bool PumpUntil(const std::function<bool()>& condition, DWORD deadlineMs = kDeadlineMs);

// While alive, closes every dialog that the calling thread shows while no DialogScript runs,
// noting its caption and text: a message box no test expected would otherwise hold the thread
// in its modal loop until the suite's time limit. Dialogs open at its start are left alone.
class UnexpectedDialogGuard {
public:
    UnexpectedDialogGuard();
    ~UnexpectedDialogGuard();
    UnexpectedDialogGuard(const UnexpectedDialogGuard&) = delete;
    UnexpectedDialogGuard& operator=(const UnexpectedDialogGuard&) = delete;

    // Stops watching and returns what it closed, one line each.
    std::vector<std::string> Finish();

private:
    void Watch();

    const DWORD threadId;
    const std::vector<HWND> startDialogs;
    std::atomic<bool> stopping{false};
    std::vector<std::string> closed;  // the watcher's until Finish has joined it
    std::thread thread;
};

// A script answering the dialogs that the windows of the calling thread open.
class DialogScript {
public:
    // Starts `steps` on a thread of its own.
    explicit DialogScript(std::function<void(DialogScript&)> steps);
    // Joins the script (see Finish).
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Call once the test thread's modal call has returned: waits for the script and returns what
    // went wrong, one line each (empty: all went as scripted). A script that failed, or left a
    // dialog open, has the leftovers cancelled so that the test thread can return at all.
    std::vector<std::string> Finish();

    // For the steps. The visible dialog (class #32770) with `caption` (when caption is null, any
    // not open at the script's start); null, with a failure noted, when none came in time.
    HWND WaitForDialog(const char* caption);
    // Presses `id` in `dialog` and waits until the dialog has gone; false (noted) if it stays.
    bool Answer(HWND dialog, int id);
    // Notes what went wrong.
    void Fail(const std::string& problem);

private:
    void Run(const std::function<void(DialogScript&)>& steps);
    void CancelLeftovers();
    std::vector<HWND> Dialogs() const;

    const DWORD threadId;
    std::vector<HWND> startDialogs;  // open before the script began: never touched
    std::atomic<bool> callerReturned{false};
    std::mutex problemsLock;
    std::vector<std::string> problems;
    std::thread thread;
};
