// ShortcutMaker: the shortcuts on the desktop, in the Programs menu and,
// one per AutoCAD release found, in the install folder. The shell folders
// come from the registry and are checked before use; every shortcut saved
// is recorded.
#pragma once

#include "engine/InstallRecorder.h"
#include "engine/TreeCopier.h"

#include <windows.h>

#include <string>

namespace engine {

class ShortcutMaker {
public:
    ShortcutMaker(TreeCopier& folders, InstallRecorder& recorder, const std::string& installDir)
        : m_folders(folders), m_recorder(recorder), m_installDir(installDir)
    {
    }

    // Makes every shortcut; FALSE when no pair of shell folders was found
    // (then nothing is made).
    BOOL CreateShortcuts();
    // Saves one shell link at path. arguments and icon may be null. TRUE
    // when the file was saved; a path that does not fit MAX_PATH is a
    // failed save.
    static BOOL CreateShortcut(const char* workingDir, const char* path, const char* target, const char* arguments,
                               const char* icon);

private:
    // Saves the shortcut at folder + name and records it when saved.
    void MakeShortcut(const std::string& folder, const char* name, const std::string& target, const char* arguments,
                      const char* icon);

    TreeCopier& m_folders;
    InstallRecorder& m_recorder;
    const std::string& m_installDir;  // ends in a backslash
};

}  // namespace engine
