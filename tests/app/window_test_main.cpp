// Runs the window tests under Wine. The dialog templates and the icon come from this program's
// own resources, the same script as the shipped program's.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "main_window_fixture.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&controls))
        return 1;
    return RUN_ALL_TESTS();
}
