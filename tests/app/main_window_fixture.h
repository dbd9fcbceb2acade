// A main window made from the real template and procedure, without a modal loop of its own: the
// test sends it commands and pumps its messages, a DialogScript answers what it opens, and
// whatever it opens with no script there is closed and fails the test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "window_driver.h"

// The enabled state of Rec, Play and Save, '+' for enabled.
constexpr const char* kFresh = "+--";
constexpr const char* kBusy = "---";
constexpr const char* kReady = "+++";

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Item(int id) const { return GetDlgItem(window, id); }
    // "+--" and the like: Rec, Play, Save.
    std::string ButtonStates() const;
    // Sends the command as a click would and returns once the window has run it.
    void Command(int id) const;
    // Both devices sized for `seconds` and the window Ready, as after a completed recording.
    void PretendRecorded(std::int32_t seconds) const;
    // Waits (pumping) until the buttons show `states`.
    bool WaitForButtons(const char* states) const;
    // Fills the recorder's buffer with a pattern that silence cannot pass for.
    void FillRecording() const;

    HWND window = nullptr;
    std::unique_ptr<UnexpectedDialogGuard> guard;  // from the window's start to the test's end
};

// Joins a script's problems into one message.
std::string Describe(const std::vector<std::string>& problems);
