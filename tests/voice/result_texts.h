// The texts a device keeps for each failed waveform call, exactly as they must read (trailing
// blanks and "calledwithout" included). Codes not listed read "Unspecified error".
#pragma once

#include <string>

#include "voice/waveform.h"

namespace testing_texts {

inline std::string ExpectedText(MMRESULT code)
{
    switch (code) {
    case 2: return "Specified device identifier is out of range.";
    case 4: return "Specified resource is already allocated.";
    case 6: return "No device driver is present. ";
    case 7: return "Unable to allocate or lock memory. ";
    case 8: return "Specified device is synchronous and does not support pausing. ";
    case 32: return "Attempted to open with an unsupported waveform-audio format.";
    case 33: return "The buffer pointed to by the pwh parameter is still in the queue.";
    case 34: return "The buffer pointed to by the pwh parameter hasn't been prepared. ";
    case 35:
        return "The device is synchronous but waveOutOpen was calledwithout using the "
               "WAVE_ALLOWSYNC flag. ";
    default: return "Unspecified error";
    }
}

// Every failing code with a text of its own, and two that share the fallback.
constexpr MMRESULT kFailingCodes[] = {2, 4, 6, 7, 8, 32, 33, 34, 35, 1, 36};

}  // namespace testing_texts
