#include "RecordingWindow.h"
#include "winlib/WinThread.h"

#include <gtest/gtest.h>

namespace {
// Posts one message to its main window, then quits its own loop with 7.
class PostingThread : public CWinThread {
public:
    int Run() override
    {
        ::PostMessageA(m_pMainWnd->m_hWnd, 1015, 3, 4);
        ::PostThreadMessageA(m_nThreadID, WM_QUIT, 7, 0);
        return CWinThread::Run();
    }
};

class FailingInit : public CWinThread {
public:
    BOOL InitInstance() override { return FALSE; }
    int ExitInstance() override { return 42; }
};
}  // namespace

TEST(WinThread, RunEndsWithTheQuitCodeAndMessagesArriveAndAFailedStartWithExitInstance)
{
    RecordingWindow window;
    PostingThread thread;
    ASSERT_TRUE(window.RunThread(thread));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].message, 1015u);
    EXPECT_EQ(window.messages[0].wParam, 3u);
    EXPECT_EQ(window.messages[0].lParam, 4);
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeThread(thread.GetThreadHandle(), &code));
    EXPECT_EQ(code, 7u);
    EXPECT_NE(thread.m_nThreadID, 0u);

    // A failed InitInstance ends with ExitInstance's code.
    FailingInit failing;
    ASSERT_TRUE(window.RunThread(failing));
    ASSERT_TRUE(::GetExitCodeThread(failing.GetThreadHandle(), &code));
    EXPECT_EQ(code, 42u);
}

TEST(WinThread, OwnsItsHandleUntilItGoesAndStartsOnlyOnce)
{
    RecordingWindow window;
    HANDLE handle = nullptr;
    {
        FailingInit thread;
        EXPECT_EQ(thread.GetThreadHandle(), nullptr);
        ASSERT_TRUE(window.RunThread(thread));
        handle = thread.GetThreadHandle();
        ASSERT_NE(handle, nullptr);
        // A second start would lose the first thread's handle.
        EXPECT_FALSE(thread.CreateThread());
        EXPECT_EQ(thread.GetThreadHandle(), handle);
        DWORD flags = 0;
        EXPECT_TRUE(::GetHandleInformation(handle, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(handle, &flags));
}
