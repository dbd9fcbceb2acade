// The message result our dialogs hand back for the messages they handle.
#pragma once

#include <windows.h>

// Sets the dialog's DWL_MSGRESULT to 0.
void ClearMessageResult(HWND dialog);
// Sets the dialog's DWL_MSGRESULT to `result`, for a message whose answer is its result.
void SetMessageResult(HWND dialog, LONG_PTR result);
