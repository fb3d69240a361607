#include "DebugOutput.h"

#include <mutex>

namespace {
std::mutex g_mutex;
std::string g_text;
}  // namespace

DebugOutput::DebugOutput() : m_handler(::AddVectoredExceptionHandler(1, &DebugOutput::Handler)) {}

DebugOutput::~DebugOutput()
{
    ::RemoveVectoredExceptionHandler(m_handler);
}

std::string DebugOutput::Text()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_text;
}

void DebugOutput::Clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_text.clear();
}

LONG CALLBACK DebugOutput::Handler(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_text += reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
