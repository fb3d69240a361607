#include "engine/RegistryAccess.h"

#include "winlib/Handles.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace engine {
namespace {

winlib::ScopedRegKey OpenOrCreate(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (::RegCreateKeyA(root, key.c_str(), &opened) != ERROR_SUCCESS)
        return winlib::ScopedRegKey();
    return winlib::ScopedRegKey(opened);
}

BOOL SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text)
{
    winlib::ScopedRegKey opened = OpenOrCreate(root, key);
    if (!opened)
        return FALSE;
    // Written straight from the string, terminator included: a text of any
    // length goes in whole, never through a fixed-size copy.
    const DWORD bytes = static_cast<DWORD>(text.size() + 1);
    return ::RegSetValueExA(opened.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

BOOL ReadValue(HKEY opened, const std::string& name, std::string& text)
{
    std::vector<char> buffer(kRegistryQueryBufferSize);
    DWORD size = kRegistryQueryBufferSize;
    if (::RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS)
        return FALSE;
    // The data need not carry a terminator: look only at the bytes returned.
    const std::size_t length = std::min<std::size_t>(size, buffer.size());
    const void* zero = std::memchr(buffer.data(), '\0', length);
    text.assign(buffer.data(), zero != nullptr ? static_cast<const char*>(zero) - buffer.data() : length);
    return TRUE;
}

BOOL QueryString(HKEY root, const std::string& key, const std::string& name, std::string& text)
{
    text.clear();
    // A read never creates: a missing key simply has no value.
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return FALSE;
    const winlib::ScopedRegKey owner(opened);
    return ReadValue(opened, name, text);
}

}  // namespace

BOOL SetMachineString(const std::string& key, const std::string& name, const std::string& text)
{
    return SetString(HKEY_LOCAL_MACHINE, key, name, text);
}

BOOL SetUserString(const std::string& key, const std::string& name, const std::string& text)
{
    return SetString(HKEY_CURRENT_USER, key, name, text);
}

BOOL QueryMachineString(const std::string& key, const std::string& name, std::string& text)
{
    if (QueryString(HKEY_LOCAL_MACHINE, key, name, text))
        return TRUE;
    // This program is 64-bit; 32-bit programs (AutoCAD 2002 to 2008 among
    // them) keep their machine-wide settings in the 32-bit view of
    // HKEY_LOCAL_MACHINE\SOFTWARE. A value missing from the native view is
    // looked for there too (opened only: that view gets no new keys). On a
    // 32-bit system both views are the same.
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return FALSE;
    const winlib::ScopedRegKey owner(opened);
    return ReadValue(opened, name, text);
}

BOOL QueryUserString(const std::string& key, const std::string& name, std::string& text)
{
    return QueryString(HKEY_CURRENT_USER, key, name, text);
}

BOOL QueryWholeString(HKEY root, const std::string& key, const std::string& name, std::string& text)
{
    text.clear();
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return FALSE;
    const winlib::ScopedRegKey owner(opened);
    std::vector<char> buffer(kRegistryQueryBufferSize);
    DWORD size = kRegistryQueryBufferSize;
    if (::RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return FALSE;
    std::size_t length = std::min<std::size_t>(size, buffer.size());
    while (length > 0 && buffer[length - 1] == '\0')
        --length;
    if (std::memchr(buffer.data(), '\0', length) != nullptr)
        return FALSE;
    text.assign(buffer.data(), length);
    return TRUE;
}

}  // namespace engine
