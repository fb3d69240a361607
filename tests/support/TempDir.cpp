#include "TempDir.h"

#include "FileHelpers.h"

#include <windows.h>

#include <atomic>
#include <string>

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, base);
    for (;;) {
        m_path = std::string(base) + "zemlo-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(counter++);
        if (::CreateDirectoryA(m_path.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TempDir::~TempDir()
{
    testfs::RemoveTree(m_path);
}
