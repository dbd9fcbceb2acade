// The message result that every command and timer message of our dialogs leaves behind.
#include "app/dialog_result.h"

void ClearMessageResult(HWND dialog)
{
    // 64-bit headers know only the pointer-sized slot; the 32-bit program keeps the classic call.
#ifdef _WIN64
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
#else
    SetWindowLongA(dialog, DWL_MSGRESULT, 0);
#endif
}
