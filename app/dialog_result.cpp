// The message result our dialogs hand back for the messages they handle.
#include "app/dialog_result.h"

void ClearMessageResult(HWND dialog)
{
    SetMessageResult(dialog, 0);
}

void SetMessageResult(HWND dialog, LONG_PTR result)
{
    // 64-bit headers know only the pointer-sized slot; the 32-bit program keeps the classic call.
#ifdef _WIN64
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
#else
    SetWindowLongA(dialog, DWL_MSGRESULT, result);
#endif
}
