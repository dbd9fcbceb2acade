// The duration dialog: asks how many seconds to record.
#include "app/duration_dialog.h"

#include <cstdint>

#include "app/dialog_result.h"
#include "app/res/resource.h"
#include "app/window_arithmetic.h"

namespace {

constexpr std::int32_t kMaxSeconds = 60;
constexpr int kTextChars = 260;  // MAX_PATH: at most 259 characters are read

void OnInitDialog(HWND dialog)
{
    SetWindowTextA(GetDlgItem(dialog, IDC_SECONDS), "3");
}

// Ends the dialog with the typed seconds, or tells the user why they cannot be had. A negative
// number must never leave here: the buffers would take it for an enormous unsigned count, and
// -1 would pass for a cancel.
void OnAccept(HWND dialog)
{
    char text[kTextChars] = "";
    GetWindowTextA(GetDlgItem(dialog, IDC_SECONDS), text, kTextChars);  // failure leaves "": 0
    const std::int32_t seconds = ReadSeconds(text);
    if (seconds > kMaxSeconds) {
        MessageBoxA(dialog, "Maximaal 60 seconden", "Fout", MB_OK);
        return;
    }
    if (seconds < 0) {
        MessageBoxA(dialog, "Minimaal 0 seconden", "Fout", MB_OK);
        return;
    }
    EndDialog(dialog, seconds);
}

void OnCommand(HWND dialog, WORD command)
{
    switch (command) {
    case IDOK:
        OnAccept(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, -1);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK DurationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;  // focus goes to the first tab stop, Record: Enter takes the offered 3
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        ClearMessageResult(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
