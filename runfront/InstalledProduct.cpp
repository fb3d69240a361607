#include "runfront/InstalledProduct.h"

#include "installlog/Contract.h"
#include "winlib/RegKey.h"
#include "winlib/RegistryView.h"

#include <windows.h>

namespace runfront {

winlib::RegKey::View ProductKeyView()
{
    return winlib::Is64BitWindows() ? winlib::RegKey::View::Wow32 : winlib::RegKey::View::Native;
}

bool ReadInstalledFolder(std::string& folder)
{
    folder.clear();
    winlib::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, installlog::kProductKey, KEY_QUERY_VALUE, ProductKeyView()) != ERROR_SUCCESS)
        return false;
    if (key.ReadString(installlog::kInstallPathValue, folder, kInstalledFolderLimit, winlib::RegKey::Accept::AnyType))
        return true;
    // Too long to be read: still a recorded installation.
    return key.HasValue(installlog::kInstallPathValue);
}

}  // namespace runfront
