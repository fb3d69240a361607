// The messages of the uninstall worker to its window. Plain message numbers
// below WM_USER, fixed by the contract between the two.
#pragma once

#include <windows.h>

// Sent after each recorded file has been handled (deleted or not): lParam
// is the file's path, valid only during the send.
constexpr UINT WM_UNINSTALL_FILE = 1036;
// Sent once after the file pass.
constexpr UINT WM_UNINSTALL_FILES_DONE = 1037;
// Sent once after everything, just before the worker ends.
constexpr UINT WM_UNINSTALL_DONE = 1038;
// Posted by ReadLog (on the window's own thread) when the log could not be
// read; no worker runs then.
constexpr UINT WM_UNINSTALL_FAILED = 1040;
