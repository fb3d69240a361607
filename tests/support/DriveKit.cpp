#include "DriveKit.h"

#include "winlib/FileFind.h"
#include "winlib/Handles.h"

#include <algorithm>

namespace drivekit {

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    CFileFind finder;
    BOOL more = finder.FindFile((folder + "\\*.*").c_str());
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            names.push_back(finder.GetFileName());
    }
    return names;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    const winlib::ScopedRegKey owner(opened);
    return true;
}

std::string TextOf(HWND hwnd)
{
    char text[4096] = {};
    ::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                          nullptr);
    return text;
}

void Click(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

namespace {

struct WindowSearch {
    DWORD processId;
    bool includeHidden;
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK FindAccepted(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId != search->processId || (!search->includeHidden && !::IsWindowVisible(hwnd)))
        return TRUE;
    if (!(*search->accept)(hwnd))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, bool includeHidden, const std::function<bool(HWND)>& accept)
{
    WindowSearch search = {processId, includeHidden, &accept, nullptr};
    ::EnumWindows(&FindAccepted, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

unsigned HighestFreshGdiSlot(int count)
{
    std::vector<HBRUSH> probes;
    unsigned highest = 0;
    for (int i = 0; i < count; ++i) {
        const HBRUSH brush = ::CreateSolidBrush(RGB(i & 0xFF, 1, 2));
        if (brush == nullptr)
            break;
        probes.push_back(brush);
        highest = std::max(highest, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(brush) & 0xFFFF));
    }
    for (HBRUSH brush : probes)
        ::DeleteObject(brush);
    return highest;
}

}  // namespace drivekit
