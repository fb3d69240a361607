// The owners of Handles.h that have no other user in the tests, and what
// happens to an exception that reaches a window procedure or a thread.
#include "DebugOutput.h"
#include "RecordingWindow.h"
#include "winlib/Handles.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

// A structure as CreateProcess fills it, with two fresh event handles
// standing in for the process and its thread.
PROCESS_INFORMATION TwoHandles()
{
    PROCESS_INFORMATION info = {};
    info.hProcess = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    info.hThread = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    info.dwProcessId = 11;
    info.dwThreadId = 12;
    return info;
}

}  // namespace

TEST(ScopedProcessInformation, ClosesBothHandlesOnceAndKeepsTheLastError)
{
    const PROCESS_INFORMATION info = TwoHandles();
    ASSERT_TRUE(IsOpen(info.hProcess) && IsOpen(info.hThread));
    {
        winlib::ScopedProcessInformation first(info);
        winlib::ScopedProcessInformation moved(std::move(first));
        EXPECT_FALSE(first.valid());
        EXPECT_EQ(moved.process_handle(), info.hProcess);
        EXPECT_EQ(moved.thread_handle(), info.hThread);
        EXPECT_EQ(moved.process_id(), 11u);
        EXPECT_EQ(moved.thread_id(), 12u);
        ::SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(IsOpen(info.hProcess));
    EXPECT_FALSE(IsOpen(info.hThread));

    // Handing out the process handle closes only the thread handle.
    const PROCESS_INFORMATION other = TwoHandles();
    winlib::ScopedProcessInformation owner(other);
    const HANDLE process = owner.TakeProcessHandle();
    EXPECT_EQ(process, other.hProcess);
    EXPECT_FALSE(owner.valid());
    EXPECT_FALSE(IsOpen(other.hThread));
    EXPECT_TRUE(IsOpen(process));
    ::CloseHandle(process);
}

TEST(ScopedProcessInformation, ReceivesWhatCreateProcessFillsAndClosesWhatItHeldBefore)
{
    const PROCESS_INFORMATION before = TwoHandles();
    winlib::ScopedProcessInformation owner(before);
    PROCESS_INFORMATION* target = owner.receive();
    EXPECT_FALSE(IsOpen(before.hProcess) || IsOpen(before.hThread));
    EXPECT_EQ(target->hProcess, nullptr);

    char command[] = "cmd.exe /c exit 3";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    ASSERT_TRUE(::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                                 target));
    ASSERT_TRUE(owner.valid());
    ASSERT_EQ(::WaitForSingleObject(owner.process_handle(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeProcess(owner.process_handle(), &code));
    EXPECT_EQ(code, 3u);
    const HANDLE process = owner.process_handle();
    const HANDLE thread = owner.thread_handle();
    owner.reset();
    EXPECT_FALSE(IsOpen(process) || IsOpen(thread));
}

namespace {

// Counts what the COM task allocator frees while it is registered.
class FreeCounter : public IMallocSpy {
public:
    std::vector<void*> freed;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        freed.push_back(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

}  // namespace

TEST(ScopedCoMem, FreesTaskMemoryOnceWhetherOwnedFromTheStartMovedOrReceived)
{
    FreeCounter spy;
    ASSERT_EQ(::CoRegisterMallocSpy(&spy), S_OK);
    void* first = ::CoTaskMemAlloc(16);
    void* second = ::CoTaskMemAlloc(16);
    ASSERT_TRUE(first != nullptr && second != nullptr);
    {
        winlib::ScopedCoMem<void> owner(first);
        winlib::ScopedCoMem<void> moved(std::move(owner));
        EXPECT_EQ(owner.get(), nullptr);
        EXPECT_EQ(moved.get(), first);
        EXPECT_TRUE(spy.freed.empty());
        *moved.receive() = second;  // frees the first block
        EXPECT_EQ(spy.freed, std::vector<void*>{first});
    }
    const std::vector<void*> freed = spy.freed;
    ::CoRevokeMallocSpy();
    EXPECT_EQ(freed, (std::vector<void*>{first, second}));

    // Given up, the block is the caller's.
    void* kept = ::CoTaskMemAlloc(8);
    void* released = winlib::ScopedCoMem<void>(kept).release();
    EXPECT_EQ(released, kept);
    ::CoTaskMemFree(released);
}

namespace {

const UINT kThrow = WM_APP + 7;

class ThrowingWindow : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kThrow)
            throw std::runtime_error("the handler failed");
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class ThrowingThread : public CWinThread {
public:
    int Run() override { throw std::logic_error("the worker failed"); }
};

}  // namespace

TEST(UnhandledException, ReachingAWindowProcedureOrAThreadIsReportedNotSwallowedSilently)
{
    DebugOutput output;
    DebugOutput::Clear();
    ThrowingWindow window;
    ASSERT_TRUE(window.CreateMessageOnly());
    EXPECT_EQ(window.SendMessage(kThrow), 0);
    EXPECT_NE(DebugOutput::Text().find("window procedure: the handler failed"), std::string::npos)
        << DebugOutput::Text();
    // The window keeps working after the failed message.
    EXPECT_TRUE(::IsWindow(window.m_hWnd));

    DebugOutput::Clear();
    RecordingWindow owner;
    ThrowingThread thread;
    ASSERT_TRUE(owner.RunThread(thread));
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeThread(thread.GetThreadHandle(), &code));
    EXPECT_EQ(code, static_cast<DWORD>(-1));
    EXPECT_NE(DebugOutput::Text().find("worker thread: the worker failed"), std::string::npos) << DebugOutput::Text();
}
