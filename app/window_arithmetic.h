// The window's arithmetic that needs no window system: reading the typed seconds, the progress
// bar's range and the byte count a recording of some seconds takes. Builds natively too.
#pragma once

#include <cstdint>

#include "voice/waveform.h"

// Reads a decimal number the way atoi does (leading white space, an optional sign, digits up to
// the first non-digit; no digits gives 0), clamping to the 32-bit range instead of overflowing.
std::int32_t ReadSeconds(const char* text);

// The progress bar's maximum for `seconds`: five steps a second, carried in a 16-bit word.
std::uint16_t ProgressMaximum(std::int32_t seconds);

// True when the step from `position` would pass `maximum` (the bar is full: the timer stops).
bool ProgressIsFull(int position, int maximum);

// Bytes of `seconds` in `format`: bits x channels x rate x seconds / 8, in unsigned 32 bits.
std::uint32_t BytesOfSeconds(const WAVEFORMATEX& format, std::int32_t seconds);
