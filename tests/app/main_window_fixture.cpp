// A main window made from the real template and procedure, driven by the tests.
#include "main_window_fixture.h"

#include "app/main_window.h"
#include "app/progress.h"
#include "app/res/resource.h"
#include "voice/devices.h"
#include "voice/window_link.h"

void MainWindowTest::SetUp()
{
    duration = -1;
    progressTimer = static_cast<UINT_PTR>(-1);
    window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_SHOW);
    PumpUntil([] { return true; });
    guard = std::make_unique<UnexpectedDialogGuard>();
}

void MainWindowTest::TearDown()
{
    if (guard) {
        EXPECT_EQ("", Describe(guard->Finish())) << "a dialog that no script was there to answer";
    }
    if (window)
        DestroyWindow(window);
    window = nullptr;
}

std::string MainWindowTest::ButtonStates() const
{
    std::string states;
    for (int id : {IDC_REC, IDC_PLAY, IDC_SAVE})
        states += IsWindowEnabled(Item(id)) ? '+' : '-';
    return states;
}

void MainWindowTest::Command(int id) const
{
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void MainWindowTest::PretendRecorded(std::int32_t seconds) const
{
    duration = seconds;
    ASSERT_EQ(1, recorder.PrepareBuffer(static_cast<std::uint32_t>(seconds)));
    ASSERT_EQ(1, player.PrepareBuffer(static_cast<std::uint32_t>(seconds)));
    EnableButtons();
}

bool MainWindowTest::WaitForButtons(const char* states) const
{
    return PumpUntil([&] { return ButtonStates() == states; });
}

void MainWindowTest::FillRecording() const
{
    for (DWORD i = 0; i < recorder.header.dwBufferLength; ++i)
        recorder.buffer[i] = static_cast<std::uint8_t>(i * 7 + 1);
}

std::string Describe(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& problem : problems)
        text += problem + "\n";
    return text;
}
