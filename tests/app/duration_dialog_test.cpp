// The duration dialog on its real template, run modally as the Record command runs it.
#include <windows.h>

#include <string>

#include "app/duration_dialog.h"
#include "app/main_window.h"
#include "app/res/resource.h"
#include "main_window_fixture.h"

namespace {

constexpr INT_PTR kCancelled = -1;

class DurationDialogTest : public MainWindowTest {
protected:
    INT_PTR Run() const
    {
        return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DURATION), window, DurationDlgProc, 0);
    }
};

}  // namespace

TEST_F(DurationDialogTest, AcceptsZeroToSixtyAndRefusesTheRestWithTheTextKept)
{
    const std::string longRun = std::string(258, '0') + "5" + std::string(41, '9');  // 300 characters
    const struct {
        const char* name;
        std::string text;  // typed over the offered "3"
        INT_PTR result;    // when accepted
        const char* message;  // when refused
    } cases[] = {
        {"offered", "3", 3, nullptr},
        {"sixty", "60", 60, nullptr},
        {"leading zero", "060", 60, nullptr},
        {"sixty-one", "61", 0, "Maximaal 60 seconden"},
        {"empty", "", 0, nullptr},
        {"twelve digits", "123456789012", 0, "Maximaal 60 seconden"},
        {"past 32 bits", "99999999999999999999", 0, "Maximaal 60 seconden"},
        {"only 259 characters read", longRun, 5, nullptr},
        {"negative", "-5", 0, "Minimaal 0 seconden"},
        {"minus one is no cancel", "-1", 0, "Minimaal 0 seconden"},
        {"below 32 bits", "-99999999999", 0, "Minimaal 0 seconden"},
        {"leading blank", " 7", 7, nullptr},
        {"trailing letters", "12s", 12, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string offered, said, after;
        bool stayedOpen = false;
        DialogScript script([&](DialogScript& script) {
            HWND dialog = script.WaitForDialog("Opnemen");
            if (!dialog)
                return;
            offered = FieldText(GetDlgItem(dialog, IDC_SECONDS));
            Type(dialog, IDC_SECONDS, c.text);
            if (!c.message) {
                script.Answer(dialog, IDOK);
                return;
            }
            Press(dialog, IDOK);
            if (HWND box = script.WaitForDialog("Fout")) {
                said = MessageTextOf(box);
                script.Answer(box, IDOK);
            }
            stayedOpen = IsWindowVisible(dialog) != FALSE;
            after = FieldText(GetDlgItem(dialog, IDC_SECONDS));
            script.Answer(dialog, IDCANCEL);
        });
        const INT_PTR result = Run();
        EXPECT_EQ("", Describe(script.Finish()));
        EXPECT_EQ("3", offered);
        if (c.message) {
            EXPECT_EQ(c.message, said);
            EXPECT_TRUE(stayedOpen);
            EXPECT_EQ(c.text, after);
            EXPECT_EQ(kCancelled, result);
        } else {
            EXPECT_EQ(c.result, result);
        }
    }
}

// Enter takes the default button with the offered 3; Esc, the close box and Cancel all cancel.
TEST_F(DurationDialogTest, KeysAndCloseBoxReachTheCommands)
{
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool toFocus;  // keys go to the control with the focus
        INT_PTR result;
    } ways[] = {
        {"Enter", WM_KEYDOWN, VK_RETURN, true, 3},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, true, kCancelled},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false, kCancelled},
        {"Cancel button", WM_COMMAND, IDCANCEL, false, kCancelled},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        HWND focus = nullptr, recordButton = nullptr;
        DialogScript script([&](DialogScript& script) {
            HWND dialog = script.WaitForDialog("Opnemen");
            if (!dialog)
                return;
            recordButton = GetDlgItem(dialog, IDOK);
            GUITHREADINFO thread = {};
            thread.cbSize = sizeof thread;
            if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread))
                focus = thread.hwndFocus;
            PostMessageA(way.toFocus && focus ? focus : dialog, way.message, way.wParam, 0);
        });
        EXPECT_EQ(way.result, Run());
        EXPECT_EQ("", Describe(script.Finish()));
        EXPECT_EQ(recordButton, focus) << "the first tab stop, Record, should have the focus";
    }
}
