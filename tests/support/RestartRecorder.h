// A stand-in for the system's deletions at the restart: MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT is recorded instead of handed to the system,
// which would delete the test's folders at the prefix's next start.
#pragma once

#include "ImportHook.h"

#include <windows.h>

#include <string>
#include <vector>

// MoveFileExW's deletions at the restart (the uninstaller hands them over
// in the long path form), recorded as plain paths; a path in refused is
// refused as the system may refuse it.
struct RestartRecorder {
    static inline std::vector<std::string> scheduled;
    static inline std::string refused;
    static BOOL WINAPI Move(LPCWSTR wideFrom, LPCWSTR to, DWORD flags)
    {
        if (to != nullptr || (flags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0 || wideFrom == nullptr) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::string from(::WideCharToMultiByte(CP_ACP, 0, wideFrom, -1, nullptr, 0, nullptr, nullptr), '\0');
        ::WideCharToMultiByte(CP_ACP, 0, wideFrom, -1, &from[0], static_cast<int>(from.size()), nullptr, nullptr);
        from.resize(from.size() - 1);
        if (from.compare(0, 4, "\\\\?\\") == 0)
            from.erase(0, 4);
        if (refused == from) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        scheduled.push_back(from);
        return TRUE;
    }
    RestartRecorder(const std::string& refusedPath = "")
    {
        scheduled.clear();
        refused = refusedPath;
        m_original = PatchImport("kernel32.dll", "MoveFileExW", reinterpret_cast<void*>(&Move));
    }
    ~RestartRecorder()
    {
        if (m_original != nullptr)
            PatchImport("kernel32.dll", "MoveFileExW", m_original);
    }
    bool ok() const { return m_original != nullptr; }
    void* m_original = nullptr;
};
