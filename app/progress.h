// The progress bar of the main window: filled by a window timer at five steps a second while a
// recording or a playback runs. It is not tied to the devices; their completion enables the
// buttons, the bar only shows the time passing.
#pragma once

#include <windows.h>

// The timer's identifier in SetTimer and WM_TIMER.
constexpr UINT_PTR ID_PROGRESS_TIMER = 100;

// What SetTimer returned for the running progress timer; all bits set once it has stopped.
extern UINT_PTR progressTimer;

// Empties the bar, sets its range to 0 .. 5 x duration and (re)starts the timer.
void StartProgress(HWND window);
// One timer tick: advances the bar, stopping the timer on the tick that finds it full.
void StepProgress(HWND window);
