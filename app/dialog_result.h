// The message result that every command and timer message of our dialogs leaves behind.
#pragma once

#include <windows.h>

// Sets the dialog's DWL_MSGRESULT to 0.
void ClearMessageResult(HWND dialog);
