#include "engine/RegistryAccess.h"

#include "winlib/RegKey.h"


namespace engine {
namespace {

BOOL QueryString(HKEY root, const std::string& key, const std::string& name, std::string& text,
                 winlib::RegKey::View view = winlib::RegKey::View::Native)
{
    text.clear();
    // A read never creates: a missing key simply has no value.
    winlib::RegKey opened;
    if (opened.Open(root, key, KEY_QUERY_VALUE, view) != ERROR_SUCCESS)
        return FALSE;
    return opened.ReadString(name, text, kRegistryQueryBufferSize, winlib::RegKey::Accept::AnyType);
}

}  // namespace

BOOL QueryMachineString(const std::string& key, const std::string& name, std::string& text, winlib::RegKey::View view)
{
    return QueryString(HKEY_LOCAL_MACHINE, key, name, text, view);
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
