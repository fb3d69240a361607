// The registry roots of the log's "RegDB Key: " entries, between their
// digit (installlog::RegRootDigit) and their predefined key.
#pragma once

#include "installlog/InstallLog.h"

#include <windows.h>

namespace winlib {

// The digit Setup records for a root: 0 to 3 for the four roots listed,
// kOtherRoot for any other key.
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

// The root Uninstall works under for a digit: kOtherRoot means
// HKEY_CURRENT_CONFIG. Null for a number that is no digit of the log.
inline HKEY RegRootKeyOf(int digit)
{
    switch (digit) {
    case installlog::kClassesRoot: return HKEY_CLASSES_ROOT;
    case installlog::kCurrentUser: return HKEY_CURRENT_USER;
    case installlog::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case installlog::kUsers: return HKEY_USERS;
    case installlog::kOtherRoot: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
    }
}

}  // namespace winlib
