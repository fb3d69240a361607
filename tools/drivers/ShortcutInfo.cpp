// Prints what shell links hold: target, arguments, working folder and icon.
// Used by the main job to show the shortcuts an installation made.
//
// Usage: shortcut_info <file.lnk>...
#include "winlib/Handles.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

bool PrintShortcut(const char* path)
{
    winlib::ScopedComPtr<IShellLinkA> link;
    winlib::ScopedComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.receive_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.receive_void())))
        return false;
    WCHAR widePath[MAX_PATH];
    if (::MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) == 0 ||
        FAILED(file->Load(widePath, STGM_READ)))
        return false;

    char target[MAX_PATH] = "";
    char arguments[1024] = "";
    char workDir[MAX_PATH] = "";
    char icon[MAX_PATH] = "";
    int iconIndex = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, sizeof arguments);
    link->GetWorkingDirectory(workDir, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    std::printf("%s\n  target:    %s\n", path, target);
    if (arguments[0] != '\0')
        std::printf("  arguments: %s\n", arguments);
    std::printf("  work dir:  %s\n", workDir);
    if (icon[0] != '\0')
        std::printf("  icon:      %s,%d\n", icon, iconIndex);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    winlib::ScopedComInit com;
    if (!com.succeeded())
        return 3;
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        if (!PrintShortcut(argv[i])) {
            std::printf("%s\n  (not a readable shortcut)\n", argv[i]);
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
