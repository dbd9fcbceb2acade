// The smallest modal dialog program, built like the recorder: the yardstick its start-up time is
// compared against. A template in memory, one caption, no controls; Esc ends it.
#include <windows.h>

namespace {

INT_PTR CALLBACK MinimalDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // DLGTEMPLATE (which must start on a DWORD boundary), then empty menu and class, the caption
    // in UTF-16, and no controls.
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu, windowClass;
        wchar_t caption[16];
    } dialog = {{DS_CENTER | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0,
                 0, 0, 168, 45},
                0, 0, L"Minimal Dialog"};
    DialogBoxIndirectParamA(instance, &dialog.header, nullptr, MinimalDlgProc, 0);
    return 0;
}
