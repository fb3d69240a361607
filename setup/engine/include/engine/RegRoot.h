// The digit Setup records in a "RegDB Key: " entry for the registry root
// of the key (installlog::RegRootDigit).
#pragma once

#include "installlog/InstallLog.h"

#include <windows.h>

namespace engine {

// 0 to 3 for the four roots listed, kOtherRoot for any other key.
inline installlog::RegRootDigit RegRootDigitOf(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return installlog::kClassesRoot;
    if (root == HKEY_CURRENT_USER)
        return installlog::kCurrentUser;
    if (root == HKEY_LOCAL_MACHINE)
        return installlog::kLocalMachine;
    if (root == HKEY_USERS)
        return installlog::kUsers;
    return installlog::kOtherRoot;
}

}  // namespace engine
