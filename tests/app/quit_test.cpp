// The quit question, in the real modal loop of the main window and in the whole program.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/res/resource.h"
#include "main_window_fixture.h"
#include "tests/fakes/import_hook.h"

namespace {

constexpr const char* kCaption = "Morvik Wav Recorder";

// Esc, the close box and the Cancel command each ask; No keeps the window and its state.
TEST(Quit, NoKeepsTheWindowAndYesEndsTheDialog)
{
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
    } ways[] = {
        {"Esc", WM_KEYDOWN, VK_ESCAPE},
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
        {"cancel command", WM_COMMAND, IDCANCEL},
    };
    std::vector<std::string> seen;
    DialogScript script([&](DialogScript& script) {
        HWND main = script.WaitForDialog(kCaption);
        if (!main)
            return;
        for (const auto& way : ways) {
            PostMessageA(main, way.message, way.wParam, 0);
            HWND box = script.WaitForDialog("Quit");
            if (!box)
                return;
            const bool yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK);
            seen.push_back(std::string(way.name) + ": " + MessageTextOf(box) + (yesNo ? " [yes/no]" : ""));
            script.Answer(box, IDNO);
            if (!IsWindowVisible(main) || !IsWindowEnabled(GetDlgItem(main, IDC_REC)))
                script.Fail(std::string("No after ") + way.name + " did not keep the window as it was");
        }
        PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        if (HWND box = script.WaitForDialog("Quit"))
            script.Answer(box, IDYES);
    });
    const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    EXPECT_EQ("", Describe(script.Finish()));
    EXPECT_EQ(-1, result);
    const std::vector<std::string> expected = {
        "Esc: Do you realy want to quit? [yes/no]",
        "close box: Do you realy want to quit? [yes/no]",
        "cancel command: Do you realy want to quit? [yes/no]",
    };
    EXPECT_EQ(expected, seen);
}

decltype(&MessageBoxA) realMessageBox = nullptr;
int WINAPI FailMessageBox(HWND, LPCSTR, LPCSTR, UINT) { return 0; }

// A question that cannot be shown (MessageBoxA fails, 0) is no No: the window ends all the same.
TEST(Quit, EndsWhenTheQuestionCannotBeShown)
{
    const ImportHook<decltype(&MessageBoxA)> box("user32.dll", "MessageBoxA", &FailMessageBox, realMessageBox);
    ASSERT_TRUE(box.Installed());
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(window)) << "EndDialog hides the window; it stayed";
    DestroyWindow(window);
}

// The whole program, quit with Esc while it records a minute: it must end by itself, with exit
// code 0.
TEST(Quit, YesDuringARecordingEndsTheProgramCleanly)
{
    ASSERT_FALSE(programPath.empty()) << "run with --program=PATH";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + programPath + "\"";
    ASSERT_TRUE(CreateProcessA(programPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process))
        << programPath;

    bool recording = false;
    {
        DialogScript script(
            [&](DialogScript& script) {
                HWND main = script.WaitForDialog(kCaption);
                if (!main)
                    return;
                Press(main, IDC_REC);
                HWND dialog = script.WaitForDialog("Opnemen");
                if (!dialog)
                    return;
                Type(dialog, IDC_SECONDS, "60");
                script.Answer(dialog, IDOK);
                const DWORD start = GetTickCount();
                while (IsWindowEnabled(GetDlgItem(main, IDC_REC)) && GetTickCount() - start < kDeadlineMs)
                    Sleep(10);
                recording = !IsWindowEnabled(GetDlgItem(main, IDC_REC));
                // Esc goes to the control with the focus: with the buttons off it must still be
                // inside the window, or the key reaches nothing.
                GUITHREADINFO thread = {};
                thread.cbSize = sizeof thread;
                GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
                if (thread.hwndFocus != main && !IsChild(main, thread.hwndFocus)) {
                    script.Fail("no focus in the busy window: Esc would reach nothing");
                    thread.hwndFocus = main;
                }
                PostMessageA(thread.hwndFocus, WM_KEYDOWN, VK_ESCAPE, 0);
                if (HWND box = script.WaitForDialog("Quit"))
                    script.Answer(box, IDYES);
            },
            process.dwProcessId);
        const DWORD waited = WaitForSingleObject(process.hProcess, kDeadlineMs);
        EXPECT_EQ(WAIT_OBJECT_0, waited) << "the program did not end";
        if (waited != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 99);
        EXPECT_EQ("", Describe(script.Finish()));
    }
    EXPECT_TRUE(recording) << "the program never went busy";
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
