// The window's side of the devices, for native tests (see fake_window.h).
#include "tests/fakes/fake_window.h"

#include <utility>

#include "tests/fakes/fake_waveform.h"

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
    fake::NoteCall("EnableButtons");
    if (fake::enableButtonsObserver) fake::enableButtonsObserver();
}
