// Redirects HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT of
// the whole process to fresh keys under HKCU\Software\ZemloTest for the
// life of the object, then deletes those keys. The code under test keeps
// using the real registry API. (RegOverridePredefKey affects every thread
// of the process and code in loaded DLLs, under Wine as on Windows.)
#pragma once

#include "DriveKit.h"

#include <windows.h>

#include <string>

class RegistryOverride {
public:
    RegistryOverride();
    ~RegistryOverride();
    RegistryOverride(const RegistryOverride&) = delete;
    RegistryOverride& operator=(const RegistryOverride&) = delete;

    bool ok() const { return m_ok; }

private:
    std::string m_root;  // under the real HKEY_CURRENT_USER
    HKEY m_keys[3] = {};
    bool m_ok = false;
};

// Raw registry helpers for checks and set-up (never the accessors under
// test).
namespace testreg {

using drivekit::KeyExists;

// The keys the programs write and read, spelt out here so that the tests
// check the names as well as what is in them.
inline constexpr char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
inline constexpr char kShellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Where a 64-bit program sees the 32-bit view's HKLM\SOFTWARE.
inline constexpr char kWow32Software[] = "SOFTWARE\\Wow6432Node";

// Makes the two views of the redirected HKEY_LOCAL_MACHINE separate, as
// they are on 64-bit Windows: once SOFTWARE\Wow6432Node exists, Wine sends
// a key opened with KEY_WOW64_32KEY under SOFTWARE there, where this 64-bit
// program also sees it without a flag. Without it both views are one key,
// as on 32-bit Windows. True when a probe key showed the views separate.
bool SeparateRegistryViews();

// Writes a string value, making the key.
inline bool Put(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    return ::RegSetKeyValueA(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                             static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// A string value's data as stored (up to 2 KB); "<no key>" when the key
// cannot be opened for reading, "<no value>" when it has no such value.
// view: KEY_WOW64_32KEY or KEY_WOW64_64KEY for one registry view, 0 for
// this program's own.
std::string Text(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
// A REG_DWORD value; -1 when the key or value is missing or of another type.
long long Dword(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);

}  // namespace testreg
