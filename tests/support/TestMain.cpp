// The main of every test program. A crash (in the test or in a worker
// thread) ends the program at once with a line on stderr and exit code 3,
// instead of starting the system's debugger, which under Wine waits on the
// test's output pipe and never lets the run end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

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
}  // namespace

int main(int argc, char** argv)
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(&ReportCrash);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
