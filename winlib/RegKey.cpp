#include "winlib/RegKey.h"

#include <cstring>
#include <vector>

namespace winlib {
namespace {

REGSAM WithView(REGSAM access, RegKey::View view)
{
    switch (view) {
    case RegKey::View::Wow32:
        return access | KEY_WOW64_32KEY;
    case RegKey::View::Wow64:
        return access | KEY_WOW64_64KEY;
    case RegKey::View::Native:
        break;
    }
    return access;
}

// A value name in the ANSI code page as the wide functions take it.
std::wstring WideName(const std::string& name)
{
    if (name.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), &wide[0], n);
    return wide;
}

}  // namespace

LONG RegKey::Open(HKEY parent, const std::string& subKey, REGSAM access, View view)
{
    m_key.reset();
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(parent, subKey.c_str(), 0, WithView(access, view), &opened);
    if (result == ERROR_SUCCESS)
        m_key.reset(opened);
    return result;
}

LONG RegKey::Create(HKEY parent, const std::string& subKey, REGSAM access, View view)
{
    m_key.reset();
    HKEY opened = nullptr;
    const LONG result = ::RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          WithView(access, view), nullptr, &opened, nullptr);
    if (result == ERROR_SUCCESS)
        m_key.reset(opened);
    return result;
}

bool RegKey::ReadString(const std::string& name, std::string& text, DWORD maxBytes, Accept accept) const
{
    text.clear();
    if (!valid() || maxBytes == MAXDWORD)
        return false;
    // One byte more than the query may fill, so that the buffer is never
    // null (a null buffer makes the query report only the size).
    std::vector<char> buffer(static_cast<std::size_t>(maxBytes) + 1);
    DWORD type = REG_NONE;
    DWORD size = maxBytes;
    if (::RegQueryValueExA(m_key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS)
        return false;
    if (size > maxBytes)
        return false;
    if (accept == Accept::Strings && type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    // Only the bytes returned count, and they need not end in a zero.
    const void* zero = std::memchr(buffer.data(), '\0', size);
    text.assign(buffer.data(), zero != nullptr ? static_cast<const char*>(zero) - buffer.data() : size);
    return true;
}

bool RegKey::HasValue(const std::string& name) const
{
    // No buffer: the query only reports the type and size.
    return valid() && ::RegQueryValueExA(m_key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG RegKey::WriteString(const std::string& name, const std::string& text) const
{
    if (!valid())
        return ERROR_INVALID_HANDLE;
    return ::RegSetValueExA(m_key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

LONG RegKey::WriteDword(const std::string& name, DWORD value) const
{
    if (!valid())
        return ERROR_INVALID_HANDLE;
    return ::RegSetValueExA(m_key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value));
}

LONG RegKey::ReadRaw(const std::string& name, RawValue& value) const
{
    value = RawValue();
    if (!valid())
        return ERROR_INVALID_HANDLE;
    const std::wstring wide = WideName(name);
    // The value may change between the size query and the read: ask again
    // until the buffer was large enough.
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG result = ::RegQueryValueExW(m_key.get(), wide.c_str(), nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS)
            return result;
        std::string bytes(size, '\0');
        DWORD got = size;
        result = ::RegQueryValueExW(m_key.get(), wide.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(bytes.empty() ? nullptr : &bytes[0]), &got);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return result;
        bytes.resize(got);
        value.type = type;
        value.bytes = std::move(bytes);
        return ERROR_SUCCESS;
    }
}

LONG RegKey::WriteRaw(const std::string& name, const RawValue& value) const
{
    if (!valid())
        return ERROR_INVALID_HANDLE;
    return ::RegSetValueExW(m_key.get(), WideName(name).c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(value.bytes.data()), static_cast<DWORD>(value.bytes.size()));
}

bool RegKey::ReadBytes(const std::string& name, std::string& bytes, DWORD maxBytes) const
{
    bytes.clear();
    if (!valid() || maxBytes == MAXDWORD)
        return false;
    std::vector<char> buffer(static_cast<std::size_t>(maxBytes) + 1);
    DWORD size = maxBytes;
    if (::RegQueryValueExA(m_key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS ||
        size > maxBytes)
        return false;
    bytes.assign(buffer.data(), size);
    return true;
}

bool RegKey::IsEmpty() const
{
    DWORD subKeys = 0, values = 0;
    return valid() &&
           ::RegQueryInfoKeyA(m_key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

LONG RegKey::DeleteValue(const std::string& name) const
{
    if (!valid())
        return ERROR_INVALID_HANDLE;
    return ::RegDeleteValueA(m_key.get(), name.c_str());
}

LONG RegKey::DeleteLeafKey(const std::string& subKey) const
{
    if (!valid())
        return ERROR_INVALID_HANDLE;
    return DeleteLeafKey(m_key.get(), subKey);
}

LONG RegKey::DeleteLeafKey(HKEY parent, const std::string& subKey, View view)
{
    if (subKey.empty())
        return ERROR_INVALID_PARAMETER;
    return ::RegDeleteKeyExA(parent, subKey.c_str(), WithView(0, view), 0);
}

}  // namespace winlib
