// Looks at the desktop from inside the Wine prefix, for the end-to-end driver: the windows, their
// controls (text, enabled state, progress position, combo box items), the keyboard focus, a
// process's handle count, and the clipboard. Reads one command per line on stdin and answers each with
// one line of JSON on stdout, so one process serves a whole test run. Texts are read and set as
// UTF-16 (the ANSI calls would pass them through this probe's code page, which lacks most
// scripts) and answered as \uXXXX escapes, so each line is plain ASCII whatever the locale:
//   top                  every top-level window
//   kids HWND            every descendant control of a window
//   handles PID          how many Windows handles a process holds
//   clip TEXT            puts TEXT on the clipboard (for a real Ctrl+V)
//   settext HWND TEXT    sets a control's text to TEXT, read as UTF-8 (text xdotool cannot type)
//   focus HWND           the window holding the keyboard focus in the thread of window HWND
//   quit
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Everything outside printable ASCII becomes \uXXXX of its UTF-16 unit (a pair for a character
// beyond the first 65 536), which is how JSON spells it.
std::string Quote(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::wstring Widen(const char* utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (units <= 0) return L"";
    std::wstring text(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &text[0], units);
    text.resize(units - 1);
    return text;
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

std::string HandleText(HWND window) { return Number(reinterpret_cast<std::uintptr_t>(window)); }

// A window handle in decimal; `rest` (if given) is left after it.
HWND ParseHandle(const char* text, char** rest = nullptr)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(text, rest, 10)));
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    if (!GetClassNameW(window, name, sizeof name / sizeof name[0])) name[0] = L'\0';
    return name;
}

// WM_GETTEXT crosses processes (GetWindowText does not read other processes' controls).
std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = L"";
    DWORD_PTR length = 0;
    const WPARAM room = sizeof text / sizeof text[0];
    if (!SendMessageTimeoutW(window, WM_GETTEXT, room, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &length))
        return L"";
    text[room - 1] = L'\0';
    return text;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &answer))
        return -1;
    return static_cast<LRESULT>(answer);
}

std::string RectOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

std::string Flag(bool value) { return value ? "true" : "false"; }

std::string Describe(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::string json = "{\"hwnd\":" + HandleText(window) + ",\"pid\":" + Number(pid) +
                       ",\"class\":" + Quote(ClassOf(window)) +
                       ",\"text\":" + Quote(TextOf(window)) +
                       ",\"visible\":" + Flag(IsWindowVisible(window)) +
                       ",\"enabled\":" + Flag(IsWindowEnabled(window)) +
                       ",\"rect\":" + RectOf(window) +
                       ",\"id\":" + std::to_string(static_cast<int>(GetDlgCtrlID(window))) +
                       ",\"owner\":" + HandleText(GetWindow(window, GW_OWNER));
    // The X11 window behind a Wine top-level window, for input sent with xdotool.
    if (HANDLE xid = GetPropA(window, "__wine_x11_whole_window"))
        json += ",\"xid\":" + Number(reinterpret_cast<std::uintptr_t>(xid));
    const std::wstring className = ClassOf(window);
    if (className == PROGRESS_CLASSW) {
        json += ",\"pos\":" + std::to_string(Ask(window, PBM_GETPOS)) +
                ",\"max\":" + std::to_string(Ask(window, PBM_GETRANGE, FALSE));
    } else if (className == L"ComboBox") {
        json += ",\"sel\":" + std::to_string(Ask(window, CB_GETCURSEL)) + ",\"items\":[";
        const LRESULT count = Ask(window, CB_GETCOUNT);
        for (LRESULT i = 0; i < count && i < 64; ++i) {
            wchar_t item[512] = L"";
            DWORD_PTR length = 0;
            const LRESULT room = sizeof item / sizeof item[0];
            if (Ask(window, CB_GETLBTEXTLEN, i) >= room ||
                !SendMessageTimeoutW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item),
                                     SMTO_ABORTIFHUNG, 2000, &length))
                item[0] = L'\0';
            json += (i ? "," : "") + Quote(item);
        }
        json += "]";
    }
    return json + "}";
}

BOOL CALLBACK Collect(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::string DescribeAll(const std::vector<HWND>& windows)
{
    std::string json = "[";
    for (size_t i = 0; i < windows.size(); ++i) json += (i ? "," : "") + Describe(windows[i]);
    return json + "]";
}

std::string TopLevel()
{
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return DescribeAll(windows);
}

std::string Children(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return DescribeAll(windows);
}

// Wine leaves a process's handle count at 0; its system-wide handle list is real, so count there.
long HandlesOf(DWORD pid)
{
    struct Entry {
        PVOID object;
        ULONG_PTR processId, handleValue;
        ULONG grantedAccess;
        USHORT creatorBackTraceIndex, objectTypeIndex;
        ULONG attributes, reserved;
    };
    struct Table {
        ULONG_PTR count, reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemExtendedHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) == kInfoLengthMismatch)
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    if (status < 0) return -1;
    const Table* table = reinterpret_cast<const Table*>(buffer.data());
    long count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        if (table->entries[i].processId == pid) ++count;
    return count;
}

std::string SetClipboard(const std::string& text)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return "{\"ok\":false}";
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    bool ok = false;
    for (int attempt = 0; attempt < 50 && !ok; ++attempt) {  // another program may hold it a moment
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            ok = SetClipboardData(CF_TEXT, memory) != nullptr;
            CloseClipboard();
        } else {
            Sleep(20);
        }
    }
    if (!ok) GlobalFree(memory);
    return "{\"ok\":" + Flag(ok) + "}";
}

// One WM_SETTEXT of UTF-16; a combo box hands it on to its edit field.
std::string SetText(const char* argument)
{
    char* text = nullptr;
    const HWND window = ParseHandle(argument, &text);
    if (*text == ' ') ++text;
    const std::wstring wide = Widen(text);
    DWORD_PTR done = 0;
    const bool sent = SendMessageTimeoutW(window, WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(wide.c_str()),
                                          SMTO_ABORTIFHUNG, 2000, &done);
    return "{\"ok\":" + Flag(sent && done) + "}";
}

// Where a key pressed now goes: the focus of the thread that owns `window`.
std::string Focus(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        info.hwndFocus = nullptr;
    return "{\"focus\":" + HandleText(info.hwndFocus) + "}";
}

}  // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* argument = std::strchr(line, ' ');
        argument = argument ? argument + 1 : "";
        std::string answer;
        if (!std::strncmp(line, "top", 3)) answer = TopLevel();
        else if (!std::strncmp(line, "kids ", 5)) answer = Children(ParseHandle(argument));
        else if (!std::strncmp(line, "handles ", 8))
            answer = "{\"handles\":" + std::to_string(HandlesOf(std::atol(argument))) + "}";
        else if (!std::strncmp(line, "clip ", 5)) answer = SetClipboard(argument);
        else if (!std::strncmp(line, "settext ", 8)) answer = SetText(argument);
        else if (!std::strncmp(line, "focus ", 6)) answer = Focus(ParseHandle(argument));
        else if (!std::strncmp(line, "quit", 4)) break;
        else answer = "{\"error\":" + Quote(Widen(line)) + "}";
        std::fputs((answer + "\n").c_str(), stdout);
    }
    return 0;
}
