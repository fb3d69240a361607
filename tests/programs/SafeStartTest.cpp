// The DLL search of the programs: a DLL that only the current folder holds
// is never taken for a system one, neither by AfxLoadSystemLibrary nor,
// once AfxRestrictDllSearch has run, by a plain LoadLibrary. The restriction
// is process-wide and cannot be undone, so this program has a process of
// its own and the checks run in one test, in order.
#include "TempDir.h"
#include "winlib/WinApp.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH * 2] = {};
    const DWORD got = ::GetModuleFileNameA(module, path, sizeof(path));
    return std::string(path, got);
}

std::string Lower(std::string s)
{
    if (!s.empty())
        ::CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    const UINT got = ::GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, got);
}

class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path)
    {
        ::GetCurrentDirectoryA(MAX_PATH, m_old);
        m_ok = ::SetCurrentDirectoryA(path.c_str()) != FALSE;
    }
    ~CurrentFolder() { ::SetCurrentDirectoryA(m_old); }
    bool ok() const { return m_ok; }

private:
    char m_old[MAX_PATH] = {};
    bool m_ok = false;
};

}  // namespace

TEST(SafeStart, DllsOfTheCurrentFolderAreNeverLoadedByName)
{
    TempDir dir;
    // A real DLL (a sample control) under a name no system folder has.
    const std::string planted = dir / "zemloplanted.dll";
    ASSERT_TRUE(::CopyFileA(ZEMLO_PLANTED_DLL, planted.c_str(), FALSE)) << ZEMLO_PLANTED_DLL;
    CurrentFolder current(dir.path());
    ASSERT_TRUE(current.ok());

    // The ordinary search finds it: the current folder is searched.
    HMODULE found = ::LoadLibraryA("zemloplanted.dll");
    ASSERT_NE(found, nullptr) << "the ordinary search does not reach the current folder";
    ::FreeLibrary(found);
    ASSERT_EQ(::GetModuleHandleA("zemloplanted.dll"), nullptr);

    // The system-folder load refuses it ...
    EXPECT_EQ(AfxLoadSystemLibrary("zemloplanted.dll"), nullptr);
    EXPECT_EQ(AfxLoadSystemLibrary(""), nullptr);
    EXPECT_EQ(AfxLoadSystemLibrary(nullptr), nullptr);
    // ... and takes a system DLL from the system folder.
    HMODULE version = AfxLoadSystemLibrary("version.dll");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(Lower(ModulePath(version)), Lower(SystemFolder() + "\\version.dll"));

    // After the restriction the plain search refuses it too, and still
    // finds the system's DLLs.
    EXPECT_TRUE(AfxRestrictDllSearch());
    EXPECT_TRUE(AfxRestrictDllSearch()) << "a second call must not fail";
    EXPECT_EQ(::LoadLibraryA("zemloplanted.dll"), nullptr);
    HMODULE shlwapi = ::LoadLibraryA("shlwapi.dll");
    ASSERT_NE(shlwapi, nullptr);
    EXPECT_EQ(Lower(ModulePath(shlwapi)), Lower(SystemFolder() + "\\shlwapi.dll"));
}

TEST(SafeStart, CommonControlsComeFromTheSystem)
{
    ASSERT_TRUE(AfxInitCommonControls(ICC_PROGRESS_CLASS));
    HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    // The system folder, or the system's side-by-side store when a
    // context asks for version 6: the Windows folder either way.
    char windows[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_EQ(Lower(ModulePath(comctl)).rfind(Lower(std::string(windows) + "\\"), 0), 0u) << ModulePath(comctl);
    // The class it registered can be created.
    HWND bar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(bar, nullptr);
    if (bar != nullptr)
        ::DestroyWindow(bar);
}
