#include "engine/RegistryAccess.h"

#include "winlib/RegKey.h"


namespace engine {
namespace {

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
    std::string bytes;
    if (!opened.ReadBytes(name, bytes, kRegistryQueryBufferSize))
        return FALSE;
    std::size_t length = bytes.size();
    while (length > 0 && bytes[length - 1] == '\0')
        --length;
    if (bytes.find('\0') < length)
        return FALSE;
    text.assign(bytes, 0, length);
    return TRUE;
}

}  // namespace engine
