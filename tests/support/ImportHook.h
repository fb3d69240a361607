// Puts replacement in place of a function that this program imports from
// a DLL, by rewriting the program's import address table, and returns the
// function that was there (null when the import is not found). Calls from
// the program's own code, which includes the statically linked code under
// test, then reach the replacement; calls from inside DLLs do not. Works
// the same on Windows and under Wine. Patch again with the returned
// function to undo.
#pragma once

#include <windows.h>

#include <cstring>

inline void* PatchImport(const char* dll, const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports != 0 && d->Name != 0; ++d) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0 || d->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                || std::strcmp(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
                               function) != 0)
                continue;
            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            void* original = *slot;
            DWORD protect = 0;
            ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protect);
            *slot = replacement;
            ::VirtualProtect(slot, sizeof(void*), protect, &protect);
            return original;
        }
    }
    return nullptr;
}

// Counts the message boxes this program's own code shows, answering each
// with OK at once, for as long as it lives (one at a time): a run that
// must show none is then seen to show none, instead of waiting for a
// click.
class MessageBoxCounter {
public:
    MessageBoxCounter()
    {
        s_count = 0;
        m_original = PatchImport("user32.dll", "MessageBoxA", reinterpret_cast<void*>(&Box));
    }
    ~MessageBoxCounter()
    {
        if (m_original != nullptr)
            PatchImport("user32.dll", "MessageBoxA", m_original);
    }
    MessageBoxCounter(const MessageBoxCounter&) = delete;
    MessageBoxCounter& operator=(const MessageBoxCounter&) = delete;

    bool ok() const { return m_original != nullptr; }
    int count() const { return s_count; }

private:
    static int WINAPI Box(HWND, LPCSTR, LPCSTR, UINT)
    {
        ++s_count;
        return IDOK;
    }
    static inline int s_count = 0;
    void* m_original = nullptr;
};
