// The duration dialog (template IDD_DURATION): asks how many seconds to record.
#pragma once

#include <windows.h>

// Offers "3"; ends with the seconds typed (0 .. 60), or -1 when cancelled. Values outside that
// range are refused with a message and the dialog stays open.
INT_PTR CALLBACK DurationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
