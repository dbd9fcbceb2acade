// The program's entry: prepares the progress bar's class and runs the main window modally.
#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/res/resource.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    instance = hInstance;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    // Should this fail, the dialog cannot be made and DialogBoxParamA returns -1: we end anyway.
    InitCommonControlsEx(&controls);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDlgProc, 0);  // ends with -1
    return 0;
}
