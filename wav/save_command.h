// The Save command of the main window (Windows only): Save As, then the recording as mu-law WAV.
#pragma once

#include <windows.h>

// Asks for a file name and has the recorder write its buffer there. The main window's caption
// then names the file; if the file could not be written the user is told and the caption keeps
// its old text. Cancelling changes nothing. True when the file was written.
bool SaveRecording(HWND mainWindow);
