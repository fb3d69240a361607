#include "winlib/SysError.h"

#include "winlib/Handles.h"

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

}  // namespace winlib
