#include "Shortcuts.h"

#include "winlib/Handles.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

namespace testlink {

Shortcut ReadShortcut(const std::string& path)
{
    Shortcut shortcut;
    winlib::ScopedComPtr<IShellLinkA> link;
    winlib::ScopedComPtr<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.receive_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.receive_void())) ||
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(file->Load(wide, STGM_READ)))
        return shortcut;
    char text[4][1024] = {};
    link->GetPath(text[0], sizeof text[0], nullptr, SLGP_RAWPATH);
    link->GetArguments(text[1], sizeof text[1]);
    link->GetWorkingDirectory(text[2], sizeof text[2]);
    link->GetIconLocation(text[3], sizeof text[3], &shortcut.iconIndex);
    shortcut.loaded = true;
    shortcut.target = text[0];
    shortcut.arguments = text[1];
    shortcut.workingFolder = text[2];
    shortcut.icon = text[3];
    return shortcut;
}

bool SaveShortcut(const std::string& path, const std::string& target)
{
    const winlib::ScopedComInit com;
    winlib::ScopedComPtr<IShellLinkA> link;
    winlib::ScopedComPtr<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    return SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                        link.receive_void())) &&
           SUCCEEDED(link->SetPath(target.c_str())) &&
           SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.receive_void())) &&
           ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) != 0 &&
           SUCCEEDED(file->Save(wide, TRUE));
}

}  // namespace testlink
