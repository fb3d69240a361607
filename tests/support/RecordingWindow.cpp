#include "RecordingWindow.h"

namespace {
// The workers' messages: 1012-1015 of Setup, 1036-1040 of Uninstall.
bool IsWorkerMessage(UINT message)
{
    return (message >= 1012 && message <= 1015) || (message >= 1036 && message <= 1040);
}
}  // namespace

RecordingWindow::RecordingWindow()
{
    CreateMessageOnly();
}

LRESULT RecordingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsWorkerMessage(message))
        return CWnd::WindowProc(message, wParam, lParam);

    RecordedMessage record;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    record.sent = ::InSendMessage() != FALSE;
    // Setup's progress message carries two paths, Uninstall's file message
    // one (in lParam).
    if (message == 1012 && wParam != 0)
        record.wText = reinterpret_cast<const char*>(wParam);
    if ((message == 1012 || message == 1036) && lParam != 0)
        record.lText = reinterpret_cast<const char*>(lParam);
    messages.push_back(record);
    if (onMessage)
        onMessage(record);
    return 0;
}

bool RecordingWindow::RunThread(CWinThread& thread, DWORD timeoutMs)
{
    thread.m_pMainWnd = this;
    thread.m_bAutoDelete = FALSE;
    if (!thread.CreateThread())
        return false;

    if (!winlib::WaitPumpingMessages(thread.m_hThread, timeoutMs))
        return false;
    // The messages the thread posted before it ended.
    winlib::PumpWaitingMessages();
    return true;
}

std::vector<RecordedMessage> RecordingWindow::Of(UINT message) const
{
    std::vector<RecordedMessage> result;
    for (const RecordedMessage& m : messages)
        if (m.message == message)
            result.push_back(m);
    return result;
}

int RecordingWindow::Count(UINT message) const
{
    return static_cast<int>(Of(message).size());
}
