#include "RegistryOverride.h"

#include "winlib/Handles.h"

#include <atomic>

namespace {
const HKEY kRoots[3] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT};
const char* const kNames[3] = {"HKLM", "HKCU", "HKCR"};
}  // namespace

RegistryOverride::RegistryOverride()
{
    static std::atomic<unsigned> counter{0};
    m_root = "Software\\ZemloTest\\" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(counter++);
    m_ok = true;
    // Wine reuses process ids: a key left by a run that crashed may stand
    // under this name, and its values must not leak into this test.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_root.c_str());
    for (int i = 0; i < 3; ++i) {
        const std::string path = m_root + "\\" + kNames[i];
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &m_keys[i], nullptr) != ERROR_SUCCESS)
            m_ok = false;
    }
    if (!m_ok)
        return;
    for (int i = 0; i < 3; ++i)
        if (::RegOverridePredefKey(kRoots[i], m_keys[i]) != ERROR_SUCCESS)
            m_ok = false;
}

RegistryOverride::~RegistryOverride()
{
    for (int i = 0; i < 3; ++i) {
        ::RegOverridePredefKey(kRoots[i], nullptr);
        if (m_keys[i] != nullptr)
            ::RegCloseKey(m_keys[i]);
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_root.c_str());
}

namespace testreg {

bool SeparateRegistryViews()
{
    HKEY made = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kWow32Software, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made,
                          nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(made);
    const char probe[] = "SOFTWARE\\ZemloViewProbe";
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, probe, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &made,
                          nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(made);
    const bool separate = KeyExists(HKEY_LOCAL_MACHINE, std::string(kWow32Software) + "\\ZemloViewProbe") &&
                          !KeyExists(HKEY_LOCAL_MACHINE, probe);
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, probe, KEY_WOW64_32KEY, 0);
    return separate;
}

std::string Text(HKEY root, const std::string& key, const std::string& name, REGSAM view)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return "<no key>";
    const winlib::ScopedRegKey owner(opened);
    char text[2048] = {};
    DWORD size = sizeof(text) - 1;
    if (::RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
        return "<no value>";
    return text;
}

long long Dword(HKEY root, const std::string& key, const std::string& name, REGSAM view)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return -1;
    const winlib::ScopedRegKey owner(opened);
    DWORD type = 0, data = 0, size = sizeof(data);
    if (::RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return -1;
    return data;
}

}  // namespace testreg
