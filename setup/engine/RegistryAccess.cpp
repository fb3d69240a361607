#include "engine/RegistryAccess.h"

#include "winlib/RegKey.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace engine {
namespace {

BOOL SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text)
{
    winlib::RegKey opened;
    if (opened.Create(root, key) != ERROR_SUCCESS)
        return FALSE;
    return opened.WriteString(name, text) == ERROR_SUCCESS;
}

BOOL QueryString(HKEY root, const std::string& key, const std::string& name, std::string& text)
{
    text.clear();
    // A read never creates: a missing key simply has no value.
    winlib::RegKey opened;
    if (opened.Open(root, key, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return FALSE;
    return opened.ReadString(name, text, kRegistryQueryBufferSize, winlib::RegKey::Accept::AnyType);
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
    winlib::RegKey opened;
    if (opened.Open(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE, winlib::RegKey::View::Wow32) != ERROR_SUCCESS)
        return FALSE;
    return opened.ReadString(name, text, kRegistryQueryBufferSize, winlib::RegKey::Accept::AnyType);
}

BOOL QueryUserString(const std::string& key, const std::string& name, std::string& text)
{
    return QueryString(HKEY_CURRENT_USER, key, name, text);
}

BOOL QueryWholeString(HKEY root, const std::string& key, const std::string& name, std::string& text)
{
    text.clear();
    winlib::RegKey opened;
    if (opened.Open(root, key, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return FALSE;
    std::vector<char> buffer(kRegistryQueryBufferSize);
    DWORD size = kRegistryQueryBufferSize;
    if (::RegQueryValueExA(opened.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS)
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
