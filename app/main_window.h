// The main window (template IDD_MAIN): Rec, Play, Save, the progress bar and the quit question.
#pragma once

#include <windows.h>

// The program's module, set by WinMain; the Record command loads the duration dialog from it.
extern HINSTANCE instance;
// The main dialog, set when it initialises; EnableButtons and the completion poster use it.
extern HWND mainWindow;

// Private message carrying a finished device to the window's thread (wParam: the device handle
// that finished, lParam: its CVoiceBase*).
constexpr UINT WM_VOICE_DONE = WM_APP + 1;

// Opens and sizes the devices on WM_INITDIALOG, runs the commands, steps the progress bar and
// finishes the devices' completions; ends with -1 once quitting is confirmed. Refuses the end of
// the session (WM_QUERYENDSESSION) while that would lose a recording.
INT_PTR CALLBACK MainDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
