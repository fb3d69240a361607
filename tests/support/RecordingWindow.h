// The window that a worker thread reports to when no page or uninstall
// window is there: the tests', the drivers' and the benchmarks' one. A
// message-only window that takes the workers' messages (Setup's 1012-1015,
// Uninstall's 1036-1040) and runs a worker to its end while pumping
// messages, so the real cross-thread send/post protocol is exercised.
//
// It keeps either every message, with copies of the strings it points to
// taken while the synchronous send lasts (the tests), or only how many of
// each came (the benchmarks, where copying each path would be part of what
// they time). Either way a hook sees each message as it comes.
#pragma once

#include "winlib/WinThread.h"
#include "winlib/Wnd.h"

#include <array>
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
    enum class Keep {
        Everything,  // each message in messages, and the counts
        Counts,      // the counts only
    };

    // Creates the message-only window (GetSafeHwnd() is null when that
    // failed).
    explicit RecordingWindow(Keep keep = Keep::Everything);

    // Starts the thread with this window as its main window and auto-delete
    // off, pumps messages until the thread has ended, then takes the
    // messages it posted. False when it could not be started or did not end
    // within timeoutMs.
    bool RunThread(CWinThread& thread, DWORD timeoutMs = 60000);

    // How many of the message came, in either mode.
    int Count(UINT message) const;
    // The kept messages of that id, in order (none with Keep::Counts).
    std::vector<RecordedMessage> Of(UINT message) const;
    // Every kept message as its TraceLine, in order.
    std::vector<std::string> Trace() const;
    // Forgets every message and count, for the next run.
    void Reset();

    // The kept messages, in order.
    std::vector<RecordedMessage> messages;
    // Called on the window's thread for every message, while the sender
    // waits (for sent messages), in either mode.
    std::function<void(const RecordedMessage&)> onMessage;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Setup's 1012-1015 and Uninstall's 1036-1040; -1 for any other.
    static int Slot(UINT message);

    Keep m_keep;
    std::array<int, 9> m_counts = {};
};
