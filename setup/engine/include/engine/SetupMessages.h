// The messages of the install worker to the progress page. Plain message
// numbers below WM_USER, fixed by the contract between the two.
#pragma once

#include <windows.h>

// Sent once per entry of a product folder tree: wParam the entry's source
// path, lParam its destination path (both valid only during the send).
constexpr UINT WM_SETUP_PROGRESS = 1012;
// Sent once after the install log has been written.
constexpr UINT WM_SETUP_CONFIGURING = 1013;
// Posted right after WM_SETUP_CONFIGURING: the installation is complete.
constexpr UINT WM_SETUP_DONE = 1014;
// Posted when a product folder could not be copied or the user cancelled.
constexpr UINT WM_SETUP_FAILED = 1015;
