// The progress bar of the main window and its timer.
#include "app/progress.h"

#include <commctrl.h>

#include "app/res/resource.h"
#include "app/window_arithmetic.h"
#include "voice/window_link.h"

UINT_PTR progressTimer = static_cast<UINT_PTR>(-1);

namespace {

constexpr UINT kStepPeriodMs = 200;

HWND ProgressBar(HWND window)
{
    return GetDlgItem(window, IDC_PROGRESS);
}

}  // namespace

void StartProgress(HWND window)
{
    const HWND bar = ProgressBar(window);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressMaximum(duration)));
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    // A failed SetTimer stores 0: the bar then stays empty, and the buttons still come back
    // through the device's completion.
    progressTimer = SetTimer(window, ID_PROGRESS_TIMER, kStepPeriodMs, nullptr /* WM_TIMER */);
}

void StepProgress(HWND window)
{
    const HWND bar = ProgressBar(window);
    const int position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    const int maximum = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE /* maximum */, 0));
    if (ProgressIsFull(position, maximum)) {
        KillTimer(window, progressTimer);
        progressTimer = static_cast<UINT_PTR>(-1);
    }
    // Also on the stopping tick: the control keeps the position inside its range.
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position + 1), 0);
}
