// What the console tools put in place of the wizard's progress page: a
// window that takes the worker's messages, and a worker whose questions
// nobody answers.
#pragma once

#include "engine/SetupThread.h"
#include "winlib/Wnd.h"

#include <string>
#include <vector>

// Counts the worker's progress reports and notes how the run ended. The
// hooks see each report while the worker waits in its send.
class InstallReportWindow : public CWnd {
public:
    void Reset()
    {
        progress = 0;
        done = false;
        failed = false;
    }

    long progress = 0;
    bool done = false;
    bool failed = false;

protected:
    virtual void OnProgress(const char* /*source*/, const char* /*destination*/) {}
    virtual void OnConfiguring() {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_SETUP_PROGRESS:
            ++progress;
            OnProgress(reinterpret_cast<const char*>(wParam), reinterpret_cast<const char*>(lParam));
            return 0;
        case WM_SETUP_CONFIGURING:
            OnConfiguring();
            return 0;
        case WM_SETUP_DONE:
            done = true;
            return 0;
        case WM_SETUP_FAILED:
            failed = true;
            return 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }
};

// The product's own worker run unattended (its own answers: the choice that
// declines each question, which stops the installation), with a question
// hook that keeps every question (and echoes it to stdout when m_bEcho is
// set).
class UnattendedSetupThread {
public:
    UnattendedSetupThread();

    std::vector<std::string> m_questions;
    bool m_bEcho = false;

    // Installs from the medium folder into the install folder (each ending
    // in a backslash), reporting to window (to none when null): starts the
    // worker, serves this thread's messages (the worker's sends to the
    // window) until it has ended, then takes the messages it posted. False
    // when the worker could not be started.
    bool InstallServingMessages(const std::string& medium, const std::string& install, CWnd* window);
    const CSetupThread& Worker() const { return m_worker; }

private:
    CSetupThread m_worker;
};
