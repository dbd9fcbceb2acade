// The Save command of the main window (Windows only): Save As, then the recording as mu-law WAV.
#include "wav/save_command.h"

#include <commdlg.h>

#include <cstring>

#include "voice/devices.h"
#include "wav/file_system.h"

namespace {

// The 32-bit program hands over the 88-byte record of Windows 2000 and later (76 bytes was the
// size before its three trailing fields); the 64-bit build uses its own record's size.
#ifndef _WIN64
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA must be the 88-byte record");
#endif

// Pairs of display text and pattern, each ending in a zero byte; the list ends in one more.
constexpr char kFilter[] = "WAV Files (*.WAV)\0*.wav\0All Files (*.*)\0*.*\0";
constexpr char kSaveFailed[] = "Opslaan mislukt:\n";  // followed by the path and the cause
// Windows' 259 characters to a path (UTF-16 units) take up to 3 bytes each in UTF-8, the
// program's code page: a smaller buffer cuts a long path in a non-Latin script (Wine then
// saves under the cut name; Windows fails the dialog after the user pressed Save).
constexpr DWORD kPathBytes = 3 * MAX_PATH;
// The system's text of a file error: a sentence or two, in UTF-8 as the path.
constexpr std::size_t kCauseBytes = 512;

}  // namespace

bool SaveRecording(HWND mainWindow)
{
    char path[kPathBytes] = "";
    char title[kPathBytes] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = mainWindow;
    request.lpstrFilter = kFilter;
    request.lpstrFile = path;
    request.nMaxFile = kPathBytes;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = kPathBytes;
    // The folder browsed to does not become the current one: that would hold it (no rename, no
    // safe removal of its USB stick) until the program quits, which uses full paths only.
    request.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    request.lpstrDefExt = "wav";
    if (!GetSaveFileNameA(&request))
        return false;  // cancelled, or the dialog failed: nothing changes

    // The caption names the file only once it has been written; until then keep the old one.
    char oldCaption[kPathBytes] = "";
    GetWindowTextA(mainWindow, oldCaption, kPathBytes);  // failure leaves "": an empty caption comes back
    SetWindowTextA(mainWindow, title);
    if (recorder.SaveMuLawWav(path))
        return true;
    // On the stack, not a std::string: the path ends inside its own buffer, so the sum fits,
    // a line break in the place of its zero, then the system's text of why.
    char message[sizeof kSaveFailed - 1 + sizeof path + kCauseBytes];
    char* const pathEnd = message + sizeof kSaveFailed - 1 + std::strlen(path);
    std::memcpy(message, kSaveFailed, sizeof kSaveFailed - 1);
    std::memcpy(message + sizeof kSaveFailed - 1, path, std::strlen(path));
    *pathEnd = '\n';
    PutErrorText(recorder.saveError, pathEnd + 1, kCauseBytes);
    MessageBoxA(mainWindow, message, "Fout", MB_OK);
    SetWindowTextA(mainWindow, oldCaption);
    return false;
}
