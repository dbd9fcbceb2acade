// The quit question, in the real modal loop of the main window. (The whole program quit during a
// recording or a playback: the end-to-end group quit.)
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

}  // namespace
