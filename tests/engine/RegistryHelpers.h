// Direct registry reads and writes for the engine tests, on the raw API so
// that fixtures do not go through the accessors under test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace testreg {

inline void Put(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    HKEY opened = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(opened);
}

inline bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

// Names of the direct sub-keys of a key, in the registry's order.
inline std::vector<std::string> SubKeys(HKEY root, const std::string& key)
{
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0; ::RegEnumKeyA(opened, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    ::RegCloseKey(opened);
    return names;
}

// The value's data as a string (terminator dropped), or "<missing>".
inline std::string Get(HKEY root, const std::string& key, const std::string& name)
{
    DWORD size = 0;
    if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return "<missing>";
    std::string data(size, '\0');
    if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    data.resize(size > 0 ? size - 1 : 0);
    return data;
}

}  // namespace testreg
