#include "RecordingWindow.h"

RecordingWindow::RecordingWindow(Keep keep) : m_keep(keep)
{
    CreateMessageOnly();
}

int RecordingWindow::Slot(UINT message)
{
    if (message >= 1012 && message <= 1015)
        return static_cast<int>(message - 1012);
    if (message >= 1036 && message <= 1040)
        return static_cast<int>(message - 1036) + 4;
    return -1;
}

LRESULT RecordingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const int slot = Slot(message);
    if (slot < 0)
        return CWnd::WindowProc(message, wParam, lParam);
    ++m_counts[static_cast<std::size_t>(slot)];
    if (m_keep == Keep::Counts && !onMessage)
        return 0;

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
    // Kept before the hook runs, so that the hook sees it among the others.
    if (m_keep == Keep::Everything)
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

int RecordingWindow::Count(UINT message) const
{
    const int slot = Slot(message);
    return slot < 0 ? 0 : m_counts[static_cast<std::size_t>(slot)];
}

void RecordingWindow::Reset()
{
    messages.clear();
    m_counts.fill(0);
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
