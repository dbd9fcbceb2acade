// What the devices and the Save code take from the window (defined in app/main_window.cpp;
// natively, by the tests).
#pragma once

#include <cstdint>

// The done hook that Record() and Play() install: enables Rec, Play and Save.
void EnableButtons();
// Whole seconds last chosen in the duration dialog; -1 before the first choice.
extern std::int32_t duration;
