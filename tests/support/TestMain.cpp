// The main of every test program. A crash (in the test or in a worker
// thread) ends the program at once with a line on stderr and exit code 3,
// instead of starting the system's debugger, which under Wine waits on the
// test's output pipe and never lets the run end.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "\nCRASH: exception 0x%08lx at %p in thread %lu\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress, static_cast<unsigned long>(::GetCurrentThreadId()));
    std::fflush(stderr);
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The first shell link saved in a process makes Wine look up its shell
// folders and write its "Shell Folders", "User Shell Folders" and
// "ProfileList" keys into the registry, once. Done here, before any test
// redirects the registry, that write lands in the prefix's own hives;
// otherwise it would land in the first test's redirected hive as if the
// code under test had made it (a test that compares the registry before
// and after would then fail when run alone).
void WarmUpShellFolders()
{
    if (FAILED(::CoInitialize(nullptr)))
        return;
    // Saving a shell link is what looks the folders up.
    IShellLinkA* link = nullptr;
    char temp[MAX_PATH];
    WCHAR file[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length > 0 && length < MAX_PATH - 40 &&
        SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        const std::string name = std::string(temp) + "zemlo-warm-up-" + std::to_string(::GetCurrentProcessId()) + ".lnk";
        link->SetPath("C:\\windows\\notepad.exe");
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            if (::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, file, MAX_PATH) > 0)
                persist->Save(file, TRUE);
            persist->Release();
            ::DeleteFileA(name.c_str());
        }
        link->Release();
    }
    ::CoUninitialize();
}
}  // namespace

int main(int argc, char** argv)
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(&ReportCrash);
    ::testing::InitGoogleTest(&argc, argv);
    WarmUpShellFolders();
    return RUN_ALL_TESTS();
}
