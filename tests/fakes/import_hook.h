// Windows test programs: a function of the test's own in one slot of the program's import table.
// Every call the program makes to a DLL function goes through that table, those of the static
// libraries linked into it included; calls made inside the DLLs themselves do not.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

// Puts `replacement` into the slot of `function` imported from `module`; what was there, or 0
// if the program imports no such function.
inline std::uintptr_t SwapImport(const char* module, const char* function, std::uintptr_t replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD table = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* imported = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table);
         imported->Name != 0; ++imported) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + imported->Name), module) != 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imported->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imported->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                std::strcmp(reinterpret_cast<const char*>(
                                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                    base + names->u1.AddressOfData)->Name),
                            function) != 0)
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                                &protection))
                return 0;
            const std::uintptr_t old = static_cast<std::uintptr_t>(slot->u1.Function);
            slot->u1.Function = static_cast<decltype(slot->u1.Function)>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return old;
        }
    }
    return 0;
}

// While alive, `replacement` stands in for `function` from `module`, and `real` holds the DLL's
// own for the replacement to call on (null when the program does not import it).
template <typename Function>
class ImportHook {
public:
    ImportHook(const char* module, const char* function, Function replacement, Function& real)
        : module(module), function(function), real(real)
    {
        real = reinterpret_cast<Function>(
            SwapImport(module, function, reinterpret_cast<std::uintptr_t>(replacement)));
    }
    ~ImportHook()
    {
        if (real) SwapImport(module, function, reinterpret_cast<std::uintptr_t>(real));
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return real != nullptr; }

private:
    const char* const module;
    const char* const function;
    Function& real;
};
