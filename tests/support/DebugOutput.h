// Collects what the process writes with OutputDebugStringA while the
// object lives: the system raises DBG_PRINTEXCEPTION_C with the text for a
// debugger, and a vectored handler sees it first (under Wine as on
// Windows), then lets it go on.
#pragma once

#include <windows.h>

#include <string>

class DebugOutput {
public:
    DebugOutput();
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    // Everything written so far (from any thread), and forgetting it.
    static std::string Text();
    static void Clear();

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info);

    void* m_handler;
};
