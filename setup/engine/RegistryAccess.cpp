#include "engine/RegistryAccess.h"

#include "winlib/RegKey.h"

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
    winlib::RegKey opened;
    if (opened.Create(root, key) != ERROR_SUCCESS)
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

}  // namespace engine
