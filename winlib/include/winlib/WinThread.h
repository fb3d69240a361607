// CWinThread: a thread with an object. CreateThread starts it; the thread
// calls InitInstance, then Run (a message loop until WM_QUIT) when that
// succeeded or ExitInstance when it did not, and returns that value as its
// exit code. With m_bAutoDelete the object deletes itself at the end.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

class CWnd;

class CWinThread {
public:
    CWinThread() = default;
    // Closes the thread handle; never waits for the thread.
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread (at once, unless CREATE_SUSPENDED). The thread
    // handle and m_nThreadID are set before the thread runs any code of
    // ours. FALSE when this object already has a thread.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    DWORD ResumeThread() { return ::ResumeThread(m_thread.get()); }
    // The thread's handle, owned by this object (to wait on, or to read
    // the exit code); null before CreateThread.
    HANDLE GetThreadHandle() const { return m_thread.get(); }

    virtual BOOL InitInstance();
    // Runs the message loop until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    // The exit code of the thread: the wParam of the WM_QUIT that ended
    // the loop.
    virtual int ExitInstance();

    CWnd* m_pMainWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;
    DWORD m_nThreadID = 0;

private:
    winlib::ScopedHandle m_thread;

public:
    // Read-only view of the thread handle under its MFC name, for the
    // benchmark tools that read it so; everything else calls
    // GetThreadHandle().
    class HandleView {
    public:
        explicit HandleView(const winlib::ScopedHandle& owner) : m_owner(owner) {}
        HandleView(const HandleView&) = delete;
        HandleView& operator=(const HandleView&) = delete;
        operator HANDLE() const { return m_owner.get(); }

    private:
        const winlib::ScopedHandle& m_owner;
    };
    const HandleView m_hThread{m_thread};

protected:
    MSG m_msgCur = {};

private:
    static unsigned __stdcall ThreadEntry(void* param);
};

namespace winlib {

// Waits for a handle (a thread, say) to be signalled while dispatching
// every message that arrives for this thread's windows, so that another
// thread waiting in SendMessage to one of them is served meanwhile.
// Returns true when the handle was signalled, false after timeoutMs
// (INFINITE waits for ever).
bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs = INFINITE);

// Dispatches every message already waiting for this thread (messages sent
// by other threads are delivered on the way) and returns.
void PumpWaitingMessages();

}  // namespace winlib
