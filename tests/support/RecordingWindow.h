// A message-only window that a worker thread reports to. It records the
// workers' messages (with copies of the strings they point to, taken while
// the synchronous send lasts) and runs a worker to its end while pumping
// messages, so the real cross-thread send/post protocol is exercised.
#pragma once

#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <functional>
#include <string>
#include <vector>

struct RecordedMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string wText;  // copy of the string that wParam points to, where it is one
    std::string lText;  // copy of the string that lParam points to, where it is one
    bool sent = false;  // true when it arrived by SendMessage
};

// A message as one line: "<id> sent|posted <wParam> <lParam>", each
// parameter by its string where it is one.
inline std::string TraceLine(UINT message, bool sent, const std::string& w = "0", const std::string& l = "0")
{
    return std::to_string(message) + (sent ? " sent " : " posted ") + w + " " + l;
}

class RecordingWindow : public CWnd {
public:
    RecordingWindow();

    // Starts the thread with this window as its main window and auto-delete
    // off, pumps messages until the thread has ended, then takes the
    // messages it posted. False when it did not end within timeoutMs.
    bool RunThread(CWinThread& thread, DWORD timeoutMs = 60000);

    std::vector<RecordedMessage> Of(UINT message) const;
    int Count(UINT message) const { return static_cast<int>(Of(message).size()); }
    // Every recorded message as its TraceLine, in order.
    std::vector<std::string> Trace() const;

    std::vector<RecordedMessage> messages;
    // Called on the window's thread for every recorded message, while the
    // sender waits (for sent messages).
    std::function<void(const RecordedMessage&)> onMessage;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
