// Prints what shell links hold: target, arguments, working folder and icon.
// Used by the main job to show the shortcuts an installation made.
//
// Usage: shortcut_info <file.lnk>...
#include "Shortcuts.h"
#include "winlib/Handles.h"

#include <cstdio>

int main(int argc, char** argv)
{
    winlib::ScopedComInit com;
    if (!com.succeeded())
        return 3;
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        const testlink::Shortcut link = testlink::ReadShortcut(argv[i]);
        if (!link.loaded) {
            std::printf("%s\n  (not a readable shortcut)\n", argv[i]);
            ++failed;
            continue;
        }
        std::printf("%s\n  target:    %s\n", argv[i], link.target.c_str());
        if (!link.arguments.empty())
            std::printf("  arguments: %s\n", link.arguments.c_str());
        std::printf("  work dir:  %s\n", link.workingFolder.c_str());
        if (!link.icon.empty())
            std::printf("  icon:      %s,%d\n", link.icon.c_str(), link.iconIndex);
    }
    return failed == 0 ? 0 : 1;
}
