#include "RecordingWindow.h"

RecordingWindow::RecordingWindow()
{
    CreateMessageOnly();
}

LRESULT RecordingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The workers' messages: 1012-1015 of Setup, 1036-1040 of Uninstall.
    if ((message < 1012 || message > 1015) && (message < 1036 || message > 1040))
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

    if (!winlib::WaitPumpingMessages(thread.GetThreadHandle(), timeoutMs))
        return false;
    // The messages the thread posted before it ended.
    winlib::PumpWaitingMessages();
    return true;
}

std::vector<std::string> RecordingWindow::Trace() const
{
    std::vector<std::string> lines;
    for (const RecordedMessage& m : messages)
        lines.push_back(TraceLine(m.message, m.sent, m.wText.empty() ? std::to_string(m.wParam) : m.wText,
                                  m.lText.empty() ? std::to_string(m.lParam) : m.lText));
    return lines;
}

std::vector<RecordedMessage> RecordingWindow::Of(UINT message) const
{
    std::vector<RecordedMessage> result;
    for (const RecordedMessage& m : messages)
        if (m.message == message)
            result.push_back(m);
    return result;
}
