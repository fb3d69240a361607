// TreeCopier: puts the product's files in place. It copies the folder
// trees and the loose root files of the medium, makes the folders of a
// destination path, and asks the user (through the host) when a source
// folder is missing, a folder cannot be made or a file cannot be copied.
// What it made is recorded: log lines for the uninstaller, and for the
// rollback the files and folders that did not exist before and the files
// it put aside to make room.
//
// It writes only into what it checked (SafeFiles.h): every folder it copies
// into is held open while it does and must be its parent's child of that
// name, a file that is there already is moved aside, never written
// through, and a folder or file that turns out to be a link is put to the
// user as a copy that failed, with that reason.
#pragma once

#include "engine/InstallHost.h"
#include "engine/InstallRecord.h"
#include "engine/SafeFiles.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace engine {

class TreeCopier {
public:
    TreeCopier(InstallHost& host, InstallRecord& record, Backups& backups)
        : m_host(host), m_record(record), m_backups(backups)
    {
    }

    // Copies one folder tree of the medium; FALSE when the user aborted or
    // a cancel was seen. Paths carry no trailing backslash.
    BOOL CopyFolderTree(const std::string& source, const std::string& destination);
    // Makes every missing folder of path and records it once it exists
    // (with record false, only for the rollback: a folder above the
    // installation is no entry of its log); FALSE when the user gave up.
    BOOL CreateFolderPath(const std::string& path, bool record = true);
    // Copies the loose files of sourceDir into installDir (both ending in a
    // backslash), all but the setup program; FALSE when the user aborted.
    BOOL CopyTopLevelFiles(const std::string& sourceDir, const std::string& installDir);
    // Names of the plain files of folder that match pattern, in search
    // order. Empty when the folder cannot be entered.
    static void ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>& list);

    // The files copied straight into folder (ending in a backslash) are
    // remembered from now on, and only those: a list of every file copied
    // would grow with the medium.
    void RememberCopiesIn(const std::string& folder) { m_watched = folder; }
    // Whether this run copied a file to that destination path, which lies
    // in the folder given to RememberCopiesIn.
    bool WasCopied(const std::string& destination) const { return m_copied.count(destination) != 0; }
    // Whether this run put aside (and replaced) a file at that path.
    bool WasReplaced(const std::string& destination) const { return m_replaced.count(destination) != 0; }
    // The files the user chose to go on without.
    int IgnoredFiles() const { return m_ignored; }
    // The size in bytes of the files copied so far.
    unsigned long long BytesCopied() const { return m_bytesCopied; }

private:
    enum class FileResult { Copied, Ignored, Aborted };
    // Copies one tree into destination, a child of the pinned parent.
    BOOL CopyTree(const std::string& source, const std::string& destination, const PinnedFolder& parent);
    // Copies one file into the pinned parent, asking Abort/Retry/Ignore
    // while it fails. size: the source's size in bytes, counted once the
    // file is copied.
    FileResult CopyOneFile(const std::string& source, const std::string& destination, ULONGLONG size,
                           const PinnedFolder& parent);
    // One try: ERROR_SUCCESS, or why not; existed tells whether a file was
    // there (and was put aside to backupPath).
    DWORD TryCopy(const std::string& source, const std::string& destination, const PinnedFolder& parent,
                  bool& existed, std::string& backupPath);
    // Pins folder, asking Retry/Cancel while it cannot be taken.
    bool PinAsking(const std::string& folder, const PinnedFolder* parent, PinnedFolder& pinned);

    InstallHost& m_host;
    InstallRecord& m_record;
    Backups& m_backups;
    std::string m_watched;
    std::unordered_set<std::string> m_copied;
    std::unordered_set<std::string> m_replaced;  // in the watched folder only
    int m_ignored = 0;
    unsigned long long m_bytesCopied = 0;
};

}  // namespace engine
