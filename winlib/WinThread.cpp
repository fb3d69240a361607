#include "winlib/WinThread.h"

#include "winlib/SysError.h"

#include <process.h>

CWinThread::~CWinThread() = default;

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize,
                              LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (m_thread.valid())
        return FALSE;
    // Created suspended so that the handle and id are in place before the
    // thread can look at them, then resumed unless the caller wants it
    // suspended.
    unsigned id = 0;
    const uintptr_t handle = ::_beginthreadex(lpSecurityAttrs, nStackSize, &CWinThread::ThreadEntry,
                                              this, dwCreateFlags | CREATE_SUSPENDED, &id);
    if (handle == 0)
        return FALSE;
    m_thread.reset(reinterpret_cast<HANDLE>(handle));
    m_nThreadID = id;
    if ((dwCreateFlags & CREATE_SUSPENDED) == 0)
        ::ResumeThread(m_thread.get());
    return TRUE;
}

BOOL CWinThread::InitInstance()
{
    return TRUE;
}

int CWinThread::Run()
{
    for (;;) {
        const BOOL got = ::GetMessageA(&m_msgCur, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

unsigned __stdcall CWinThread::ThreadEntry(void* param)
{
    auto* thread = static_cast<CWinThread*>(param);
    // Give the thread its message queue now, so that a PostThreadMessage
    // to it can never fail for want of one.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    int result = 0;
    try {
        result = thread->InitInstance() ? thread->Run() : thread->ExitInstance();
    } catch (...) {
        winlib::ReportUnhandledException("worker thread");
        result = -1;
    }
    if (thread->m_bAutoDelete)
        delete thread;
    return static_cast<unsigned>(result);
}

namespace winlib {

bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = ::GetTickCount64() - start;
            wait = elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        }
        const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, wait, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1)
            return false;
        PumpWaitingMessages();
    }
}

void PumpWaitingMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace winlib
