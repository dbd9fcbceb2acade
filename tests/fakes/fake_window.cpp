// The window's side of the devices, for tests of the devices alone (see fake_window.h).
#include "tests/fakes/fake_window.h"

#include <utility>

#ifndef _WIN32
#include "tests/fakes/fake_waveform.h"
#endif

std::int32_t duration = -1;

namespace fake {
namespace {

int enableButtonsCalls = 0;
std::function<void()> enableButtonsObserver;

}  // namespace

int EnableButtonsCalls()
{
    return enableButtonsCalls;
}

void OnEnableButtons(std::function<void()> observer)
{
    enableButtonsObserver = std::move(observer);
}

void ResetWindow()
{
    enableButtonsCalls = 0;
    enableButtonsObserver = nullptr;
    duration = -1;
}

}  // namespace fake

void EnableButtons()
{
    ++fake::enableButtonsCalls;
#ifndef _WIN32
    fake::NoteCall("EnableButtons");  // among the fake waveform calls; Windows has the real ones
#endif
    if (fake::enableButtonsObserver) fake::enableButtonsObserver();
}
