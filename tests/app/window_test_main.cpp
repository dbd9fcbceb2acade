// Runs the window tests under Wine. The dialog templates and the icon come from this program's
// own resources, the same script as the shipped program's.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "main_window_fixture.h"

namespace {

// --program=/unix/path/MorvikWavRecorder.exe, reached under Wine through drive Z:.
std::string WindowsPathOf(const char* unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    constexpr char kProgramOption[] = "--program=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], kProgramOption, sizeof kProgramOption - 1) == 0)
            programPath = WindowsPathOf(argv[i] + sizeof kProgramOption - 1);

    instance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&controls))
        return 1;
    return RUN_ALL_TESTS();
}
