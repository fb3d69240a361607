// Direct registry reads and writes for the engine tests, on the raw API so
// that fixtures do not go through the accessors under test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testreg {

inline void Put(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    ::RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

inline bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

// A string value's data, or "<missing>".
inline std::string Get(HKEY root, const std::string& key, const std::string& name)
{
    std::vector<char> data(16384);
    DWORD size = static_cast<DWORD>(data.size());
    if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return "<missing>";
    return data.data();
}

}  // namespace testreg
