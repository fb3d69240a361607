// The start-up restriction where the system lacks SetDefaultDllDirectories
// (Windows 7 without the update KB2533623): the fallback keeps a DLL that
// only the current folder holds from being loaded by name, and SearchPath
// takes a program of the system's name from the system before the current
// folder. Both settings are process-wide and permanent, so this is a
// process of its own, apart from the test of the full restriction
// (SafeStartTest.cpp).
#include "TempDir.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Found(const char* name)
{
    char path[MAX_PATH] = {};
    const DWORD got = ::SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr);
    return got > 0 && got < MAX_PATH ? std::string(path, got) : std::string();
}

bool IsWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT got = ::GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, got);
}

}  // namespace

TEST(DllSearchFallback, TheCurrentFolderComesAfterTheSystemOrNotAtAll)
{
    TempDir dir;
    const std::string planted = dir / "zemloplanted.dll";
    ASSERT_TRUE(::CopyFileA(ZEMLO_PLANTED_DLL, planted.c_str(), FALSE));
    // A program under a name the system folder has too.
    const std::string system = SystemFolder() + "\\regsvr32.exe";
    const std::string impostor = dir / "regsvr32.exe";
    ASSERT_TRUE(::CopyFileA(system.c_str(), impostor.c_str(), FALSE));
    char old[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.path().c_str()));

    // The ordinary search: the current folder first, for both.
    HMODULE found = ::LoadLibraryA("zemloplanted.dll");
    ASSERT_NE(found, nullptr) << "the ordinary search does not reach the current folder";
    ::FreeLibrary(found);
    ASSERT_EQ(::GetModuleHandleA("zemloplanted.dll"), nullptr);
    EXPECT_TRUE(winlib::EqualNoCase(Found("regsvr32.exe"), impostor)) << Found("regsvr32.exe");

    // Without SetDefaultDllDirectories: not the full restriction ...
    EXPECT_FALSE(winlib::RestrictDllSearch(nullptr));
    // ... but SearchPath finds the system's program first, also after a
    // second call, and the system's DLLs still load ...
    EXPECT_TRUE(winlib::EqualNoCase(Found("regsvr32.exe"), system)) << Found("regsvr32.exe");
    EXPECT_FALSE(winlib::RestrictDllSearch(nullptr));
    EXPECT_TRUE(winlib::EqualNoCase(Found("regsvr32.exe"), system)) << Found("regsvr32.exe");
    EXPECT_NE(::LoadLibraryA("shlwapi.dll"), nullptr);
    // ... and the current folder is out of the DLL search.
    HMODULE planted_loaded = ::LoadLibraryA("zemloplanted.dll");
    ::SetCurrentDirectoryA(old);
    if (planted_loaded != nullptr && IsWine())
        GTEST_SKIP() << "Wine 8's SetDllDirectory(\"\") leaves the current folder in the DLL search; "
                        "Windows takes it out";
    EXPECT_EQ(planted_loaded, nullptr);
}
