// The helpers that the tests and the driver programs (tools/drivers) share:
// answering a message box for a user who is not there, finding files and
// registry keys, and reading and clicking another window's controls. Part
// of the test kit (the static library "testkit"); it needs nothing but
// Win32 and winlib.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace drivekit {

// True when a file or folder is at path (GetFileAttributesA).
bool Exists(const std::string& path);

// Names of the entries of a folder (no dots), in the system's order.
std::vector<std::string> ListFolder(const std::string& folder);

// True when the key can be opened for reading.
bool KeyExists(HKEY root, const std::string& key);

// The text of a window (WM_GETTEXT, given up after 2 s when the window's
// thread does not answer).
std::string TextOf(HWND hwnd);

// Posts a click on the dialog's control id: a sent click would wait while
// the target runs a modal loop.
void Click(HWND dialog, int id);

// The first top-level window of the process, shown unless includeHidden,
// that accept takes; null when there is none.
HWND FindProcessWindow(DWORD processId, bool includeHidden, const std::function<bool(HWND)>& accept);

// Makes count fresh GDI objects at once and returns the highest slot of the
// handle table they took (the low word of a GDI handle is its slot); they
// are deleted again, so their slots are free afterwards. Where the system
// does not count a process's GDI objects, objects left behind show as this
// mark climbing.
unsigned HighestFreshGdiSlot(int count);

}  // namespace drivekit
