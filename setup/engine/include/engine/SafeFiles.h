// Writing only into what was checked. Setup runs with administrator rights
// and may install over an earlier installation in a folder that ordinary
// users can write: a folder or a file there may have been replaced by a
// link to somewhere else. So:
//   - every folder Setup writes into is held open without delete sharing
//     while it writes there (nobody can rename it, remove it or put a link
//     in its place meanwhile), and is taken only when it is itself: the
//     folder the system resolves it to is its parent's child of that name;
//   - a file that is there already is never written through: it is opened
//     without following a link, checked the same way, and moved aside
//     (Backups), and the new file is made fresh in its place;
//   - what was moved aside comes back byte for byte with its attributes
//     when the run is undone, and is removed when the run completes.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <string>

namespace engine {

// The error given for a folder or file that is not itself (a link, or a
// link on the way): Setup never writes through one.
// (The system's ERROR_REPARSE_POINT_ENCOUNTERED, 4395.)
constexpr DWORD kErrorLinkFound = 4395;

// What the user is told for an error: ours for kErrorLinkFound, else the
// system's message.
std::string ErrorText(DWORD error);

// A folder held open without delete sharing.
class PinnedFolder {
public:
    // Opens the folder at path and takes it when it is itself: with a
    // parent, its final path must be the parent's final path and the
    // path's last name (compared ignoring case); without one (the
    // installation folder), it must be no link itself and its final path
    // must end in the path's last name. ERROR_SUCCESS, kErrorLinkFound, or
    // the system's error when it cannot be opened.
    DWORD Pin(const std::string& path, const PinnedFolder* parent);
    void Release() { m_handle.reset(); }

    bool IsPinned() const { return m_handle.valid(); }
    HANDLE get() const { return m_handle.get(); }
    // The folder as the system resolves it, without the "\\?\" prefix.
    const std::string& FinalPath() const { return m_finalPath; }

private:
    winlib::ScopedHandle m_handle;
    std::string m_finalPath;
};

// The files one run moves aside before it puts its own in their place:
// kept in a hidden folder of their own beside the installation folder (on
// the same volume, so that a move is a rename), made new with a name
// nobody can guess and writable by administrators only.
class Backups {
public:
    // besideFolder: the installation folder (with or without its trailing
    // backslash); the backup folder is made in its parent when first needed.
    explicit Backups(std::string besideFolder) : m_besideFolder(std::move(besideFolder)) {}
    ~Backups() = default;
    Backups(const Backups&) = delete;
    Backups& operator=(const Backups&) = delete;

    // The file at path, whose parent folder is pinned: opened without
    // following a link and checked (a file, the parent's child of that
    // name), then moved aside with everything it holds (its bytes, its
    // attributes, its times). backupPath is where it now lies.
    // ERROR_SUCCESS, kErrorLinkFound, or the system's error (in use, ...).
    DWORD PutAside(const std::string& path, const PinnedFolder& parent, std::string& backupPath);

    // Puts a file moved aside back at path, replacing what the run made
    // there. False when it could not.
    static bool Restore(const std::string& backupPath, const std::string& path);

    // Removes the backup folder and what it holds (the run completed).
    // False when something stays.
    bool Discard();

    // The backup folder, empty before the first file was moved aside.
    const std::string& Folder() const { return m_folder; }

private:
    DWORD MakeFolder();

    std::string m_besideFolder;
    std::string m_folder;
    unsigned m_nextName = 0;
};

// The security descriptor of the folders Setup makes for an installation,
// as Program Files has it: Administrators and SYSTEM full control, Users
// read and execute, inherited by everything below, protected from what the
// parent folder grants. The buffer stays valid for the program's life.
PSECURITY_DESCRIPTOR ProtectedFolderSecurity();

}  // namespace engine
