#include "winlib/SysError.h"

#include "winlib/Handles.h"

#include <exception>

namespace winlib {

std::string FormatSystemMessage(DWORD error)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ScopedLocalMem owner(text);
    if (length == 0 || text == nullptr)
        return std::string();
    return std::string(text, length);
}

void ReportUnhandledException(const char* where) noexcept
{
    try {
        std::string text = where != nullptr ? where : "";
        text += ": ";
        try {
            throw;
        } catch (const std::exception& e) {
            text += e.what();
        } catch (...) {
            text += "exception of unknown type";
        }
        text += "\n";
        ::OutputDebugStringA(text.c_str());
#ifndef NDEBUG
        ::MessageBoxA(nullptr, text.c_str(), "Unhandled exception", MB_OK | MB_ICONERROR | MB_TASKMODAL);
#endif
    } catch (...) {
        // Out of memory for the text: the plain fact still goes out.
        ::OutputDebugStringA("unhandled exception\n");
    }
}

}  // namespace winlib
