// The window's side of the devices, for tests of the devices alone: EnableButtons counts its calls
// (and, natively, notes them among the fake waveform calls, to check the order), `duration` is
// a plain variable.
#pragma once

#include <functional>

#include "voice/window_link.h"

namespace fake {

// Calls of EnableButtons since the last ResetWindow.
int EnableButtonsCalls();
// Runs inside every EnableButtons call, e.g. to look at a device's state at that moment.
void OnEnableButtons(std::function<void()> observer);
// Zero calls, no observer, duration -1.
void ResetWindow();

}  // namespace fake
